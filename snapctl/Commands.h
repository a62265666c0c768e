// snapctl's subcommands; each returns the program's exit status.
#pragma once

#include "ConsoleReport.h"
#include "Options.h"

ExitCode RunDetect(const Options& options, CConsoleReport& report);
ExitCode RunInfo(const Options& options, CConsoleReport& report);
ExitCode RunList(const Options& options, CConsoleReport& report);
ExitCode RunGet(const Options& options, CConsoleReport& report);
ExitCode RunThumbnails(const Options& options, CConsoleReport& report);
ExitCode RunDelete(const Options& options, CConsoleReport& report);
ExitCode RunWatch(const Options& options, CConsoleReport& report);

// Set by Ctrl+C: long work stops at the next picture.
bool Interrupted();
void CatchInterrupt();

// A string as a JSON string literal.
std::string JsonString(const std::string& text);
