// Faults of the virtual camera's link, scripted per step and occurrence.
//
// A step is one request that reaches the kernel driver: SEND_COMMAND,
// GET_REPLY, GET_DESCRIPTOR, GET_CHANNEL_INFO, RESET, a ReadFile of the data
// of a read command, or the ReadFile of its final 16-byte reply. A rule picks
// steps by kind and "opcode" (the command's opcode for SEND_COMMAND, the
// queried opcode for GET_REPLY, the read command's opcode for both kinds of
// ReadFile, the descriptor type for GET_DESCRIPTOR, the selector for RESET)
// and by occurrence: the Nth matching step since the camera was plugged in,
// every matching step, or the Nth matching step from the moment the rule is
// added. Several rules may hit one step; their actions combine.
//
//   FaultRule::On(Step::GetReply, 1).Nth(2).NoAnswer()      the 2nd status query hangs
//   FaultRule::On(Step::DataRead).Every().Delay(9000)       every data read is late
//   FaultRule::On(Step::Any).FromNow(3).Unplug()            unplugged at the 3rd step from now
//   FaultRule::On(Step::GetReply, 2).Every().Value(513)     directory size 513
//   FaultRule::On(Step::StatusRead).Nth(1).Short(8)         8 of the 16 reply bytes arrive
//
// Text form (camsim --fault): STEP[:OPCODE][@WHEN]=ACTION[:ARG], for example
// "get-reply:1@2=hang", "data-read@every=delay:9000", "any@+3=unplug".
#pragma once

#include <windef.h>

#include <cstdint>
#include <string>
#include <vector>

namespace camera {

enum class Step : uint8_t { Any = 0, SendCommand, GetReply, GetDescriptor, GetChannelInfo, Reset, DataRead, StatusRead };
enum class When : uint8_t { Nth = 1, Every, FromNow };
enum class Action : uint8_t {
    Delay = 1,       // complete the step arg platform milliseconds late
    NoAnswer,        // never complete it (until cancelled or unplugged)
    State,           // reply with wState = arg
    Error,           // reply with wError = arg
    ForeignStamp,    // reply with a stamp that is not the command's
    Value,           // reply with dwValue = arg: a camera error code, a directory size, a version
    Unplug,          // the camera is unplugged as the step arrives
    FailSubmission,  // the kernel driver fails the request at once with Win32 error arg
    ShortRead,       // deliver only the first arg bytes of a read's data, a reply or a descriptor
};

constexpr int32_t kAnyOpcode = -1;

struct FaultRule {
    Step step = Step::Any;
    int32_t opcode = kAnyOpcode;
    When when = When::Every;
    uint32_t n = 0;
    Action action = Action::Delay;
    uint32_t arg = 0;

    static FaultRule On(Step step, int32_t opcode = kAnyOpcode)
    {
        FaultRule rule;
        rule.step = step;
        rule.opcode = opcode;
        return rule;
    }
    FaultRule Nth(uint32_t count) const { return With(When::Nth, count); }
    FaultRule Every() const { return With(When::Every, 0); }
    FaultRule FromNow(uint32_t count) const { return With(When::FromNow, count); }

    FaultRule Delay(DWORD ms) const { return Do(Action::Delay, ms); }
    FaultRule NoAnswer() const { return Do(Action::NoAnswer, 0); }
    FaultRule State(WORD state) const { return Do(Action::State, state); }
    FaultRule Error(WORD error) const { return Do(Action::Error, error); }
    FaultRule ForeignStamp() const { return Do(Action::ForeignStamp, 0); }
    FaultRule Value(DWORD value) const { return Do(Action::Value, value); }
    FaultRule CameraError(DWORD code) const { return Value(code); }
    FaultRule Unplug() const { return Do(Action::Unplug, 0); }
    FaultRule Fail(DWORD win32Error) const { return Do(Action::FailSubmission, win32Error); }
    FaultRule Short(DWORD bytes) const { return Do(Action::ShortRead, bytes); }

    bool Matches(Step kind, uint32_t stepOpcode) const
    {
        return (step == Step::Any || step == kind) && (opcode == kAnyOpcode || static_cast<uint32_t>(opcode) == stepOpcode);
    }

private:
    FaultRule With(When w, uint32_t count) const
    {
        FaultRule rule = *this;
        rule.when = w;
        rule.n = count;
        return rule;
    }
    FaultRule Do(Action a, uint32_t value) const
    {
        FaultRule rule = *this;
        rule.action = a;
        rule.arg = value;
        return rule;
    }
};

// Wire form: 16 bytes per rule.
constexpr size_t kRuleSize = 16;
void AppendRules(const std::vector<FaultRule>& rules, std::vector<uint8_t>* out);
// False when the bytes are not whole, valid rules.
bool ParseRules(const uint8_t* data, size_t size, std::vector<FaultRule>* rules);

// Text form; ParseFaultRule puts a reason into *error when it fails.
bool ParseFaultRule(const std::string& text, FaultRule* rule, std::string* error);
std::string FormatFaultRule(const FaultRule& rule);
const char* StepName(Step step);

// A decimal, hex (0x) or octal (0) number up to `limit`, without a sign.
// *value holds what was read even when it is refused.
bool ParseUnsigned(const std::string& text, unsigned long long limit, unsigned long long* value);

}  // namespace camera
