// Hand-made JPEG streams for the decoder's tests: segment builders and a
// small baseline entropy encoder, so that tests can state exact coefficients,
// odd tables and broken segments; and our decoder's result copied out.
#pragma once

#include <JpegDecoder.h>
#include <winplat/host.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace jpegtest {

using Bytes = std::vector<uint8_t>;
using Block = std::array<int, 64>;  // quantised coefficients, natural order
using Mcu = std::array<Block, 4>;   // Y left, Y right, Cb, Cr

struct HuffmanSpec {
    std::array<uint8_t, 16> counts{};  // codes of length 1 to 16
    std::vector<uint8_t> values;
};

// Every symbol at one length: DC sizes 0 to 15 in 5 bits, the 162 baseline
// AC symbols in 8 bits.
inline HuffmanSpec FlatDcTable()
{
    HuffmanSpec spec;
    spec.counts[4] = 16;
    for (int size = 0; size < 16; ++size) spec.values.push_back(static_cast<uint8_t>(size));
    return spec;
}

inline HuffmanSpec FlatAcTable()
{
    HuffmanSpec spec;
    spec.values = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 10; ++size) spec.values.push_back(static_cast<uint8_t>(run << 4 | size));
    spec.counts[7] = static_cast<uint8_t>(spec.values.size());
    return spec;
}

struct HuffmanCode {
    uint32_t code = 0;
    int length = 0;  // 0 for a symbol not in the table
};

// The canonical code of each symbol, assigned length after length.
inline std::array<HuffmanCode, 256> CanonicalCodes(const HuffmanSpec& spec)
{
    std::array<HuffmanCode, 256> codes{};
    uint32_t code = 0;
    size_t next = 0;
    for (int length = 1; length <= 16; ++length, code <<= 1)
        for (int i = 0; i < spec.counts[length - 1]; ++i, ++code) codes[spec.values[next++]] = {code, length};
    return codes;
}

inline int SizeOf(int value)
{
    int size = 0;
    while ((value < 0 ? -value : value) >> size) ++size;
    return size;
}

// Entropy-coded data: bits with 0xFF stuffing, blocks with one predictor per
// component; Finish pads the last byte with 1 bits.
class ScanEncoder {
public:
    ScanEncoder(const HuffmanSpec& dc, const HuffmanSpec& ac) : dc_(CanonicalCodes(dc)), ac_(CanonicalCodes(ac)) {}

    void Put(uint32_t bits, int count)
    {
        for (int i = count - 1; i >= 0; --i) {
            pending_ = (pending_ << 1) | ((bits >> i) & 1);
            if (++pendingCount_ < 8) continue;
            bytes_.push_back(static_cast<uint8_t>(pending_));
            if (pending_ == 0xFF) bytes_.push_back(0x00);
            pending_ = pendingCount_ = 0;
        }
    }
    void Symbol(bool ac, int symbol) { Put((ac ? ac_ : dc_)[symbol].code, (ac ? ac_ : dc_)[symbol].length); }
    void Value(int value)  // the bits that follow a size symbol
    {
        int size = SizeOf(value);
        Put(static_cast<uint32_t>(value < 0 ? value - 1 : value) & ((1u << size) - 1), size);
    }
    void EncodeBlock(const Block& block, int& predictor)
    {
        static const std::array<int, 64> zigzag = ZigZag();
        Symbol(false, SizeOf(block[0] - predictor));
        Value(block[0] - predictor);
        predictor = block[0];
        int run = 0;
        for (int k = 1; k < 64; ++k) {
            int value = block[zigzag[k]];
            if (value == 0) {
                ++run;
                continue;
            }
            for (; run > 15; run -= 16) Symbol(true, 0xF0);
            Symbol(true, run << 4 | SizeOf(value));
            Value(value);
            run = 0;
        }
        if (run > 0) Symbol(true, 0x00);
    }
    void EncodeMcu(const Mcu& mcu)
    {
        for (int block = 0; block < 4; ++block) EncodeBlock(mcu[block], predictors_[block < 2 ? 0 : block - 1]);
    }
    Bytes Finish()
    {
        if (pendingCount_ > 0) Put(0xFF, 8 - pendingCount_);
        return bytes_;
    }

private:
    // Natural index of the k-th coefficient, walking the anti-diagonals.
    static std::array<int, 64> ZigZag()
    {
        std::array<int, 64> order{};
        for (int diagonal = 0, k = 0; diagonal < 15; ++diagonal) {
            for (int i = 0; i <= diagonal; ++i) {
                int row = diagonal % 2 == 0 ? diagonal - i : i, column = diagonal - row;
                if (row < 8 && column < 8) order[k++] = row * 8 + column;
            }
        }
        return order;
    }

    std::array<HuffmanCode, 256> dc_, ac_;
    Bytes bytes_;
    uint32_t pending_ = 0;
    int pendingCount_ = 0;
    int predictors_[3] = {};
};

