#include "token.h"

#include <cctype>
#include <cstring>
#include <strings.h>

namespace rc {

bool Token::IsKeyword(const char* keyword) const
{
    return kind == TokenKind::Identifier && strcasecmp(text.c_str(), keyword) == 0;
}

namespace {

bool IsIdentifierStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool IsIdentifierChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Decimal or hexadecimal, with C's integer suffixes. Values wrap at 64 bits,
// which is wider than anything a script may hold.
bool ParseNumber(const std::string& text, int64_t* value)
{
    size_t i = 0;
    uint64_t v = 0;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    if (hex) {
        i = 2;
        size_t start = i;
        while (i < text.size() && HexDigit(text[i]) >= 0) v = v * 16 + static_cast<uint64_t>(HexDigit(text[i++]));
        if (i == start) return false;
    } else {
        while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])))
            v = v * 10 + static_cast<uint64_t>(text[i++] - '0');
    }
    for (; i < text.size(); ++i)
        if (!std::strchr("uUlL", text[i])) return false;
    *value = static_cast<int64_t>(v);
    return true;
}

// One escape sequence after a backslash at text[i]; appends its bytes and
// returns the index after it. An unknown escape keeps the backslash, so
// that file names such as "res\exitu.bmp" survive.
size_t DecodeEscape(const std::string& text, size_t i, std::string* out)
{
    char c = i + 1 < text.size() ? text[i + 1] : '\0';
    switch (c) {
    case 'n': *out += '\n'; return i + 2;
    case 't': *out += '\t'; return i + 2;
    case 'r': *out += '\r'; return i + 2;
    case 'a': *out += '\a'; return i + 2;
    case '\\': *out += '\\'; return i + 2;
    case '"': *out += '"'; return i + 2;
    case '\'': *out += '\''; return i + 2;
    case 'x':
    case 'X': {
        size_t j = i + 2;
        unsigned v = 0;
        int digits = 0;
        while (j < text.size() && digits < 4 && HexDigit(text[j]) >= 0) {
            v = v * 16 + static_cast<unsigned>(HexDigit(text[j++]));
            ++digits;
        }
        if (digits == 0) break;
        *out += static_cast<char>(v & 0xFF);
        return j;
    }
    default:
        if (c >= '0' && c <= '7') {
            size_t j = i + 1;
            unsigned v = 0;
            int digits = 0;
            while (j < text.size() && digits < 3 && text[j] >= '0' && text[j] <= '7') {
                v = v * 8 + static_cast<unsigned>(text[j++] - '0');
                ++digits;
            }
            *out += static_cast<char>(v & 0xFF);
            return j;
        }
        break;
    }
    *out += '\\';
    return i + 1;
}

// A quoted string starting at text[i] (the opening quote); "" inside stands
// for one quote, as in resource scripts.
size_t ReadString(const std::string& text, size_t i, const Location& where, std::string* out)
{
    ++i;
    for (;;) {
        if (i >= text.size()) Fail(where, "string not closed before the end of the line");
        char c = text[i];
        if (c == '"') {
            if (i + 1 < text.size() && text[i + 1] == '"') {
                *out += '"';
                i += 2;
                continue;
            }
            return i + 1;
        }
        if (c == '\\') {
            i = DecodeEscape(text, i, out);
            continue;
        }
        *out += c;
        ++i;
    }
}

size_t ReadCharLiteral(const std::string& text, size_t i, const Location& where, int64_t* value)
{
    std::string bytes;
    ++i;
    while (i < text.size() && text[i] != '\'') {
        if (text[i] == '\\') {
            i = DecodeEscape(text, i, &bytes);
        } else {
            bytes += text[i++];
        }
    }
    if (i >= text.size()) Fail(where, "character constant not closed");
    *value = bytes.empty() ? 0 : static_cast<unsigned char>(bytes[0]);
    return i + 1;
}

const char* const kTwoCharPuncts[] = {"<<", ">>", "<=", ">=", "==", "!=", "&&", "||", "##"};

}  // namespace

std::vector<Token> Tokenize(const std::string& line, const Location& where)
{
    std::vector<Token> tokens;
    size_t i = 0;
    while (i < line.size()) {
        char c = line[i];
        if (std::isspace(static_cast<unsigned char>(c))) {
            ++i;
            continue;
        }
        Token t;
        t.where = where;
        if ((c == 'L' || c == 'l') && i + 1 < line.size() && line[i + 1] == '"') {
            ++i;  // a wide string is stored like any other
            c = '"';
        }
        if (c == '"') {
            t.kind = TokenKind::String;
            i = ReadString(line, i, where, &t.text);
        } else if (c == '\'') {
            t.kind = TokenKind::Number;
            i = ReadCharLiteral(line, i, where, &t.value);
            t.text = std::to_string(t.value);
        } else if (IsIdentifierStart(c)) {
            t.kind = TokenKind::Identifier;
            size_t start = i;
            while (i < line.size() && IsIdentifierChar(line[i])) ++i;
            t.text = line.substr(start, i - start);
        } else if (std::isdigit(static_cast<unsigned char>(c))) {
            t.kind = TokenKind::Number;
            size_t start = i;
            while (i < line.size() && (IsIdentifierChar(line[i]) || line[i] == '.')) ++i;
            t.text = line.substr(start, i - start);
            // A malformed number (a float in a header) only fails if it is used.
            if (!ParseNumber(t.text, &t.value)) t.kind = TokenKind::Punct;
        } else {
            t.kind = TokenKind::Punct;
            t.text = std::string(1, c);
            for (const char* two : kTwoCharPuncts)
                if (line.compare(i, 2, two) == 0) t.text = two;
            i += t.text.size();
        }
        tokens.push_back(std::move(t));
    }
    return tokens;
}

}  // namespace rc
