// CString.
#include <afx.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <strings.h>

CString::CString(LPCSTR text, int length)
{
    if (text && length > 0) text_.assign(text, strnlen(text, static_cast<size_t>(length)));
}

CString::CString(char ch, int repeat)
{
    if (repeat > 0) text_.assign(static_cast<size_t>(repeat), ch);
}

CString& CString::operator=(LPCSTR text)
{
    text_ = text ? text : "";
    return *this;
}

CString& CString::operator=(char ch)
{
    text_.assign(1, ch);
    return *this;
}

char CString::GetAt(int index) const
{
    return index >= 0 && index < GetLength() ? text_[static_cast<size_t>(index)] : '\0';
}

void CString::SetAt(int index, char ch)
{
    if (index >= 0 && index < GetLength()) text_[static_cast<size_t>(index)] = ch;
}

CString& CString::operator+=(const CString& other)
{
    text_ += other.text_;
    return *this;
}

CString& CString::operator+=(LPCSTR text)
{
    if (text) text_ += text;
    return *this;
}

CString& CString::operator+=(char ch)
{
    text_ += ch;
    return *this;
}

// Each sum is a copy of the left side with the right side appended.
CString operator+(const CString& a, const CString& b) { return CString(a) += b; }
CString operator+(const CString& a, LPCSTR b) { return CString(a) += b; }
CString operator+(LPCSTR a, const CString& b) { return CString(a) += b; }
CString operator+(const CString& a, char b) { return CString(a) += b; }

int CString::Compare(LPCSTR text) const { return strcmp(text_.c_str(), text ? text : ""); }

int CString::CompareNoCase(LPCSTR text) const { return strcasecmp(text_.c_str(), text ? text : ""); }

// Left, Mid and Right clamp their arguments to the string, as the
// framework's do.
CString CString::Left(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(text_.substr(0, static_cast<size_t>(count)).c_str());
}

CString CString::Mid(int first) const { return Mid(first, GetLength() - first); }

CString CString::Mid(int first, int count) const
{
    first = std::max(first, 0);
    count = std::max(count, 0);
    if (first > GetLength()) return CString();
    count = std::min(count, GetLength() - first);
    return CString(text_.substr(static_cast<size_t>(first), static_cast<size_t>(count)).c_str());
}

CString CString::Right(int count) const
{
    count = std::clamp(count, 0, GetLength());
    return CString(text_.substr(text_.size() - static_cast<size_t>(count)).c_str());
}

void CString::MakeUpper()
{
    for (char& c : text_) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
}

void CString::MakeLower()
{
    for (char& c : text_) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
}

void CString::TrimLeft()
{
    size_t n = 0;
    while (n < text_.size() && isspace(static_cast<unsigned char>(text_[n]))) ++n;
    text_.erase(0, n);
}

void CString::TrimRight()
{
    while (!text_.empty() && isspace(static_cast<unsigned char>(text_.back()))) text_.pop_back();
}

int CString::Find(char ch, int start) const
{
    if (start < 0 || start >= GetLength()) return -1;
    size_t at = text_.find(ch, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::Find(LPCSTR sub, int start) const
{
    if (!sub || start < 0 || start > GetLength()) return -1;
    size_t at = text_.find(sub, static_cast<size_t>(start));
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(char ch) const
{
    size_t at = text_.rfind(ch);
    return at == std::string::npos ? -1 : static_cast<int>(at);
}

void CString::Format(LPCSTR format, ...)
{
    va_list args;
    va_start(args, format);
    FormatV(format, args);
    va_end(args);
}

void CString::FormatV(LPCSTR format, va_list args)
{
    if (!format) {
        text_.clear();
        return;
    }
    va_list copy;
    va_copy(copy, args);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    if (n < 0) {
        text_.clear();
        return;
    }
    std::string out(static_cast<size_t>(n) + 1, '\0');
    vsnprintf(out.data(), out.size(), format, args);
    out.resize(static_cast<size_t>(n));
    text_ = std::move(out);
}

LPSTR CString::GetBuffer(int minLength)
{
    if (minLength > GetLength()) text_.resize(static_cast<size_t>(minLength));
    return text_.data();
}

void CString::ReleaseBuffer(int newLength)
{
    if (newLength < 0) newLength = static_cast<int>(strnlen(text_.c_str(), text_.size()));
    text_.resize(static_cast<size_t>(std::min(newLength, GetLength())));
}

LPSTR CString::GetBufferSetLength(int newLength)
{
    text_.resize(static_cast<size_t>(std::max(newLength, 0)));
    return text_.data();
}

bool operator==(const CString& a, const CString& b) { return a.Compare(b) == 0; }
bool operator==(const CString& a, LPCSTR b) { return a.Compare(b) == 0; }
bool operator==(LPCSTR a, const CString& b) { return b.Compare(a) == 0; }
bool operator!=(const CString& a, const CString& b) { return !(a == b); }
bool operator!=(const CString& a, LPCSTR b) { return !(a == b); }
bool operator!=(LPCSTR a, const CString& b) { return !(a == b); }
bool operator<(const CString& a, const CString& b) { return a.Compare(b) < 0; }
