// The camera's standard USB descriptors: a full-speed device with one
// configuration of one vendor-specific interface and three endpoints (bulk
// IN for data, bulk OUT for commands, interrupt IN for events), and string
// descriptors 0 (languages: 0x0409), 1 (manufacturer), 2 (product) and
// 3 (serial number) in UTF-16LE.
#pragma once

#include <windef.h>

#include <cstdint>
#include <string>
#include <vector>

namespace camera {

struct UsbStrings {
    std::string manufacturer;
    std::string product;
    std::string serial;
};

// 0 with the whole descriptor in *out, or ERROR_GEN_FAILURE for one the
// device does not have (the device stalls the request). The caller cuts the
// descriptor to the requested length, as a USB control transfer does.
DWORD BuildDescriptor(BYTE type, BYTE index, WORD language, const UsbStrings& strings, std::vector<uint8_t>* out);

// bLength, type 3, then the text in UTF-16LE (at most 126 code units).
std::vector<uint8_t> StringDescriptor(const std::string& utf8);

constexpr WORD kVendorId = 0xFFF0;
constexpr WORD kProductId = 0x0001;
constexpr DWORD kEventChannelSize = 8;  // the interrupt endpoint's packet size
constexpr DWORD kPacketSize = 64;       // the bulk endpoints' packet size

}  // namespace camera
