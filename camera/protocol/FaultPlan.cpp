#include "FaultPlan.h"

#include "LinkProtocol.h"

#include <cerrno>
#include <cstdlib>

namespace camera {
namespace {

struct StepText {
    Step step;
    const char* name;
};
const StepText kSteps[] = {
    {Step::Any, "any"},
    {Step::SendCommand, "send-command"},
    {Step::GetReply, "get-reply"},
    {Step::GetDescriptor, "get-descriptor"},
    {Step::GetChannelInfo, "get-channel-info"},
    {Step::Reset, "reset"},
    {Step::DataRead, "data-read"},
    {Step::StatusRead, "status-read"},
};

struct ActionText {
    Action action;
    const char* name;
    bool takesArgument;
};
const ActionText kActions[] = {
    {Action::Delay, "delay", true},         {Action::NoAnswer, "hang", false},
    {Action::State, "state", true},         {Action::Error, "werror", true},
    {Action::ForeignStamp, "stamp", false}, {Action::Value, "value", true},
    {Action::Unplug, "unplug", false},      {Action::FailSubmission, "fail", true},
    {Action::ShortRead, "short", true},
};

bool ParseNumber(const std::string& text, uint32_t* value)
{
    unsigned long long v = 0;
    if (!ParseUnsigned(text, 0xFFFFFFFFull, &v)) return false;
    *value = static_cast<uint32_t>(v);
    return true;
}

bool ParseStep(const std::string& text, FaultRule* rule, std::string* error)
{
    size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    bool known = false;
    for (const StepText& s : kSteps) {
        if (name == s.name) {
            rule->step = s.step;
            known = true;
        }
    }
    if (!known) {
        *error = "unknown step \"" + name + "\"";
        return false;
    }
    if (colon == std::string::npos) return true;
    uint32_t opcode = 0;
    if (!ParseNumber(text.substr(colon + 1), &opcode) || opcode > 0x7FFFFFFF) {
        *error = "bad opcode in \"" + text + "\"";
        return false;
    }
    rule->opcode = static_cast<int32_t>(opcode);
    return true;
}

bool ParseWhen(const std::string& text, FaultRule* rule, std::string* error)
{
    if (text == "every") {
        rule->when = When::Every;
        return true;
    }
    bool fromNow = !text.empty() && text[0] == '+';
    uint32_t n = 0;
    if (!ParseNumber(fromNow ? text.substr(1) : text, &n) || n == 0) {
        *error = "bad occurrence \"" + text + "\" (a number from 1, +N, or every)";
        return false;
    }
    rule->when = fromNow ? When::FromNow : When::Nth;
    rule->n = n;
    return true;
}

bool ParseAction(const std::string& text, FaultRule* rule, std::string* error)
{
    size_t colon = text.find(':');
    std::string name = text.substr(0, colon);
    for (const ActionText& a : kActions) {
        if (name != a.name) continue;
        rule->action = a.action;
        if (!a.takesArgument) {
            if (colon == std::string::npos) return true;
            *error = "action \"" + name + "\" takes no argument";
            return false;
        }
        if (colon != std::string::npos && ParseNumber(text.substr(colon + 1), &rule->arg)) return true;
        *error = "action \"" + name + "\" needs a number, as in " + name + ":5";
        return false;
    }
    *error = "unknown action \"" + name + "\"";
    return false;
}

}  // namespace

bool ParseUnsigned(const std::string& text, unsigned long long limit, unsigned long long* value)
{
    if (text.empty() || text[0] == '-' || text[0] == '+') return false;
    errno = 0;
    char* end = nullptr;
    *value = std::strtoull(text.c_str(), &end, 0);
    return !errno && !*end && *value <= limit;
}

const char* StepName(Step step)
{
    for (const StepText& s : kSteps) {
        if (s.step == step) return s.name;
    }
    return "?";
}

void AppendRules(const std::vector<FaultRule>& rules, std::vector<uint8_t>* out)
{
    for (const FaultRule& rule : rules) {
        uint8_t b[kRuleSize] = {static_cast<uint8_t>(rule.step), static_cast<uint8_t>(rule.when),
                                static_cast<uint8_t>(rule.action), 0};
        link::Put32(b + 4, static_cast<uint32_t>(rule.opcode));
        link::Put32(b + 8, rule.n);
        link::Put32(b + 12, rule.arg);
        out->insert(out->end(), b, b + kRuleSize);
    }
}

bool ParseRules(const uint8_t* data, size_t size, std::vector<FaultRule>* rules)
{
    if (size % kRuleSize) return false;
    for (size_t at = 0; at < size; at += kRuleSize) {
        const uint8_t* b = data + at;
        if (b[0] > static_cast<uint8_t>(Step::StatusRead) || b[1] < 1 || b[1] > static_cast<uint8_t>(When::FromNow) ||
            b[2] < 1 || b[2] > static_cast<uint8_t>(Action::ShortRead)) {
            return false;
        }
        FaultRule rule;
        rule.step = static_cast<Step>(b[0]);
        rule.when = static_cast<When>(b[1]);
        rule.action = static_cast<Action>(b[2]);
        rule.opcode = static_cast<int32_t>(link::Get32(b + 4));
        rule.n = link::Get32(b + 8);
        rule.arg = link::Get32(b + 12);
        rules->push_back(rule);
    }
    return true;
}

bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error)
{
    *rule = FaultRule();
    size_t eq = text.find('=');
    if (eq == std::string::npos) {
        *error = "expected STEP[:OPCODE][@WHEN]=ACTION[:ARG], got \"" + text + "\"";
        return false;
    }
    std::string left = text.substr(0, eq);
    size_t at = left.find('@');
    if (!ParseStep(left.substr(0, at), rule, error)) return false;
    if (at != std::string::npos && !ParseWhen(left.substr(at + 1), rule, error)) return false;
    return ParseAction(text.substr(eq + 1), rule, error);
}

// Built by appending only: GCC 12 at -O3 takes a literal put in front of a
// temporary string for an overlapping copy.
std::string FormatFaultRule(const FaultRule& rule)
{
    std::string text = StepName(rule.step);
    if (rule.opcode != kAnyOpcode) text.append(":").append(std::to_string(rule.opcode));
    if (rule.when == When::Every) {
        text += "@every";
    } else {
        text += rule.when == When::FromNow ? "@+" : "@";
        text += std::to_string(rule.n);
    }
    for (const ActionText& a : kActions) {
        if (a.action != rule.action) continue;
        text.append("=").append(a.name);
        if (a.takesArgument) text.append(":").append(std::to_string(rule.arg));
    }
    return text;
}

}  // namespace camera
