// camlink's command line.
#pragma once

#include <string>
#include <vector>

namespace camlink {

struct CamlinkOptions {
    std::string model;                     // with port: this camera only; without both: auto-detection
    std::string port;
    std::string description = "Marovane";  // one of the descriptions the transfer program looks for
    bool help = false;
    bool version = false;  // print the program's version and end
};

// False with a message in *error when the command line is wrong.
bool ParseCamlinkOptions(const std::vector<std::string>& args, CamlinkOptions* options, std::string* error);
const char* CamlinkHelp();

}  // namespace camlink
