#include "Options.h"

#include <string.h>

namespace {

struct CommandSwitches {
    const char* command;
    const char* switches;  // the switches it takes, each between blanks
    bool takesNames;
};

const CommandSwitches kCommands[] = {
    {"detect", " ", false},
    {"info", " ", false},
    {"list", " --json ", false},
    {"get", " --all --dest --force --json ", true},
    {"thumbnails", " --all --dest ", true},
    {"delete", " --all --yes ", true},
    {"watch", " --dest --delete-after ", false},
};

const CommandSwitches* FindCommand(const std::string& name)
{
    for (const CommandSwitches& c : kCommands)
        if (name == c.command) return &c;
    return nullptr;
}

bool Takes(const CommandSwitches& c, const std::string& option)
{
    return strstr(c.switches, (" " + option + " ").c_str()) != nullptr;
}

const char kExitCodes[] =
    "Exit status:\n"
    "  0  everything asked was done\n"
    "  1  wrong command line, or a destination that is not a writable folder\n"
    "  2  no camera plugged in\n"
    "  3  some pictures failed (each named on standard error)\n"
    "  4  camera busy: another program holds the camera\n";

}  // namespace

bool ParseOptions(int argc, char** argv, Options* options, std::string* error)
{
    const CommandSwitches* command = nullptr;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            options->help = true;
        } else if (arg == "--version") {
            options->version = true;
        } else if (arg == "--quiet" || arg == "-q") {
            options->quiet = true;
        } else if (!command && arg.rfind("-", 0) != 0) {
            command = FindCommand(arg);
            if (!command) {
                *error = "unknown command \"" + arg + "\"";
                return false;
            }
            options->command = arg;
        } else if (!command) {
            *error = "unknown option \"" + arg + "\"";
            return false;
        } else if (arg.rfind("--", 0) == 0) {
            if (!Takes(*command, arg)) {
                *error = options->command + " does not take \"" + arg + "\"";
                return false;
            }
            if (arg == "--all") options->all = true;
            else if (arg == "--json") options->json = true;
            else if (arg == "--force") options->force = true;
            else if (arg == "--yes") options->yes = true;
            else if (arg == "--delete-after") options->deleteAfter = true;
            else if (arg == "--dest") {
                if (i + 1 >= argc || argv[i + 1][0] == '\0') {
                    *error = "--dest needs a folder";
                    return false;
                }
                options->dest = argv[++i];
            }
        } else if (command->takesNames && arg[0] != '-') {
            options->names.push_back(arg);
        } else {
            *error = options->command + " does not take \"" + arg + "\"";
            return false;
        }
    }
    if (options->help || options->version) return true;
    if (!command) {
        *error = "no command given";
        return false;
    }
    if (command->takesNames && options->all == !options->names.empty()) {
        *error = options->command + " needs --all or picture names (not both)";
        return false;
    }
    return true;
}

const char* HelpText(const std::string& command)
{
    static std::string text;
    if (command == "detect")
        text = "Usage: snapctl detect\n\n"
               "Lists the still-image cameras plugged in: description and port, and\n"
               "whether snapfetch and snapctl work with it (\"accepted\").\n\n";
    else if (command == "info")
        text = "Usage: snapctl info\n\n"
               "The accepted camera: its description, port, camera version, status and\n"
               "the number of pictures on it.\n\n";
    else if (command == "list")
        text = "Usage: snapctl list [--json]\n\n"
               "One line per picture: name, file size and thumbnail length, in bytes.\n"
               "  --json   the pictures as a JSON array on standard output\n\n";
    else if (command == "get")
        text = "Usage: snapctl get (--all | NAME...) [--dest DIR] [--force] [--json]\n\n"
               "Downloads pictures as NAME.jpg into DIR. A file of that name that exists\n"
               "already is left alone and reported as skipped, so a second run downloads\n"
               "only what is new. Files appear only once complete.\n"
               "  --all       every picture on the camera\n"
               "  --dest DIR  the destination folder (default: the current folder;\n"
               "              created when missing)\n"
               "  --force     replace files that exist already\n"
               "  --json      the results as a JSON array on standard output\n\n";
    else if (command == "thumbnails")
        text = "Usage: snapctl thumbnails (--all | NAME...) [--dest DIR]\n\n"
               "Writes each picture's thumbnail as a JPEG file named after the camera's\n"
               "thumbnail (T... .jpg) into DIR. A thumbnail that does not decode is\n"
               "reported and not written.\n\n";
    else if (command == "delete")
        text = "Usage: snapctl delete (--all | NAME...) [--yes]\n\n"
               "Deletes pictures on the camera. Without --yes it asks on the terminal,\n"
               "and refuses when standard input is not a terminal.\n\n";
    else if (command == "watch")
        text = "Usage: snapctl watch [--dest DIR] [--delete-after]\n\n"
               "Waits for a camera to be plugged in, downloads every picture that is not\n"
               "in DIR yet, then waits for the camera to go and for the next one.\n"
               "Ctrl+C ends it; a picture being written is finished or left out whole.\n"
               "  --dest DIR      the destination folder (default: the current folder)\n"
               "  --delete-after  delete each picture on the camera once its file is\n"
               "                  complete\n\n";
    else
        text = "Usage: snapctl [--quiet] COMMAND [options]\n\n"
               "The camera from the command line.\n\n"
               "Commands:\n"
               "  detect       the cameras plugged in\n"
               "  info         the camera's versions, status and number of pictures\n"
               "  list         the pictures on the camera\n"
               "  get          download pictures\n"
               "  thumbnails   save the pictures' thumbnails\n"
               "  delete       delete pictures on the camera\n"
               "  watch        download whenever a camera is plugged in\n\n"
               "Options:\n"
               "  --quiet      only errors on standard error\n"
               "  --help       this text; \"snapctl COMMAND --help\" for a command\n"
               "  --version    the program's version\n\n";
    text += kExitCodes;
    return text.c_str();
}
