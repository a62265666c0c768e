// Reads the binary resource formats back in tests.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

class TemplateReader {
public:
    TemplateReader(const void* data, size_t size) : data_(static_cast<const uint8_t*>(data)), size_(size) {}

    uint16_t Word()
    {
        uint16_t v = 0;
        if (offset_ + 2 <= size_) std::memcpy(&v, data_ + offset_, 2);
        offset_ += 2;
        return v;
    }
    uint32_t Dword()
    {
        uint32_t lo = Word();
        return lo | static_cast<uint32_t>(Word()) << 16;
    }
    uint8_t Byte() { return offset_ < size_ ? data_[offset_++] : (offset_++, 0); }
    // A UTF-16 string of ASCII characters.
    std::string String()
    {
        std::string s;
        for (uint16_t c = Word(); c != 0 && offset_ <= size_; c = Word()) s += c < 0x80 ? static_cast<char>(c) : '?';
        return s;
    }
    std::u16string WideString()
    {
        std::u16string s;
        for (uint16_t c = Word(); c != 0 && offset_ <= size_; c = Word()) s += static_cast<char16_t>(c);
        return s;
    }
    // Ordinal (0xFFFF, n) as "#n", none as "", or the string.
    std::string Field()
    {
        uint16_t first = Word();
        if (first == 0xFFFF) return std::string(1, '#').append(std::to_string(Word()));
        offset_ -= 2;
        return String();
    }
    void AlignToDword() { offset_ = (offset_ + 3) & ~size_t{3}; }
    size_t Offset() const { return offset_; }
    bool AtEnd() const { return offset_ >= size_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t offset_ = 0;
};
