// DrawTextA: lines, word breaks, alignment, prefixes and ellipses.
#include "user.h"

#include <algorithm>

namespace {

int Width(HDC hdc, const std::string& text)
{
    SIZE size{0, 0};
    GetTextExtentPoint32A(hdc, text.data(), int(text.size()), &size);
    return size.cx;
}

// Removes '&' prefix marks ("&&" stands for one '&').
std::string WithoutPrefixes(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        else if (text[i] == '&') continue;
        out += text[i];
    }
    return out;
}

std::string ExpandTabs(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\t') out.append(8 - out.size() % 8, ' ');
        else out += c;
    }
    return out;
}

// Splits a paragraph into lines no wider than `width`, breaking at blanks
// (a word wider than the line is broken where it must be).
void WrapParagraph(HDC hdc, const std::string& paragraph, int width, std::vector<std::string>* lines)
{
    if (paragraph.empty()) {
        lines->push_back(std::string());
        return;
    }
    size_t start = 0;
    while (start < paragraph.size()) {
        size_t end = start;
        size_t lastBreak = std::string::npos;
        while (end < paragraph.size()) {
            size_t next = end + 1;
            if (Width(hdc, paragraph.substr(start, next - start)) > width && end > start) break;
            if (paragraph[end] == ' ') lastBreak = end;
            end = next;
        }
        if (end < paragraph.size() && lastBreak != std::string::npos && lastBreak > start) end = lastBreak;
        std::string line = paragraph.substr(start, end - start);
        while (!line.empty() && line.back() == ' ') line.pop_back();
        lines->push_back(line);
        start = end;
        while (start < paragraph.size() && paragraph[start] == ' ') ++start;
    }
}

std::string WithEllipsis(HDC hdc, const std::string& line, int width, bool path)
{
    if (Width(hdc, line) <= width) return line;
    if (path) {
        // Keep the last part of a path and shorten its front.
        size_t slash = line.find_last_of("\\/");
        std::string tail = slash == std::string::npos ? line : line.substr(slash);
        std::string head = slash == std::string::npos ? std::string() : line.substr(0, slash);
        while (!head.empty() && Width(hdc, head + "..." + tail) > width) head.pop_back();
        if (!head.empty()) return head + "..." + tail;
    }
    std::string shortened = line;
    while (!shortened.empty() && Width(hdc, shortened + "...") > width) shortened.pop_back();
    return shortened + "...";
}

}  // namespace

int WINAPI DrawTextA(HDC hdc, LPCSTR lpchText, int cchText, LPRECT lprc, UINT format)
{
    if (!lprc || (!lpchText && cchText != 0)) return 0;
    std::string text = cchText < 0 ? std::string(lpchText ? lpchText : "") : std::string(lpchText, size_t(cchText));
    if (format & DT_EXPANDTABS) text = ExpandTabs(text);
    if (!(format & DT_NOPREFIX)) text = WithoutPrefixes(text);
    TEXTMETRICA tm{};
    GetTextMetricsA(hdc, &tm);
    int lineHeight = std::max<int>(1, tm.tmHeight);
    int width = lprc->right - lprc->left;

    std::vector<std::string> lines;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : text) one += (c == '\r' || c == '\n') ? ' ' : c;
        lines.push_back(one);
    } else {
        size_t start = 0;
        while (start <= text.size()) {
            size_t end = text.find('\n', start);
            std::string paragraph = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            if (!paragraph.empty() && paragraph.back() == '\r') paragraph.pop_back();
            if (format & DT_WORDBREAK) WrapParagraph(hdc, paragraph, std::max(width, 1), &lines);
            else lines.push_back(paragraph);
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
    if (format & (DT_END_ELLIPSIS | DT_PATH_ELLIPSIS)) {
        for (std::string& line : lines) line = WithEllipsis(hdc, line, width, (format & DT_PATH_ELLIPSIS) != 0);
    }
    int height = int(lines.size()) * lineHeight;
    if (format & DT_CALCRECT) {
        int widest = 0;
        for (const std::string& line : lines) widest = std::max(widest, Width(hdc, line));
        lprc->right = lprc->left + widest;
        lprc->bottom = lprc->top + height;
        return height;
    }
    int y = lprc->top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) y = lprc->top + (lprc->bottom - lprc->top - lineHeight) / 2;
        else if (format & DT_BOTTOM) y = lprc->bottom - lineHeight;
    }
    int saved = SaveDC(hdc);
    if (!(format & DT_NOCLIP)) IntersectClipRect(hdc, lprc->left, lprc->top, lprc->right, lprc->bottom);
    UINT oldAlign = SetTextAlign(hdc, TA_LEFT | TA_TOP);
    for (const std::string& line : lines) {
        int lineWidth = Width(hdc, line);
        int x = lprc->left;
        if (format & DT_CENTER) x = lprc->left + (width - lineWidth) / 2;
        else if (format & DT_RIGHT) x = lprc->right - lineWidth;
        TextOutA(hdc, x, y, line.data(), int(line.size()));
        y += lineHeight;
    }
    SetTextAlign(hdc, oldAlign);
    RestoreDC(hdc, saved);
    return height;
}
