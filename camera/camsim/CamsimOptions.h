// camsim's command line.
#pragma once

#include "../core/CameraDevice.h"
#include "../protocol/FaultPlan.h"

#include <string>
#include <vector>

namespace camera {

struct CamsimOptions {
    CameraSettings settings;
    int pictures = 12;
    std::string folder;                    // pictures from here instead of generated ones
    std::vector<FaultRule> faults;
    std::vector<std::pair<int, int>> entryCounts;  // block, count
    struct Corruption {
        std::string name;
        size_t offset;
        size_t length;
    };
    std::vector<Corruption> corruptions;
    bool log = false;
    bool help = false;
    bool list = false;  // print the cameras plugged in and end
};

// False with a message in *error when the command line is wrong.
bool ParseCamsimOptions(const std::vector<std::string>& args, CamsimOptions* options, std::string* error);
// "12M", "1.5M", "800K", "9600", "unlimited": bits per second (0: unlimited).
bool ParseSpeed(const std::string& text, uint64_t* bitsPerSecond);
const char* CamsimHelp();

}  // namespace camera
