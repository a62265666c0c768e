#include "CamlinkOptions.h"

namespace camlink {

bool ParseCamlinkOptions(const std::vector<std::string>& args, CamlinkOptions* options, std::string* error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options->help = true;
            continue;
        }
        if (option == "--version") {
            options->version = true;
            continue;
        }
        std::string* target = option == "--model" ? &options->model
                              : option == "--port" ? &options->port
                              : option == "--description" ? &options->description
                                                           : nullptr;
        if (!target) {
            *error = "unknown option " + option;
            return false;
        }
        if (i + 1 >= args.size() || args[i + 1].empty()) {
            *error = option + " needs a value";
            return false;
        }
        *target = args[++i];
    }
    if (options->model.empty() != options->port.empty()) {
        *error = "--model and --port go together";
        return false;
    }
    return true;
}

const char* CamlinkHelp()
{
    return "camlink: plugs the cameras that libgphoto2 reaches in as still-image devices, for as long as it runs\n"
           "\n"
           "  camlink                         every camera libgphoto2 auto-detects, as they come and go\n"
           "  camlink --model M --port P      that camera only, e.g.\n"
           "                                  --model \"Directory Browse\" --port disk:/home/me/Pictures\n"
           "  --description TEXT              the device description (default \"Marovane\"; snapfetch looks\n"
           "                                  for \"VX Digital Still Camera\", \"Pardex\", \"Marovane\",\n"
           "                                  \"Lumitra\" or \"Corvana Qa410m\")\n"
           "\n"
           "A camera is unplugged when it goes away and when camlink ends (Ctrl+C). Only JPEG pictures are\n"
           "offered, under 8-character names S0000000 to S9999999.\n"
           "\n"
           "  --version                       print camlink's version\n"
           "  --help                          this text\n";
}

}  // namespace camlink
