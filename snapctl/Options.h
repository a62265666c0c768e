// snapctl's command line: the subcommand, its names and its switches.
#pragma once

#include <string>
#include <vector>

// The exit status of the program.
enum ExitCode {
    kExitDone = 0,          // everything asked was done
    kExitUsage = 1,         // a wrong command line, or a destination that cannot take files
    kExitNoCamera = 2,      // no accepted camera is plugged in
    kExitSomeFailed = 3,    // some pictures were not done (named on standard error)
    kExitCameraBusy = 4,    // another program holds the camera
};

struct Options {
    std::string command;             // detect, info, list, get, thumbnails, delete, watch
    std::vector<std::string> names;  // the pictures named
    bool all = false;
    bool json = false;
    bool force = false;
    bool yes = false;
    bool quiet = false;
    bool deleteAfter = false;
    bool help = false;
    bool version = false;
    std::string dest = ".";          // the destination folder as the user wrote it
};

// False with a message in *error when the command line is wrong.
bool ParseOptions(int argc, char** argv, Options* options, std::string* error);
// The help text of the program, or of one subcommand.
const char* HelpText(const std::string& command);
