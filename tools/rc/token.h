// Tokens of resource scripts and of the C headers they include.
#pragma once

#include "diagnostics.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rc {

enum class TokenKind { Identifier, Number, String, Punct };

// The macros a token came out of, innermost first; shared between the
// tokens of one expansion.
struct HideSet {
    std::string name;
    std::shared_ptr<const HideSet> next;
};

struct Token {
    TokenKind kind = TokenKind::Punct;
    std::string text;    // identifier or punctuator spelling; a string's decoded bytes (UTF-8)
    int64_t value = 0;   // numbers
    Location where;
    // Macros that produced this token; they are not expanded again inside
    // their own expansion.
    std::shared_ptr<const HideSet> hidden;

    bool HiddenBy(const std::string& macro) const
    {
        for (const HideSet* h = hidden.get(); h; h = h->next.get())
            if (h->name == macro) return true;
        return false;
    }

    bool Is(TokenKind k, const char* spelling) const { return kind == k && text == spelling; }
    bool IsPunct(const char* spelling) const { return Is(TokenKind::Punct, spelling); }
    // Keywords of resource scripts are not case-sensitive.
    bool IsKeyword(const char* keyword) const;
};

// Splits one logical line (comments already removed) into tokens.
std::vector<Token> Tokenize(const std::string& line, const Location& where);

}  // namespace rc
