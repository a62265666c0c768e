#include "FaultEngine.h"

#include "../protocol/LinkProtocol.h"

#include <algorithm>

namespace camusb {

using camera::Action;
using camera::When;

uint64_t FaultEngine::MatchingSoFar(const FaultRule& rule) const
{
    uint64_t total = 0;
    for (const auto& count : counts_) {
        if (rule.Matches(count.first.first, count.first.second)) total += count.second;
    }
    return total;
}

void FaultEngine::Add(const std::vector<FaultRule>& rules)
{
    for (const FaultRule& rule : rules) {
        uint64_t seen = MatchingSoFar(rule);
        uint64_t target = rule.when == When::FromNow ? seen + rule.n : rule.n;
        armed_.push_back({rule, seen, target});
    }
}

void FaultEngine::Clear() { armed_.clear(); }

StepOutcome FaultEngine::OnStep(Step kind, uint32_t opcode)
{
    ++counts_[{kind, opcode}];
    StepOutcome outcome;
    for (Armed& armed : armed_) {
        const FaultRule& rule = armed.rule;
        if (!rule.Matches(kind, opcode)) continue;
        ++armed.seen;
        if (rule.when != When::Every && armed.seen != armed.target) continue;
        switch (rule.action) {
            case Action::Delay: outcome.delayMs = std::max(outcome.delayMs, rule.arg); break;
            case Action::NoAnswer: outcome.noAnswer = true; break;
            case Action::State: outcome.setState = true, outcome.state = static_cast<WORD>(rule.arg); break;
            case Action::Error: outcome.setError = true, outcome.error = static_cast<WORD>(rule.arg); break;
            case Action::ForeignStamp: outcome.foreignStamp = true; break;
            case Action::Value: outcome.setValue = true, outcome.value = rule.arg; break;
            case Action::Unplug: outcome.unplug = true; break;
            case Action::FailSubmission: outcome.fail = true, outcome.failError = rule.arg; break;
            case Action::ShortRead: outcome.shorten = true, outcome.shortSize = rule.arg; break;
        }
    }
    return outcome;
}

void FaultEngine::ApplyToReply(const StepOutcome& outcome, uint8_t* reply)
{
    using camera::link::Get32;
    using camera::link::Put16;
    using camera::link::Put32;
    if (outcome.setState) Put16(reply, outcome.state);
    if (outcome.setError) Put16(reply + 2, outcome.error);
    if (outcome.foreignStamp) Put32(reply + 4, Get32(reply + 4) ^ 0x5A5A5A5Au);
    if (outcome.setValue) Put32(reply + 8, outcome.value);
}

}  // namespace camusb
