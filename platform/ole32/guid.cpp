// Text form of GUIDs.
#include "guid_text.h"

#include <cctype>
#include <cstdio>
#include <cwchar>

namespace ole32 {

std::string GuidText(REFGUID guid)
{
    char text[39];  // braces, 32 digits, 4 dashes and the terminator
    snprintf(text, sizeof text, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", guid.Data1, guid.Data2,
             guid.Data3, guid.Data4[0], guid.Data4[1], guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5],
             guid.Data4[6], guid.Data4[7]);
    return text;
}

}  // namespace ole32

int WINAPI StringFromGUID2(REFGUID rguid, LPWSTR lpsz, int cchMax)
{
    constexpr int kLength = 39;  // the text and its terminator
    if (!lpsz || cchMax < kLength) return 0;
    std::string text = ole32::GuidText(rguid);
    for (int i = 0; i < kLength; ++i) lpsz[i] = static_cast<WCHAR>(static_cast<unsigned char>(text[i]));
    return kLength;
}

HRESULT WINAPI CLSIDFromString(LPCWSTR lpsz, LPCLSID pclsid)
{
    if (!lpsz || !pclsid) return E_INVALIDARG;
    if (wcslen(lpsz) != 38) return CO_E_CLASSSTRING;
    char text[39];
    for (int i = 0; i < 39; ++i) {
        if (lpsz[i] > 0x7F) return CO_E_CLASSSTRING;
        text[i] = static_cast<char>(lpsz[i]);
    }
    // Pattern of the text form; 'x' is a hexadecimal digit.
    const char* pattern = "{xxxxxxxx-xxxx-xxxx-xxxx-xxxxxxxxxxxx}";
    for (int i = 0; i < 38; ++i) {
        if (pattern[i] == 'x' ? !isxdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i])
            return CO_E_CLASSSTRING;
    }
    unsigned d1, d2, d3, b[8];
    sscanf(text, "{%8x-%4x-%4x-%2x%2x-%2x%2x%2x%2x%2x%2x}", &d1, &d2, &d3, &b[0], &b[1], &b[2], &b[3], &b[4], &b[5],
           &b[6], &b[7]);
    pclsid->Data1 = d1;
    pclsid->Data2 = static_cast<WORD>(d2);
    pclsid->Data3 = static_cast<WORD>(d3);
    for (int i = 0; i < 8; ++i) pclsid->Data4[i] = static_cast<BYTE>(b[i]);
    return S_OK;
}
