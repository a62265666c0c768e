#include "expression.h"

#include <cstring>
#include <limits>
#include <strings.h>

namespace rc {

namespace {

// Binary operators by precedence level, loosest first.
const std::vector<std::vector<const char*>> kLevels = {
    {"||"}, {"&&"}, {"|"}, {"^"}, {"&"}, {"==", "!="}, {"<", ">", "<=", ">="}, {"<<", ">>"}, {"+", "-"},
    {"*", "/", "%"},
};

const char* const kCastTypes[] = {"BYTE",   "WORD",    "DWORD",    "LONG",     "ULONG",  "UINT",   "INT",
                                  "int",    "long",    "short",    "char",     "unsigned", "signed", "USHORT",
                                  "SHORT",  "LPSTR",   "LPCSTR",   "ULONG_PTR", "LONG_PTR", "UINT_PTR", "INT_PTR",
                                  "DWORD_PTR", "WPARAM", "LPARAM", "HRESULT",  "COLORREF", "BOOL"};

bool IsCastType(const Token& t)
{
    if (t.kind != TokenKind::Identifier) return false;
    for (const char* name : kCastTypes)
        if (t.text == name) return true;
    return false;
}

uint64_t U(int64_t v) { return static_cast<uint64_t>(v); }
int64_t S(uint64_t v) { return static_cast<int64_t>(v); }

}  // namespace

ExpressionParser::Nesting::Nesting(ExpressionParser& parser) : parser_(parser)
{
    if (parser_.depth_ >= kMaxNesting)
        Fail(parser_.Here(), "expression nested too deeply (more than " + std::to_string(kMaxNesting) + " levels)");
    ++parser_.depth_;
}

const Token& ExpressionParser::Peek() const
{
    static const Token kEnd;
    return AtEnd() ? kEnd : tokens_[pos_];
}

const Token& ExpressionParser::Next()
{
    if (AtEnd()) Fail(Here(), "expression ends too early");
    return tokens_[pos_++];
}

Location ExpressionParser::Here() const
{
    if (pos_ < tokens_.size()) return tokens_[pos_].where;
    return tokens_.empty() ? Location{} : tokens_.back().where;
}

int64_t ExpressionParser::Full()
{
    Nesting nesting(*this);
    int64_t condition = Binary(0);
    if (!Peek().IsPunct("?")) return condition;
    Next();
    int64_t whenTrue = Full();
    if (!Peek().IsPunct(":")) Fail(Here(), "':' expected in conditional expression");
    Next();
    int64_t whenFalse = Full();
    return condition ? whenTrue : whenFalse;
}

int64_t ExpressionParser::Binary(int level)
{
    if (level >= static_cast<int>(kLevels.size())) return Unary();
    int64_t left = Binary(level + 1);
    for (;;) {
        const Token& op = Peek();
        if (op.kind != TokenKind::Punct) return left;
        const char* found = nullptr;
        for (const char* candidate : kLevels[static_cast<size_t>(level)])
            if (op.text == candidate) found = candidate;
        if (!found) return left;
        Location where = op.where;
        Next();
        int64_t right = Binary(level + 1);
        std::string o = found;
        if (o == "||") left = left || right;
        else if (o == "&&") left = left && right;
        else if (o == "|") left = S(U(left) | U(right));
        else if (o == "^") left = S(U(left) ^ U(right));
        else if (o == "&") left = S(U(left) & U(right));
        else if (o == "==") left = left == right;
        else if (o == "!=") left = left != right;
        else if (o == "<") left = left < right;
        else if (o == ">") left = left > right;
        else if (o == "<=") left = left <= right;
        else if (o == ">=") left = left >= right;
        else if (o == "<<") left = right < 0 || right > 63 ? 0 : S(U(left) << right);
        else if (o == ">>") left = right < 0 || right > 63 ? 0 : left >> right;
        else if (o == "+") left = S(U(left) + U(right));
        else if (o == "-") left = S(U(left) - U(right));
        else if (o == "*") left = S(U(left) * U(right));
        else {
            if (right == 0) Fail(where, "division by zero");
            if (left == std::numeric_limits<int64_t>::min() && right == -1) {
                left = o == "/" ? left : 0;
            } else {
                left = o == "/" ? left / right : left % right;
            }
        }
    }
}

int64_t ExpressionParser::Unary()
{
    Nesting nesting(*this);
    const Token& t = Peek();
    if (t.kind == TokenKind::Punct) {
        if (t.text == "-") {
            Next();
            return S(0 - U(Unary()));
        }
        if (t.text == "+") {
            Next();
            return Unary();
        }
        if (t.text == "~") {
            Next();
            return S(~U(Unary()));
        }
        if (t.text == "!") {
            Next();
            return !Unary();
        }
    }
    return Primary();
}

// "(DWORD)", "(unsigned long)", "(LPSTR)": casts change nothing here.
bool ExpressionParser::SkipCast()
{
    size_t i = pos_ + 1;
    size_t names = 0;
    while (i < tokens_.size() && (IsCastType(tokens_[i]) || tokens_[i].IsPunct("*"))) {
        ++i;
        ++names;
    }
    if (names == 0 || i >= tokens_.size() || !tokens_[i].IsPunct(")")) return false;
    pos_ = i + 1;
    return true;
}

int64_t ExpressionParser::Primary()
{
    if (AtEnd()) Fail(Here(), "expression ends too early");
    const Token& t = tokens_[pos_];
    if (t.kind == TokenKind::Number) {
        Next();
        return t.value;
    }
    if (t.IsPunct("(")) {
        if (SkipCast()) return Unary();
        Next();
        int64_t value = Full();
        if (!Peek().IsPunct(")")) Fail(Here(), "')' expected");
        Next();
        return value;
    }
    if (t.kind == TokenKind::Identifier) {
        if (undefinedIsZero_) {
            Next();
            return 0;
        }
        Fail(t.where, "undefined symbol '" + t.text + "'");
    }
    if (t.kind == TokenKind::String) Fail(t.where, "number expected, found a string");
    Fail(t.where, "number expected, found '" + t.text + "'");
}

}  // namespace rc
