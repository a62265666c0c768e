#include "preprocessor.h"

#include "expression.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <strings.h>

namespace rc {

namespace {

constexpr int kMaxIncludeDepth = 64;
constexpr size_t kMaxExpansions = 50000;  // far above what scripts need
constexpr size_t kMaxExpandedTokens = 1000000;

// Blanks out comments (keeping line breaks) outside strings and character
// constants. An unclosed string or constant ends with its line.
std::string StripComments(const std::string& text)
{
    std::string out = text;
    enum { Code, String, Char, LineComment, BlockComment } state = Code;
    for (size_t i = 0; i < out.size(); ++i) {
        char c = out[i];
        char next = i + 1 < out.size() ? out[i + 1] : '\0';
        switch (state) {
        case Code:
            if (c == '"') state = String;
            else if (c == '\'') state = Char;
            else if (c == '/' && next == '/') state = LineComment, out[i] = ' ';
            else if (c == '/' && next == '*') state = BlockComment, out[i] = out[i + 1] = ' ', ++i;
            break;
        case String:
        case Char:
            if (c == '\n') state = Code;
            else if (c == '\\' && next != '\n' && next != '\0') ++i;
            else if ((state == String && c == '"') || (state == Char && c == '\'')) state = Code;
            break;
        case LineComment:
            if (c == '\n') state = Code;
            else out[i] = ' ';
            break;
        case BlockComment:
            if (c == '*' && next == '/') state = Code, out[i] = out[i + 1] = ' ', ++i;
            else if (c != '\n') out[i] = ' ';
            break;
        }
    }
    return out;
}

std::string Trim(const std::string& s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool IsHeaderName(const std::string& path)
{
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return false;
    std::string ext = path.substr(dot + 1);
    for (const char* header : {"h", "hpp", "hh", "hxx", "c", "inl"})
        if (strcasecmp(ext.c_str(), header) == 0) return true;
    return false;
}

// The directive's name and the rest of the line.
void SplitDirective(const std::string& line, std::string* name, std::string* rest)
{
    size_t i = line.find('#') + 1;
    while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
    size_t start = i;
    while (i < line.size() && (std::isalnum(static_cast<unsigned char>(line[i])) || line[i] == '_')) ++i;
    *name = line.substr(start, i - start);
    *rest = Trim(line.substr(i));
}

// Comments removed, continuation lines joined: (first line number, text).
std::vector<std::pair<int, std::string>> LogicalLines(const std::string& text)
{
    std::string clean = StripComments(text);
    std::vector<std::pair<int, std::string>> lines;
    int number = 0;
    bool continues = false;
    size_t start = 0;
    while (start <= clean.size()) {
        size_t end = clean.find('\n', start);
        if (end == std::string::npos) end = clean.size();
        std::string line = clean.substr(start, end - start);
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        bool joinNext = !line.empty() && line.back() == '\\';
        if (joinNext) line.pop_back();
        if (continues) {
            lines.back().second += line;
        } else {
            lines.emplace_back(number, line);
        }
        continues = joinNext;
        if (end == clean.size()) break;
        start = end + 1;
    }
    return lines;
}

}  // namespace

Preprocessor::Preprocessor(FileReader& files, std::vector<std::string> includeDirs)
    : files_(files), includeDirs_(std::move(includeDirs))
{
    Define("RC_INVOKED", "1");
    Define("_WIN32", "1");
}

void Preprocessor::Define(const std::string& name, const std::string& value)
{
    Macro macro;
    macro.body = Tokenize(value, Location{"<command line>", 0});
    macros_[name] = std::move(macro);
}

std::vector<Token> Preprocessor::Run(const std::string& scriptPath)
{
    scriptDir_ = DirectoryOf(scriptPath);
    ProcessFile(scriptPath, false, Location{scriptPath, 0});
    return std::move(output_);
}

std::string Preprocessor::ReadNamedFile(const std::string& name, const Location& where)
{
    std::string path = ResolveInclude(name, true, where.file);
    if (path.empty()) Fail(where, "cannot find file '" + name + "'");
    std::string contents;
    if (!files_.Read(path, &contents)) Fail(where, "cannot read '" + path + "'");
    filesRead_.push_back(path);
    return contents;
}

void Preprocessor::ProcessFile(const std::string& path, bool directivesOnly, const Location& includedFrom)
{
    if (onceFiles_.count(path)) return;
    if (depth_ >= kMaxIncludeDepth) Fail(includedFrom, "includes nested too deeply");
    std::string text;
    if (!files_.Read(path, &text)) Fail(includedFrom, "cannot read '" + path + "'");
    filesRead_.push_back(path);
    ++depth_;
    FileState file{path, directivesOnly, {}, {}};
    for (const auto& [number, line] : LogicalLines(text)) {
        Location where{path, number};
        std::string trimmed = Trim(line);
        if (!trimmed.empty() && trimmed[0] == '#') {
            Directive(file, trimmed, where);
        } else if (!directivesOnly && Active(file)) {
            std::vector<Token> tokens = Tokenize(line, where);
            file.pending.insert(file.pending.end(), tokens.begin(), tokens.end());
        }
    }
    if (!file.conditionals.empty()) Fail(file.conditionals.back().where, "#if without #endif");
    Flush(file);
    --depth_;
}

bool Preprocessor::Active(const FileState& file) const
{
    return file.conditionals.empty() || file.conditionals.back().active;
}

void Preprocessor::Flush(FileState& file)
{
    if (file.pending.empty()) return;
    std::vector<Token> expanded = Expand(std::move(file.pending));
    file.pending.clear();
    output_.insert(output_.end(), expanded.begin(), expanded.end());
}

void Preprocessor::Directive(FileState& file, const std::string& line, const Location& where)
{
    std::string name, rest;
    SplitDirective(line, &name, &rest);
    if (name == "if" || name == "ifdef" || name == "ifndef" || name == "elif" || name == "else" || name == "endif") {
        ConditionalDirective(file, name, rest, where);
        return;
    }
    if (!Active(file)) return;
    Flush(file);
    if (name.empty()) return;  // a lone '#' is allowed
    if (name == "define") {
        DefineDirective(rest, where);
    } else if (name == "undef") {
        std::vector<Token> tokens = Tokenize(rest, where);
        if (tokens.empty() || tokens[0].kind != TokenKind::Identifier) Fail(where, "#undef needs a name");
        macros_.erase(tokens[0].text);
    } else if (name == "include") {
        IncludeDirective(file, rest, where);
    } else if (name == "pragma") {
        if (Trim(rest) == "once") onceFiles_.insert(file.path);
    } else if (name == "error") {
        Fail(where, "#error " + rest);
    } else if (name != "line" && name != "warning" && name != "ident") {
        Fail(where, "unknown directive '#" + name + "'");
    }
}

void Preprocessor::ConditionalDirective(FileState& file, const std::string& name, const std::string& rest,
                                        const Location& where)
{
    auto& stack = file.conditionals;
    if (name == "if" || name == "ifdef" || name == "ifndef") {
        bool parentActive = Active(file);
        bool value = false;
        if (parentActive) {
            if (name == "if") {
                value = EvaluateCondition(rest, where, file.path);
            } else {
                std::vector<Token> tokens = Tokenize(rest, where);
                if (tokens.empty() || tokens[0].kind != TokenKind::Identifier) Fail(where, "#" + name + " needs a name");
                value = macros_.count(tokens[0].text) != 0;
                if (name == "ifndef") value = !value;
            }
        }
        stack.push_back({parentActive, parentActive && value, parentActive && value, false, where});
        return;
    }
    if (stack.empty()) Fail(where, "#" + name + " without #if");
    Conditional& top = stack.back();
    if (name == "endif") {
        stack.pop_back();
    } else if (name == "else") {
        if (top.sawElse) Fail(where, "#else after #else");
        top.sawElse = true;
        top.active = top.parentActive && !top.taken;
        top.taken = top.taken || top.active;
    } else {  // elif
        if (top.sawElse) Fail(where, "#elif after #else");
        bool value = top.parentActive && !top.taken && EvaluateCondition(rest, where, file.path);
        top.active = value;
        top.taken = top.taken || value;
    }
}

void Preprocessor::DefineDirective(const std::string& rest, const Location& where)
{
    size_t i = 0;
    while (i < rest.size() && (std::isalnum(static_cast<unsigned char>(rest[i])) || rest[i] == '_')) ++i;
    std::string name = rest.substr(0, i);
    if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) Fail(where, "#define needs a name");
    Macro macro;
    std::string body = rest.substr(i);
    if (i < rest.size() && rest[i] == '(') {
        macro.functionLike = true;
        size_t close = rest.find(')', i);
        if (close == std::string::npos) Fail(where, "')' expected in macro parameters");
        for (const Token& t : Tokenize(rest.substr(i + 1, close - i - 1), where)) {
            if (t.kind == TokenKind::Identifier) macro.params.push_back(t.text);
            else if (!t.IsPunct(",") && !t.IsPunct(".")) Fail(where, "bad macro parameter '" + t.text + "'");
        }
        body = rest.substr(close + 1);
    }
    macro.body = Tokenize(body, where);
    macros_[name] = std::move(macro);
}

std::string Preprocessor::ResolveInclude(const std::string& name, bool quoted, const std::string& fromFile)
{
    std::vector<std::string> dirs;
    if (quoted) dirs = {DirectoryOf(fromFile), scriptDir_};
    dirs.insert(dirs.end(), includeDirs_.begin(), includeDirs_.end());
    if (IsAbsolutePath(name)) dirs = {""};
    for (const std::string& dir : dirs) {
        std::string candidate = JoinPath(dir, name);
        if (files_.Exists(candidate)) return candidate;
    }
    return "";
}

// The name between quotes or angle brackets; sets *quoted.
static bool IncludeName(const std::string& text, std::string* name, bool* quoted)
{
    std::string t = Trim(text);
    if (t.size() < 2 || (t[0] != '"' && t[0] != '<')) return false;
    char close = t[0] == '"' ? '"' : '>';
    size_t end = t.find(close, 1);
    if (end == std::string::npos || end == 1) return false;
    *name = t.substr(1, end - 1);
    *quoted = close == '"';
    return true;
}

void Preprocessor::IncludeDirective(FileState& file, const std::string& rest, const Location& where)
{
    std::string name;
    bool quoted = false;
    if (!IncludeName(rest, &name, &quoted)) Fail(where, "#include needs a file name in quotes or <>");
    std::string path = ResolveInclude(name, quoted, file.path);
    if (path.empty()) {
        if (quoted) Fail(where, "cannot find include file '" + name + "'");
        return;  // a host C library header named by the platform's headers
    }
    ProcessFile(path, file.directivesOnly || IsHeaderName(path), where);
}

bool Preprocessor::EvaluateCondition(const std::string& rest, const Location& where, const std::string& fromFile)
{
    std::vector<Token> raw = Tokenize(rest, where);
    std::vector<Token> tokens;
    for (size_t i = 0; i < raw.size(); ++i) {
        Token t = raw[i];
        if (t.kind == TokenKind::Identifier && (t.text == "defined" || t.text == "__has_include")) {
            bool isDefined = t.text == "defined";
            bool paren = i + 1 < raw.size() && raw[i + 1].IsPunct("(");
            size_t j = paren ? i + 2 : i + 1;
            bool value = false;
            if (isDefined) {
                if (j >= raw.size() || raw[j].kind != TokenKind::Identifier) Fail(where, "defined needs a name");
                value = macros_.count(raw[j].text) != 0;
                ++j;
            } else {
                if (!paren) Fail(where, "__has_include needs '('");
                std::string name;
                bool quoted = j < raw.size() && raw[j].kind == TokenKind::String;
                if (quoted) {
                    name = raw[j++].text;
                } else {
                    if (j >= raw.size() || !raw[j].IsPunct("<")) Fail(where, "__has_include needs a file name");
                    for (++j; j < raw.size() && !raw[j].IsPunct(">"); ++j) name += raw[j].text;
                    ++j;
                }
                value = !ResolveInclude(name, quoted, fromFile).empty();
            }
            if (paren) {
                if (j >= raw.size() || !raw[j].IsPunct(")")) Fail(where, "')' expected");
                ++j;
            }
            t.kind = TokenKind::Number;
            t.value = value;
            t.text = value ? "1" : "0";
            tokens.push_back(t);
            i = j - 1;
            continue;
        }
        tokens.push_back(t);
    }
    tokens = Expand(std::move(tokens));
    if (tokens.empty()) Fail(where, "#if needs an expression");
    size_t pos = 0;
    int64_t value = ExpressionParser(tokens, &pos, true).Full();
    if (pos != tokens.size()) Fail(tokens[pos].where, "unexpected '" + tokens[pos].text + "' in #if");
    return value != 0;
}

// Tokens wait on a stack (the next one on top); a macro use is replaced by
// its expansion pushed back onto the stack, so the expansion is scanned
// again together with what follows it, in time linear in the output.
std::vector<Token> Preprocessor::Expand(std::vector<Token> tokens)
{
    std::vector<Token> pending(std::make_move_iterator(tokens.rbegin()), std::make_move_iterator(tokens.rend()));
    std::vector<Token> output;
    while (!pending.empty()) {
        Token token = std::move(pending.back());
        pending.pop_back();
        if (!ExpandOne(token, pending)) output.push_back(std::move(token));
        if (pending.size() + output.size() > kMaxExpandedTokens) Fail(token.where, "macro expansion too large");
    }
    return output;
}

// Pushes the expansion of the macro use `use` onto `pending` (whose top
// holds the tokens after it); false when `use` is not an expandable use.
bool Preprocessor::ExpandOne(const Token& use, std::vector<Token>& pending)
{
    if (use.kind != TokenKind::Identifier) return false;
    auto it = macros_.find(use.text);
    if (it == macros_.end() || use.HiddenBy(use.text)) return false;
    const Macro& macro = it->second;
    std::vector<std::vector<Token>> args;
    if (macro.functionLike) {
        if (pending.empty() || !pending.back().IsPunct("(")) return false;
        pending.pop_back();
        int depth = 0;
        args.emplace_back();
        for (;;) {
            if (pending.empty()) Fail(use.where, "unclosed call of macro '" + use.text + "'");
            Token t = std::move(pending.back());
            pending.pop_back();
            if (t.IsPunct("(")) ++depth;
            if (t.IsPunct(")") && depth-- == 0) break;
            if (t.IsPunct(",") && depth == 0) {
                args.emplace_back();
                continue;
            }
            args.back().push_back(std::move(t));
        }
        if (macro.params.empty() && args.size() == 1 && args[0].empty()) args.clear();
        if (args.size() != macro.params.size())
            Fail(use.where, "macro '" + use.text + "' takes " + std::to_string(macro.params.size()) + " arguments");
    }
    if (++expansions_ > kMaxExpansions) Fail(use.where, "too many macro expansions");
    auto hidden = std::make_shared<const HideSet>(HideSet{use.text, use.hidden});
    std::vector<Token> replacement;
    for (const Token& t : macro.body) {
        auto param = std::find(macro.params.begin(), macro.params.end(), t.text);
        if (t.kind == TokenKind::Identifier && param != macro.params.end()) {
            for (Token a : args[static_cast<size_t>(param - macro.params.begin())]) {
                a.where = use.where;
                replacement.push_back(std::move(a));
            }
            continue;
        }
        Token copy = t;
        copy.where = use.where;
        copy.hidden = hidden;  // a definition's own tokens come out of nothing else
        replacement.push_back(std::move(copy));
    }
    pending.insert(pending.end(), std::make_move_iterator(replacement.rbegin()), std::make_move_iterator(replacement.rend()));
    return true;
}

}  // namespace rc
