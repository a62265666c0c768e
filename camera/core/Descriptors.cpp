#include "Descriptors.h"

#include <winerror.h>

namespace camera {
namespace {

constexpr BYTE kDevice = 1, kConfiguration = 2, kString = 3, kInterface = 4, kEndpoint = 5;

std::vector<uint8_t> DeviceDescriptor()
{
    return {18, kDevice, 0x10, 0x01,  // USB 1.1
            0, 0, 0,                  // class given per interface
            64,                       // control endpoint packet size
            kVendorId & 0xFF, kVendorId >> 8, kProductId & 0xFF, kProductId >> 8,
            0x00, 0x01,               // device release 1.00
            1, 2, 3,                  // manufacturer, product, serial strings
            1};                       // one configuration
}

std::vector<uint8_t> InterfaceDescriptor() { return {9, kInterface, 0, 0, 3, 0xFF, 0, 0, 0}; }

std::vector<uint8_t> EndpointDescriptor(int index)
{
    switch (index) {
        case 0: return {7, kEndpoint, 0x81, 2, kPacketSize, 0, 0};              // bulk IN: data
        case 1: return {7, kEndpoint, 0x02, 2, kPacketSize, 0, 0};              // bulk OUT: commands
        default: return {7, kEndpoint, 0x83, 3, kEventChannelSize, 0, 16};  // interrupt IN: events
    }
}

std::vector<uint8_t> ConfigurationDescriptor()
{
    std::vector<uint8_t> all = {9, kConfiguration, 0, 0, 1, 1, 0, 0x80, 50};  // bus powered, 100 mA
    std::vector<uint8_t> interface = InterfaceDescriptor();
    all.insert(all.end(), interface.begin(), interface.end());
    for (int i = 0; i < 3; ++i) {
        std::vector<uint8_t> endpoint = EndpointDescriptor(i);
        all.insert(all.end(), endpoint.begin(), endpoint.end());
    }
    all[2] = static_cast<uint8_t>(all.size());
    return all;
}

// Next code point of UTF-8 text; malformed bytes stand for U+FFFD.
uint32_t NextCodePoint(const std::string& s, size_t* i)
{
    auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
    unsigned char b = byte((*i)++);
    int extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 ? 2 : b >= 0xC0 ? 1 : 0;
    if (b >= 0x80 && extra == 0) return 0xFFFD;
    uint32_t cp = extra == 0 ? b : b & (0x3F >> extra);
    for (int k = 0; k < extra; ++k) {
        if (*i >= s.size() || (byte(*i) & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (byte((*i)++) & 0x3F);
    }
    return cp > 0x10FFFF ? 0xFFFD : cp;
}

}  // namespace

std::vector<uint8_t> StringDescriptor(const std::string& utf8)
{
    std::vector<uint16_t> units;
    for (size_t i = 0; i < utf8.size();) {
        uint32_t cp = NextCodePoint(utf8, &i);
        size_t need = cp >= 0x10000 ? 2 : 1;
        if (units.size() + need > 126) break;  // bLength is one byte
        if (cp >= 0x10000) {
            cp -= 0x10000;
            units.push_back(static_cast<uint16_t>(0xD800 | (cp >> 10)));
            units.push_back(static_cast<uint16_t>(0xDC00 | (cp & 0x3FF)));
        } else {
            units.push_back(static_cast<uint16_t>(cp));
        }
    }
    std::vector<uint8_t> descriptor = {static_cast<uint8_t>(2 + 2 * units.size()), kString};
    for (uint16_t u : units) {
        descriptor.push_back(static_cast<uint8_t>(u));
        descriptor.push_back(static_cast<uint8_t>(u >> 8));
    }
    return descriptor;
}

DWORD BuildDescriptor(BYTE type, BYTE index, WORD /*language*/, const UsbStrings& strings, std::vector<uint8_t>* out)
{
    // Like most devices, the camera has one language and ignores the one asked for.
    bool exists = index == 0 || (type == kEndpoint && index < 3) || (type == kString && index <= 3);
    if (!exists) return ERROR_GEN_FAILURE;
    switch (type) {
        case kDevice: *out = DeviceDescriptor(); return 0;
        case kConfiguration: *out = ConfigurationDescriptor(); return 0;
        case kInterface: *out = InterfaceDescriptor(); return 0;
        case kEndpoint: *out = EndpointDescriptor(index); return 0;
        case kString: break;
        default: return ERROR_GEN_FAILURE;
    }
    const std::string* text[] = {nullptr, &strings.manufacturer, &strings.product, &strings.serial};
    *out = index == 0 ? std::vector<uint8_t>{4, kString, 0x09, 0x04} : StringDescriptor(*text[index]);
    return 0;
}

}  // namespace camera