struct StreamBuilder {
    StreamBuilder& Raw(const Bytes& more)
    {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return *this;
    }
    StreamBuilder& Soi() { return Raw({0xFF, 0xD8}); }
    StreamBuilder& Eoi() { return Raw({0xFF, 0xD9}); }
    StreamBuilder& Segment(uint8_t code, const Bytes& payload)
    {
        size_t length = payload.size() + 2;
        return Raw({0xFF, code, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)}).Raw(payload);
    }
    StreamBuilder& Dqt(int number, uint8_t value)  // every entry the same
    {
        Bytes payload(65, value);
        payload[0] = static_cast<uint8_t>(number);
        return Segment(0xDB, payload);
    }
    StreamBuilder& Dht(int tableClass, int number, const HuffmanSpec& spec)
    {
        Bytes payload(spec.counts.begin(), spec.counts.end());
        payload.insert(payload.begin(), static_cast<uint8_t>(tableClass << 4 | number));
        payload.insert(payload.end(), spec.values.begin(), spec.values.end());
        return Segment(0xC4, payload);
    }
    // Components: identifier, sampling factors, quantisation table.
    using Components = std::vector<std::array<uint8_t, 3>>;
    StreamBuilder& Sof0(int width, int height, const Components& components = {{1, 0x21, 0}, {2, 0x11, 1}, {3, 0x11, 1}})
    {
        Bytes payload{8, static_cast<uint8_t>(height >> 8), static_cast<uint8_t>(height),
                      static_cast<uint8_t>(width >> 8), static_cast<uint8_t>(width),
                      static_cast<uint8_t>(components.size())};
        for (const auto& component : components) payload.insert(payload.end(), component.begin(), component.end());
        return Segment(0xC0, payload);
    }
    StreamBuilder& Sos(uint8_t selector0 = 0x00, uint8_t selector1 = 0x11, uint8_t selector2 = 0x11)
    {
        return Segment(0xDA, {3, 1, selector0, 2, selector1, 3, selector2, 0, 63, 0});
    }
    // SOI, quantisation tables of 1 and the flat Huffman tables.
    StreamBuilder& StandardHeaders()
    {
        Soi().Dqt(0, 1).Dqt(1, 1);
        for (int number = 0; number < 2; ++number) Dht(0, number, FlatDcTable()).Dht(1, number, FlatAcTable());
        return *this;
    }
    Bytes bytes;
};

// A 4:2:2 picture of the given MCUs: flat tables, quantisation 1.
inline Bytes MakePicture(int width, int height, const std::vector<Mcu>& mcus, bool withEoi = true)
{
    ScanEncoder encoder(FlatDcTable(), FlatAcTable());
    for (const Mcu& mcu : mcus) encoder.EncodeMcu(mcu);
    StreamBuilder builder;
    builder.StandardHeaders().Sof0(width, height).Sos().Raw(encoder.Finish());
    return withEoi ? builder.Eoi().bytes : builder.bytes;
}

// An MCU of DC values only (dequantised, so 8 per sample step).
inline Mcu DcMcu(int yLeft, int yRight, int cb, int cr)
{
    Mcu mcu{};
    mcu[0][0] = yLeft, mcu[1][0] = yRight, mcu[2][0] = cb, mcu[3][0] = cr;
    return mcu;
}

// Offset of the entropy-coded data: just past the scan header.
inline size_t ScanOffset(const Bytes& stream)
{
    for (size_t i = 0; i + 3 < stream.size(); ++i)
        if (stream[i] == 0xFF && stream[i + 1] == 0xDA) return i + 2 + (stream[i + 2] << 8 | stream[i + 3]);
    return 0;
}

// Our decoder's result, with the header and the pixels copied out.
struct Decoded {
    bool ok = false;
    BITMAPINFOHEADER header{};
    Bytes pixels;
    // Blue, green, red of picture pixel (x, y), y counted from the top.
    const uint8_t* At(int x, int y) const
    {
        return pixels.data() + ((header.biHeight - 1 - y) * header.biWidth + x) * 3;
    }
};

inline Decoded CopyOut(CJpegDecoder& decoder, const BYTE* pixels)
{
    Decoded result;
    result.ok = pixels != nullptr;
    result.header = *decoder.GetBitmapHeader();
    if (pixels) result.pixels.assign(pixels, pixels + static_cast<size_t>(result.header.biSizeImage));
    decoder.FreeBuffers();
    return result;
}

inline Decoded DecodeMemory(const Bytes& stream)
{
    CJpegDecoder decoder;
    const BYTE* pixels = decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size()));
    return CopyOut(decoder, pixels);
}

// Drive C of the test is a scratch folder; returns the DOS path of a file in it.
inline std::string ScratchDosPath(const std::string& name, std::string* hostPath = nullptr)
{
    static const std::string driveC = [] {
        const char* scratch = std::getenv("WINPLAT_TEST_SCRATCH");
        std::string folder = (scratch ? scratch : std::filesystem::temp_directory_path().string()) + "/drive_c";
        std::filesystem::create_directories(folder);
        winplat::SetDriveCFolder(folder);
        return folder;
    }();
    if (hostPath) *hostPath = driveC + "/" + name;
    return "C:\\" + name;
}

inline Decoded DecodeFile(const Bytes& stream)
{
    std::string hostPath;
    std::string path = ScratchDosPath("picture.jpg", &hostPath);
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    CJpegDecoder decoder;
    const BYTE* pixels = decoder.DecodeFile(path.c_str());
    return CopyOut(decoder, pixels);
}

}  // namespace jpegtest
