// The preprocessor of resource scripts: #include, #define (object-like and
// function-like macros), #undef, #if/#ifdef/#ifndef/#elif/#else/#endif with
// defined() and __has_include(), #pragma (ignored), #error.
//
// As with the platform's resource compiler, only the preprocessor lines of C
// headers (files named *.h, *.hpp, *.c, ...) are read; their C declarations
// are skipped. So a script can include the platform's windows.h or a
// program's resource.h to get its constants. Angle-bracket includes that are
// not found (the host C library's headers that the platform's headers name)
// are skipped; a quoted include that is not found is an error.
#pragma once

#include "files.h"
#include "token.h"

#include <map>
#include <set>
#include <string>
#include <vector>

namespace rc {

class Preprocessor {
public:
    Preprocessor(FileReader& files, std::vector<std::string> includeDirs);

    // Defines an object-like macro (as -D does).
    void Define(const std::string& name, const std::string& value);
    // Preprocesses the script; returns the tokens of its statements with
    // every macro expanded.
    std::vector<Token> Run(const std::string& scriptPath);
    // Every file read, the script first (for dependency files).
    const std::vector<std::string>& FilesRead() const { return filesRead_; }
    // Reads a file named in a statement at `where` (a bitmap, an icon),
    // found as a quoted #include would be: beside that statement's file, then
    // beside the script, then in the include folders. Counts as read.
    std::string ReadNamedFile(const std::string& name, const Location& where);

private:
    struct Macro {
        bool functionLike = false;
        std::vector<std::string> params;
        std::vector<Token> body;
    };
    struct Conditional {
        bool parentActive;
        bool active;
        bool taken;   // some branch has been active
        bool sawElse;
        Location where;
    };
    struct FileState {
        std::string path;
        bool directivesOnly;
        std::vector<Conditional> conditionals;
        std::vector<Token> pending;  // statement tokens not yet expanded
    };

    void ProcessFile(const std::string& path, bool directivesOnly, const Location& includedFrom);
    void Directive(FileState& file, const std::string& line, const Location& where);
    void ConditionalDirective(FileState& file, const std::string& name, const std::string& rest,
                              const Location& where);
    void DefineDirective(const std::string& rest, const Location& where);
    void IncludeDirective(FileState& file, const std::string& rest, const Location& where);
    bool EvaluateCondition(const std::string& rest, const Location& where, const std::string& fromFile);
    std::string ResolveInclude(const std::string& name, bool quoted, const std::string& fromFile);
    void Flush(FileState& file);
    bool Active(const FileState& file) const;
    // Expands macros in a token list.
    std::vector<Token> Expand(std::vector<Token> tokens);
    bool ExpandOne(const Token& use, std::vector<Token>& pending);

    FileReader& files_;
    std::vector<std::string> includeDirs_;
    std::string scriptDir_;
    std::map<std::string, Macro> macros_;
    std::set<std::string> onceFiles_;
    std::vector<std::string> filesRead_;
    std::vector<Token> output_;
    int depth_ = 0;
    size_t expansions_ = 0;
};

}  // namespace rc
