// SPDX-License-Identifier: GPL-3.0-or-later
// An automation object for tests: members declared by the test, every invoke
// recorded in a shared log, answered or not.
#pragma once

#include "platform/Automation.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace lumora::testing {

// Invokes as lines such as
//   player.put Movie("/tmp/Player.Swf")
//   Settings.put volume(100)
//   player.method setVariable("setPlay","Stop") -> none
// Texts are quoted, ints and numbers are bare; " -> none" marks an invoke
// the object refused.
struct CallLog {
    std::vector<std::string> lines;
    std::vector<bool> answered;
    std::vector<std::weak_ptr<AutomationObject>> issued;  // objects handed out by reads

    std::vector<std::string> All() const { return lines; }
    std::vector<std::string> Answered() const;
    void Clear() {
        lines.clear();
        answered.clear();
    }
};

// The members of an object: shared between the instances a sub-object read
// hands out, so each fetch is a fresh object over the same state.
struct Members {
    using Handler = std::function<std::optional<Variant>(const std::vector<Variant>&)>;
    std::map<std::string, Variant> properties;  // read and written; key folded to lower case
    std::map<std::string, Handler> methods;
    // Read-only sub-objects: the declared name and the members.
    std::map<std::string, std::pair<std::string, std::shared_ptr<Members>>> children;

    Variant& Property(const std::string& name);
    void Method(const std::string& name, Handler handler);
    std::shared_ptr<Members> Child(const std::string& name);
};

class RecordingObject : public AutomationObject {
public:
    RecordingObject(std::string name, std::shared_ptr<CallLog> log, std::shared_ptr<Members> members);
    std::optional<Variant> Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) override;

private:
    std::optional<Variant> Answer(const std::string& key, InvokeKind kind, const std::vector<Variant>& args);

    std::string name_;
    std::shared_ptr<CallLog> log_;
    std::shared_ptr<Members> members_;
};

std::string Render(const Variant& value);

}  // namespace lumora::testing
