// Integer expressions of resource scripts and of #if lines: C's operators on
// 64-bit values, with casts to the platform's integer types accepted and
// ignored, as the resource compiler of the platform does.
#pragma once

#include "token.h"

#include <cstdint>
#include <vector>

namespace rc {

class ExpressionParser {
public:
    // Reads from tokens[*pos] on and advances *pos past the expression.
    // Identifiers left in the tokens are undefined symbols: an error, or 0
    // when `undefinedIsZero` (as on #if lines).
    ExpressionParser(const std::vector<Token>& tokens, size_t* pos, bool undefinedIsZero)
        : tokens_(tokens), pos_(*pos), undefinedIsZero_(undefinedIsZero)
    {
    }

    // A whole expression, conditional operator included.
    int64_t Full();
    // An expression without a top-level '|': one item of a style list, in
    // which '|' and NOT are read by the caller.
    int64_t Item() { return Binary(kLevelBelowOr); }

private:
    static constexpr int kLevelBelowOr = 3;  // the level of "^", just under "|"
    // Parentheses, prefix operators and conditionals nest by recursion; a
    // script nested deeper than any real one is refused before the stack
    // runs out.
    static constexpr int kMaxNesting = 200;

    // Counts one level of nesting for as long as it lives.
    class Nesting {
    public:
        explicit Nesting(ExpressionParser& parser);
        ~Nesting() { --parser_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        ExpressionParser& parser_;
    };

    int64_t Binary(int level);
    int64_t Unary();
    int64_t Primary();
    bool SkipCast();
    bool AtEnd() const { return pos_ >= tokens_.size(); }
    const Token& Peek() const;
    const Token& Next();
    Location Here() const;

    const std::vector<Token>& tokens_;
    size_t& pos_;
    bool undefinedIsZero_;
    int depth_ = 0;
};

}  // namespace rc
