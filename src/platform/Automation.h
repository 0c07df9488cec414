// SPDX-License-Identifier: GPL-3.0-or-later
// Objects reached by member name, the way the engines drive their controls.
//
// An AutomationObject answers one invoke at a time: a member name (resolved
// without regard to case), an invoke kind and arguments. The three call kinds
// the engines use try the kinds in a fixed order:
//   read  (AutomationRead):  property get, then method
//   write (AutomationWrite): property put, then put by reference, then method
//   call  (AutomationCall):  method, then property get, put, put by reference
// so a write of a method name with its arguments calls that method.
// Every failure reads as the empty value: empty text, 0, false, no object.
#pragma once

#include "base/Text.h"

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <variant>
#include <vector>

namespace lumora {

class AutomationObject;
using AutomationRef = std::shared_ptr<AutomationObject>;

// An automation value: nothing, bool, 32-bit int, number, text or object.
using Variant = std::variant<std::monostate, bool, int, double, Text, AutomationRef>;

enum class InvokeKind { PropertyGet, PropertyPut, PropertyPutRef, Method };

class AutomationObject {
public:
    virtual ~AutomationObject() = default;
    // One invoke; nullopt when the object has no such member for that kind
    // or the arguments don't fit it (the invoke failed).
    virtual std::optional<Variant> Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) = 0;
};

std::optional<Variant> AutomationRead(const AutomationRef& object, const Text& member,
                                      const std::vector<Variant>& args = {});
bool AutomationWrite(const AutomationRef& object, const Text& member, const std::vector<Variant>& args);
std::optional<Variant> AutomationCall(const AutomationRef& object, const Text& member,
                                      const std::vector<Variant>& args = {});

// Conversions to the type a caller asks for; a value that doesn't convert
// (and nullopt) gives the empty value. Texts convert to numbers the way
// automation does: a decimal number text, "true"/"false" for bools.
Text VariantText(const std::optional<Variant>& value);
double VariantNumber(const std::optional<Variant>& value);
int VariantInt(const std::optional<Variant>& value);  // truncates toward zero
bool VariantBool(const std::optional<Variant>& value);
AutomationRef VariantObject(const std::optional<Variant>& value);

// A ready-made AutomationObject whose members are handlers in a table, for
// the controls and for tests. Names are matched without regard to case.
class MemberTable : public AutomationObject {
public:
    using Handler = std::function<std::optional<Variant>(const std::vector<Variant>& args)>;
    void Add(const Text& member, InvokeKind kind, Handler handler);
    std::optional<Variant> Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) override;

private:
    std::map<std::pair<std::string, InvokeKind>, Handler> members_;
};

}  // namespace lumora
