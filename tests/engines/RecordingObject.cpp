// SPDX-License-Identifier: GPL-3.0-or-later
#include "RecordingObject.h"

#include "base/NumberText.h"

namespace lumora::testing {

namespace {

std::string Folded(const std::string& name) {
    std::string folded = name;
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

const char* KindName(InvokeKind kind) {
    switch (kind) {
        case InvokeKind::PropertyGet:
            return "get";
        case InvokeKind::PropertyPut:
            return "put";
        case InvokeKind::PropertyPutRef:
            return "putref";
        case InvokeKind::Method:
            return "method";
    }
    return "?";
}

}  // namespace

std::vector<std::string> CallLog::Answered() const {
    std::vector<std::string> result;
    for (std::size_t i = 0; i < lines.size(); ++i)
        if (answered[i]) result.push_back(lines[i]);
    return result;
}

Variant& Members::Property(const std::string& name) { return properties[Folded(name)]; }

void Members::Method(const std::string& name, Members::Handler handler) { methods[Folded(name)] = std::move(handler); }

std::shared_ptr<Members> Members::Child(const std::string& name) {
    auto& child = children[Folded(name)];
    if (!child.second) child = {name, std::make_shared<Members>()};
    return child.second;
}

std::string Render(const Variant& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return "<empty>"; }
        std::string operator()(bool b) const { return b ? "true" : "false"; }
        std::string operator()(int i) const { return std::to_string(i); }
        std::string operator()(double d) const { return NumberText(d).Bytes(); }
        std::string operator()(const Text& t) const { return "\"" + t.Bytes() + "\""; }
        std::string operator()(const AutomationRef&) const { return "<object>"; }
    };
    return std::visit(Visitor{}, value);
}

RecordingObject::RecordingObject(std::string name, std::shared_ptr<CallLog> log, std::shared_ptr<Members> members)
    : name_(std::move(name)), log_(std::move(log)), members_(std::move(members)) {}

std::optional<Variant> RecordingObject::Invoke(const Text& member, InvokeKind kind, const std::vector<Variant>& args) {
    std::string line = name_ + "." + KindName(kind) + " " + member.Bytes();
    if (!args.empty() || kind != InvokeKind::PropertyGet) {
        line += "(";
        for (std::size_t i = 0; i < args.size(); ++i) {
            if (i) line += ',';
            line += Render(args[i]);
        }
        line += ")";
    }
    const std::size_t index = log_->lines.size();
    log_->lines.push_back(line);
    log_->answered.push_back(false);
    std::optional<Variant> result = Answer(Folded(member.Bytes()), kind, args);
    if (!result) log_->lines[index] += " -> none";
    log_->answered[index] = result.has_value();
    return result;
}

std::optional<Variant> RecordingObject::Answer(const std::string& key, InvokeKind kind,
                                               const std::vector<Variant>& args) {
    std::optional<Variant> result;
    if (kind == InvokeKind::PropertyGet && args.empty()) {
        if (auto child = members_->children.find(key); child != members_->children.end()) {
            auto object = std::make_shared<RecordingObject>(child->second.first, log_, child->second.second);
            log_->issued.push_back(object);
            result.emplace(AutomationRef(std::move(object)));
        } else if (auto property = members_->properties.find(key); property != members_->properties.end()) {
            result.emplace(property->second);
        }
    } else if (kind == InvokeKind::PropertyPut && args.size() == 1) {
        if (auto property = members_->properties.find(key); property != members_->properties.end()) {
            property->second = args[0];
            result.emplace();
        }
    } else if (kind == InvokeKind::Method) {
        if (auto method = members_->methods.find(key); method != members_->methods.end()) result = method->second(args);
    }
    return result;
}

}  // namespace lumora::testing
