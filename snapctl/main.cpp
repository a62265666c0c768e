// snapctl: the camera from the command line.
#include "Commands.h"
#include "JpegDecoder.h"

#include <stdio.h>
#include <string.h>

#ifndef SNAPFETCH_VERSION
#define SNAPFETCH_VERSION "unknown"
#endif

// The decoder ends the program when it cannot allocate its tables; it says
// why in snapctl's own words first.
static void ShowDecoderFailure(LPCSTR lpszText) { fprintf(stderr, "snapctl: %s\n", lpszText); }

int main(int argc, char** argv)
{
    Options options;
    std::string error;
    if (!ParseOptions(argc, argv, &options, &error)) {
        fprintf(stderr, "snapctl: %s\n\n%s", error.c_str(), HelpText(options.command));
        return kExitUsage;
    }
    if (options.help) {
        fputs(HelpText(options.command), stdout);
        return kExitDone;
    }
    if (options.version) {
        printf("snapctl %s\n", SNAPFETCH_VERSION);
        return kExitDone;
    }
    CJpegDecoder::SetFatalMessageHandler(ShowDecoderFailure);
    CConsoleReport report(options.quiet);
    const std::string& c = options.command;
    // Commands that write files stop cleanly at the next picture on Ctrl+C;
    // the others may simply end.
    if (c == "get" || c == "thumbnails" || c == "watch") CatchInterrupt();
    if (c == "detect") return RunDetect(options, report);
    if (c == "info") return RunInfo(options, report);
    if (c == "list") return RunList(options, report);
    if (c == "get") return RunGet(options, report);
    if (c == "thumbnails") return RunThumbnails(options, report);
    if (c == "delete") return RunDelete(options, report);
    return RunWatch(options, report);
}
