// The fault plan as the kernel driver applies it: counts the steps and says
// what happens to each.
#pragma once

#include "../protocol/FaultPlan.h"

#include <map>
#include <utility>
#include <vector>

namespace camusb {

using camera::FaultRule;
using camera::Step;

struct StepOutcome {
    bool fail = false;  // fail the submission with failError
    DWORD failError = 0;
    bool unplug = false;
    bool noAnswer = false;
    DWORD delayMs = 0;
    // Changes to the 16-byte reply of a GET_REPLY or a final-status read.
    bool setState = false;
    WORD state = 0;
    bool setError = false;
    WORD error = 0;
    bool foreignStamp = false;
    bool setValue = false;
    DWORD value = 0;
    // Fewer bytes than the step delivers: the rest is lost on the way.
    bool shorten = false;
    DWORD shortSize = 0;

    DWORD Delivered(DWORD size) const { return shorten && shortSize < size ? shortSize : size; }
};

class FaultEngine {
public:
    // Rules counting "from now" start at the current count.
    void Add(const std::vector<FaultRule>& rules);
    void Clear();
    // Counts one step and gives what the rules do to it.
    StepOutcome OnStep(Step kind, uint32_t opcode);
    static void ApplyToReply(const StepOutcome& outcome, uint8_t* reply);

private:
    struct Armed {
        FaultRule rule;
        uint64_t seen;    // matching steps so far
        uint64_t target;  // the count at which a one-time rule fires
    };
    uint64_t MatchingSoFar(const FaultRule& rule) const;

    std::vector<Armed> armed_;
    std::map<std::pair<Step, uint32_t>, uint64_t> counts_;
};

}  // namespace camusb
