// The process entry of framework programs (static library mfc_main): the
// program's static application object is built by then; main hands the
// command line after the program's name to AfxWinMain, whose result is the
// exit status.
#include <afxwin.h>

#include <string>

namespace {

// Arguments joined as the platform's command line has them: separated by
// blanks, quoted when they hold blanks or quotes.
std::string CommandLineAfterProgram(int argc, char** argv)
{
    std::string line;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) line += ' ';
        std::string argument = argv[i];
        if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        for (char c : argument) {
            if (c == '"') line += '\\';
            line += c;
        }
        line += '"';
    }
    return line;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string commandLine = CommandLineAfterProgram(argc, argv);
    return AfxWinMain(::GetModuleHandleA(nullptr), nullptr, commandLine.data(), SW_SHOWDEFAULT);
}
