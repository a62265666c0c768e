// Code-page conversions (the ANSI code page is UTF-8 here), wsprintf and the
// lstr functions.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <strings.h>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool KnownCodePage(UINT cp) { return cp == CP_ACP || cp == CP_OEMCP || cp == CP_UTF8; }

// Decodes one UTF-8 sequence at s[i..n). Returns false for a malformed one;
// `length` is then the number of bytes to skip (at least 1).
bool DecodeUtf8(const unsigned char* s, size_t n, size_t i, char32_t* cp, size_t* length)
{
    unsigned char b = s[i];
    if (b < 0x80) {
        *cp = b;
        *length = 1;
        return true;
    }
    size_t need;
    char32_t value, lowest;
    if ((b & 0xE0) == 0xC0) {
        need = 1, value = b & 0x1F, lowest = 0x80;
    } else if ((b & 0xF0) == 0xE0) {
        need = 2, value = b & 0x0F, lowest = 0x800;
    } else if ((b & 0xF8) == 0xF0) {
        need = 3, value = b & 0x07, lowest = 0x10000;
    } else {
        *length = 1;
        return false;
    }
    size_t k = 1;
    for (; k <= need; ++k) {
        if (i + k >= n || (s[i + k] & 0xC0) != 0x80) {
            *length = k;
            return false;
        }
        value = (value << 6) | (s[i + k] & 0x3F);
    }
    *length = k;
    if (value < lowest || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return false;
    *cp = value;
    return true;
}

void EncodeUtf8(char32_t cp, std::string* out)
{
    if (cp < 0x80) {
        out->push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out->push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out->push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out->push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out->push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar)
{
    if (!KnownCodePage(CodePage) || !lpMultiByteStr || cbMultiByte == 0 || cbMultiByte < -1 || cchWideChar < 0 ||
        (cchWideChar > 0 && !lpWideCharStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    // -1: the whole string with its terminator.
    size_t n = cbMultiByte == -1 ? strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
    const auto* s = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
    std::wstring out;
    for (size_t i = 0; i < n;) {
        char32_t cp = 0;
        size_t length = 0;
        if (!DecodeUtf8(s, n, i, &cp, &length)) {
            if (dwFlags & MB_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            cp = kReplacement;
        }
        out.push_back(static_cast<wchar_t>(cp));
        i += length;
    }
    if (cchWideChar == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cchWideChar)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(lpWideCharStr, out.data(), out.size() * sizeof(wchar_t));
    return static_cast<int>(out.size());
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR, LPBOOL lpUsedDefaultChar)
{
    if (!KnownCodePage(CodePage) || !lpWideCharStr || cchWideChar == 0 || cchWideChar < -1 || cbMultiByte < 0 ||
        (cbMultiByte > 0 && !lpMultiByteStr)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = cchWideChar == -1 ? wcslen(lpWideCharStr) + 1 : static_cast<size_t>(cchWideChar);
    std::string out;
    bool usedDefault = false;
    for (size_t i = 0; i < n; ++i) {
        auto cp = static_cast<char32_t>(lpWideCharStr[i]);
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
            if (dwFlags & WC_ERR_INVALID_CHARS) {
                SetLastError(ERROR_NO_UNICODE_TRANSLATION);
                return 0;
            }
            cp = kReplacement;
            usedDefault = true;
        }
        EncodeUtf8(cp, &out);
    }
    if (lpUsedDefaultChar) *lpUsedDefaultChar = usedDefault ? TRUE : FALSE;
    if (cbMultiByte == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(cbMultiByte)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    memcpy(lpMultiByteStr, out.data(), out.size());
    return static_cast<int>(out.size());
}

// The platform's wsprintf stores at most 1024 characters, terminator included.
int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist)
{
    constexpr size_t kLimit = 1024;
    if (!lpOut || !lpFmt) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    char buffer[kLimit];
    int n = vsnprintf(buffer, sizeof buffer, lpFmt, arglist);
    if (n < 0) n = 0;
    size_t stored = static_cast<size_t>(n) < kLimit ? static_cast<size_t>(n) : kLimit - 1;
    memcpy(lpOut, buffer, stored);
    lpOut[stored] = '\0';
    return static_cast<int>(stored);
}

int wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...)
{
    va_list args;
    va_start(args, lpFmt);
    int n = wvsprintfA(lpOut, lpFmt, args);
    va_end(args);
    return n;
}

int WINAPI lstrlenA(LPCSTR lpString) { return lpString ? static_cast<int>(strlen(lpString)) : 0; }

LPSTR WINAPI lstrcpyA(LPSTR lpString1, LPCSTR lpString2)
{
    if (!lpString1 || !lpString2) return nullptr;
    return strcpy(lpString1, lpString2);
}

LPSTR WINAPI lstrcpynA(LPSTR lpString1, LPCSTR lpString2, int iMaxLength)
{
    if (!lpString1 || !lpString2 || iMaxLength <= 0) return nullptr;
    size_t n = strnlen(lpString2, static_cast<size_t>(iMaxLength - 1));
    memcpy(lpString1, lpString2, n);
    lpString1[n] = '\0';
    return lpString1;
}

LPSTR WINAPI lstrcatA(LPSTR lpString1, LPCSTR lpString2)
{
    if (!lpString1 || !lpString2) return nullptr;
    return strcat(lpString1, lpString2);
}

int WINAPI lstrcmpA(LPCSTR lpString1, LPCSTR lpString2)
{
    int r = strcmp(lpString1 ? lpString1 : "", lpString2 ? lpString2 : "");
    return (r > 0) - (r < 0);
}

int WINAPI lstrcmpiA(LPCSTR lpString1, LPCSTR lpString2)
{
    int r = strcasecmp(lpString1 ? lpString1 : "", lpString2 ? lpString2 : "");
    return (r > 0) - (r < 0);
}

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator)
{
    if (nDenominator == 0) return -1;
    long long product = static_cast<long long>(nNumber) * nNumerator;
    // Rounds half away from zero, as the platform does.
    long long half = (nDenominator < 0 ? -nDenominator : nDenominator) / 2;
    long long result = ((product < 0) != (nDenominator < 0)) ? (product - half) / nDenominator
                                                               : (product + half) / nDenominator;
    if (result > INT32_MAX || result < INT32_MIN) return -1;
    return static_cast<int>(result);
}
