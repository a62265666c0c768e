// rc: compiles a resource script into a C++ source that registers the
// resources with the module it is linked into.
//
//   rc [-I folder]... [-D name[=value]]... [-d depfile] -o output.cpp script.rc
//
// Errors are reported as "file:line: error: text" and end the run with
// status 1, so the build stops at the script's fault.
#include "emitter.h"
#include "preprocessor.h"
#include "script_parser.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

namespace {

struct Options {
    std::vector<std::string> includeDirs;
    std::vector<std::pair<std::string, std::string>> defines;
    std::string output;
    std::string depfile;
    std::string script;
};

[[noreturn]] void Usage(const char* problem)
{
    std::cerr << "rc: " << problem << "\n"
              << "usage: rc [-I folder]... [-D name[=value]]... [-d depfile] -o output.cpp script.rc\n";
    std::exit(2);
}

Options ParseArguments(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](const char* flag) -> std::string {
            if (arg.size() > 2) return arg.substr(2);
            if (i + 1 >= argc) Usage((std::string(flag) + " needs a value").c_str());
            return argv[++i];
        };
        if (arg.rfind("-I", 0) == 0) {
            options.includeDirs.push_back(value("-I"));
        } else if (arg.rfind("-D", 0) == 0) {
            std::string define = value("-D");
            size_t eq = define.find('=');
            options.defines.emplace_back(define.substr(0, eq), eq == std::string::npos ? "1" : define.substr(eq + 1));
        } else if (arg.rfind("-o", 0) == 0) {
            options.output = value("-o");
        } else if (arg.rfind("-d", 0) == 0) {
            options.depfile = value("-d");
        } else if (!arg.empty() && arg[0] == '-') {
            Usage(("unknown option " + arg).c_str());
        } else if (options.script.empty()) {
            options.script = arg;
        } else {
            Usage("only one script at a time");
        }
    }
    if (options.script.empty() || options.output.empty()) Usage("a script and -o are needed");
    return options;
}

bool WriteFile(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv)
{
    Options options = ParseArguments(argc, argv);
    rc::HostFileReader files;
    try {
        rc::Preprocessor preprocessor(files, options.includeDirs);
        for (const auto& [name, value] : options.defines) preprocessor.Define(name, value);
        std::vector<rc::Token> tokens = preprocessor.Run(options.script);
        std::vector<rc::Resource> resources = rc::ScriptParser(std::move(tokens), preprocessor).Parse();
        std::string name = options.script.substr(options.script.rfind('/') + 1);
        if (!WriteFile(options.output, rc::EmitSource(resources, name))) {
            std::cerr << "rc: cannot write " << options.output << "\n";
            return 1;
        }
        if (!options.depfile.empty() &&
            !WriteFile(options.depfile, rc::EmitDepfile(options.output, preprocessor.FilesRead()))) {
            std::cerr << "rc: cannot write " << options.depfile << "\n";
            return 1;
        }
    } catch (const rc::CompileError& error) {
        std::cerr << error.what() << "\n";
        std::remove(options.output.c_str());
        return 1;
    }
    return 0;
}
