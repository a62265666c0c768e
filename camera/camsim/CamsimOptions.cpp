#include "CamsimOptions.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

namespace camera {
namespace {

bool ParseEntryCount(const std::string& text, CamsimOptions* options)
{
    size_t eq = text.find('=');
    unsigned long long block = 0, count = 0;
    if (eq == std::string::npos || !ParseUnsigned(text.substr(0, eq), 0xFFFF, &block) ||
        !ParseUnsigned(text.substr(eq + 1), 255, &count)) {
        return false;
    }
    options->entryCounts.emplace_back(static_cast<int>(block), static_cast<int>(count));
    return true;
}

bool ParseCorruption(const std::string& text, CamsimOptions* options)
{
    size_t first = text.find(':'), second = text.find(':', first == std::string::npos ? 0 : first + 1);
    unsigned long long offset = 0, length = 0;
    if (first == 0 || first == std::string::npos || second == std::string::npos ||
        !ParseUnsigned(text.substr(first + 1, second - first - 1), 1u << 30, &offset) ||
        !ParseUnsigned(text.substr(second + 1), 1u << 30, &length)) {
        return false;
    }
    options->corruptions.push_back({text.substr(0, first), static_cast<size_t>(offset), static_cast<size_t>(length)});
    return true;
}

}  // namespace

bool ParseSpeed(const std::string& text, uint64_t* bitsPerSecond)
{
    if (text == "unlimited" || text == "0") {
        *bitsPerSecond = 0;
        return true;
    }
    errno = 0;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (errno || end == text.c_str() || !std::isfinite(value) || value <= 0) return false;
    std::string unit = end;
    double scale = unit.empty() ? 1 : unit == "K" || unit == "k" ? 1e3 : unit == "M" || unit == "m" ? 1e6
                                    : unit == "G" || unit == "g" ? 1e9 : 0;
    if (scale == 0 || value * scale < 1 || value * scale > 1e12) return false;
    *bitsPerSecond = static_cast<uint64_t>(std::llround(value * scale));
    return true;
}

bool ParseCamsimOptions(const std::vector<std::string>& args, CamsimOptions* options, std::string* error)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& option = args[i];
        if (option == "--help" || option == "-h") {
            options->help = true;
            continue;
        }
        if (option == "--list") {
            options->list = true;
            continue;
        }
        if (option == "--log") {
            options->log = true;
            continue;
        }
        if (i + 1 == args.size()) {
            *error = option.rfind("--", 0) == 0 ? option + " needs a value" : "unknown argument " + option;
            return false;
        }
        const std::string& value = args[++i];
        unsigned long long number = 0;
        bool ok = true;
        if (option == "--pictures") {
            ok = ParseUnsigned(value, 100000, &number);
            options->pictures = static_cast<int>(number);
        } else if (option == "--folder") {
            options->folder = value;
        } else if (option == "--description") {
            options->settings.description = value;
        } else if (option == "--product") {
            options->settings.product = value;
        } else if (option == "--version") {
            ok = ParseUnsigned(value, 0xFFFFFFFF, &number);
            options->settings.version = static_cast<DWORD>(number);
        } else if (option == "--speed") {
            ok = ParseSpeed(value, &options->settings.linkBitsPerSecond);
        } else if (option == "--fault") {
            FaultRule rule;
            if (!ParseFaultRule(value, &rule, error)) {
                *error = "--fault " + value + ": " + *error;
                return false;
            }
            options->faults.push_back(rule);
        } else if (option == "--entry-count") {
            ok = ParseEntryCount(value, options);
        } else if (option == "--corrupt") {
            ok = ParseCorruption(value, options);
        } else {
            *error = "unknown option " + option;
            return false;
        }
        if (!ok) {
            *error = "bad value for " + option + ": " + value;
            return false;
        }
    }
    return true;
}

const char* CamsimHelp()
{
    return R"(camsim: a virtual USB still camera. Starting it plugs the camera in; Ctrl+C,
SIGTERM or the end of the program that started it unplugs it.

Usage: camsim [options]

  --pictures N          generated sample pictures on the card (default 12)
  --folder DIR          the card holds the JPEG files of DIR instead
  --description TEXT    the still-image device description (default "Marovane")
  --product TEXT        the USB product string (default: the description)
  --version V           the version the camera reports (default 0x01000000);
                        --version alone prints camsim's own version
  --speed RATE          link speed in bits per second: 12M (USB full speed),
                        1.5M, 800K, ... or unlimited (default)
  --log                 print every request the camera receives
  --fault RULE          a fault of the link (may be repeated), see below
  --entry-count B=C     directory block B reports C entries (C up to 255)
  --corrupt NAME:OFFSET:LENGTH
                        invert LENGTH bytes of file NAME (8.3 without the dot,
                        as "T0000002JPG") from OFFSET
  --list                print the cameras plugged in (one a line: internal
                        name, description and port, separated by tabs) and end
  --help                this text

Fault rules: STEP[:OPCODE][@WHEN]=ACTION[:ARG]
  STEP    send-command, get-reply, get-descriptor, get-channel-info, reset,
          data-read (a ReadFile of a read command's data), status-read (the
          ReadFile of its final 16-byte reply), or any
  OPCODE  the command's opcode (send-command, the reads), the opcode asked
          (get-reply), the descriptor type (get-descriptor) or the selector
          (reset); any when left out
  WHEN    N (the Nth such step since the link opened), +N (the same; counted
          from when the rule arrives) or every (the default)
  ACTION  delay:MS      complete MS platform milliseconds late
          hang          never complete (until cancelled or unplugged)
          state:N       reply with wState N
          werror:N      reply with wError N
          stamp         reply with a stamp that is not the command's
          value:N       reply with dwValue N: the camera's error code in a
                        status (get-reply:1, status-read), the directory size
                        (get-reply:2), the version (get-reply:7)
          unplug        unplug the camera as the step arrives
          fail:E        the kernel driver fails the request at once with
                        Win32 error E
          short:N       deliver only the first N bytes of the step's data,
                        reply or descriptor
  Numbers may be written in hex (0x...). Steps are counted per process.

Examples:
  camsim --pictures 30 --speed 12M
  camsim --fault get-reply:1@2=hang --fault data-read@3=delay:9000
  camsim --fault get-reply:2=value:513 --entry-count 0=26
)";
}

}  // namespace camera
