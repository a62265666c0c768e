// The decoder's rules at their edges, through its public interface only,
// with crafted streams: the colour conversion with both chroma values away
// from neutral, the frame rounding, the longest codes and the end of a
// block. The colour streams' MCUs carry DC values alone, so their samples
// are known exactly (a dequantised DC of 8 v gives v + 128 everywhere).
//
// The rule: blue = Y + trunc(1.772 Cb'), green = Y - trunc(0.71414 Cr') -
// trunc(0.34414 Cb'), red = Y + trunc(1.402 Cr'), each product truncated
// towards zero on its own, then clamped to 0..255. Truncating the sum of
// the two green products instead, flooring, or rounding, each changes some
// of the values below by one.
#include "JpegTestStreams.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace {

using namespace jpegtest;

int Dc(int level) { return 8 * (level - 128); }

struct Sample {
    int y, cb, cr;
};

struct Colour {
    int blue, green, red;
    bool operator==(const Colour&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Colour& c)
{
    return out << "(" << c.blue << ", " << c.green << ", " << c.red << ")";
}

// Decodes one 16 x 8 MCU per sample, in a picture 16 MCUs wide, and gives
// the colour of each MCU's top-left pixel after checking that the whole
// MCU has it.
std::vector<Colour> DecodeSamples(const std::vector<Sample>& samples)
{
    constexpr int kMcusPerRow = 16;
    std::vector<Mcu> mcus;
    for (const Sample& s : samples) mcus.push_back(DcMcu(Dc(s.y), Dc(s.y), Dc(s.cb), Dc(s.cr)));
    int rows = static_cast<int>((samples.size() + kMcusPerRow - 1) / kMcusPerRow);
    while (mcus.size() < static_cast<size_t>(rows * kMcusPerRow)) mcus.push_back(DcMcu(0, 0, 0, 0));
    Decoded picture = DecodeMemory(MakePicture(16 * kMcusPerRow, 8 * rows, mcus));
    std::vector<Colour> colours;
    if (!picture.ok) {
        ADD_FAILURE() << "no picture";
        return colours;
    }
    for (size_t i = 0; i < samples.size(); ++i) {
        int x0 = static_cast<int>(i % kMcusPerRow) * 16, y0 = static_cast<int>(i / kMcusPerRow) * 8;
        const uint8_t* first = picture.At(x0, y0);
        for (int y = y0; y < y0 + 8; ++y)
            for (int x = x0; x < x0 + 16; ++x)
                if (!std::equal(first, first + 3, picture.At(x, y))) ADD_FAILURE() << "MCU " << i << " is not uniform";
        colours.push_back({first[0], first[1], first[2]});
    }
    return colours;
}

struct ColourCase {
    Sample sample;
    Colour colour;
};

// Worked by hand; the comment gives what truncating the green sum would give.
const ColourCase kMixedChroma[] = {
    {{100, 129, 129}, {101, 100, 101}},  // green: 0.71414 + 0.34414 = 1.058 -> 99
    {{100, 127, 131}, {99, 98, 104}},    // 2.142 - 0.344 = 1.798 -> 99
    {{100, 127, 127}, {99, 100, 99}},    // -0.714 - 0.344 = -1.058 -> 101
    {{100, 130, 126}, {103, 101, 98}},   // -1.428 + 0.688 = -0.740 -> 100
    {{100, 126, 130}, {97, 99, 102}},    // 1.428 - 0.688 = 0.740 -> 100
    {{100, 133, 133}, {108, 96, 107}},   // 3.571 + 1.721 = 5.291 -> 95
    {{128, 255, 0}, {255, 176, 0}},      // -91.410 + 43.706 = -47.704 -> 175
    {{200, 180, 60}, {255, 231, 105}},   // -48.562 + 17.895 = -30.666 -> 230
    {{60, 70, 190}, {0, 35, 146}},       // 44.277 - 19.960 = 24.317 -> 36
};

TEST(MixedChroma, EachProductIsTruncatedOnItsOwn)
{
    std::vector<Sample> samples;
    for (const ColourCase& c : kMixedChroma) samples.push_back(c.sample);
    std::vector<Colour> colours = DecodeSamples(samples);
    ASSERT_EQ(colours.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i) {
        const Sample& s = samples[i];
        EXPECT_EQ(colours[i], kMixedChroma[i].colour) << "Y " << s.y << ", Cb " << s.cb << ", Cr " << s.cr;
    }
}

// The rule as stated, computed independently of the decoder.
Colour Expected(const Sample& s)
{
    auto clamp = [](int v) { return std::min(255, std::max(0, v)); };
    double cb = s.cb - 128, cr = s.cr - 128;
    auto part = [](double product) { return static_cast<int>(std::trunc(product)); };
    return {clamp(s.y + part(1.772 * cb)), clamp(s.y - part(0.71414 * cr) - part(0.34414 * cb)),
            clamp(s.y + part(1.402 * cr))};
}

// Every chroma value against small and extreme values of the other, at a
// mid and a low luminance: both signs, both edges of each product's
// truncation, and the clamps.
TEST(MixedChroma, EveryChromaValueAgainstTheEdgesOfTheOther)
{
    const int others[] = {0, 1, 125, 126, 127, 129, 130, 131, 254, 255};
    std::vector<Sample> samples;
    for (int y : {128, 40})
        for (int value = 0; value < 256; ++value)
            for (int other : others) {
                samples.push_back({y, value, other});
                samples.push_back({y, other, value});
            }
    std::vector<Colour> colours = DecodeSamples(samples);
    ASSERT_EQ(colours.size(), samples.size());
    int mismatches = 0;
    for (size_t i = 0; i < samples.size() && mismatches < 10; ++i) {
        const Sample& s = samples[i];
        if (colours[i] == Expected(s)) continue;
        ++mismatches;
        ADD_FAILURE() << "Y " << s.y << ", Cb " << s.cb << ", Cr " << s.cr << ": " << colours[i] << " instead of "
                      << Expected(s);
    }
}

// Clamping at both ends of the byte, one step inside and one outside.
TEST(MixedChroma, ResultsClampAtTheEdgesOfAByte)
{
    const ColourCase cases[] = {
        {{255, 128, 128}, {255, 255, 255}}, {{256, 128, 128}, {255, 255, 255}}, {{254, 129, 129}, {255, 254, 255}},
        {{1, 127, 127}, {0, 1, 0}},         {{0, 128, 128}, {0, 0, 0}},         {{-1, 128, 128}, {0, 0, 0}},
    };
    std::vector<Sample> samples;
    for (const ColourCase& c : cases) samples.push_back(c.sample);
    std::vector<Colour> colours = DecodeSamples(samples);
    ASSERT_EQ(colours.size(), samples.size());
    for (size_t i = 0; i < samples.size(); ++i)
        EXPECT_EQ(colours[i], cases[i].colour) << "Y " << samples[i].y << ", Cb " << samples[i].cb << ", Cr " << samples[i].cr;
}

// The frame is rounded up to whole MCUs: 16 pixels across, 8 down.
TEST(FrameSize, RoundsUpToWholeMcusAtTheirEdges)
{
    struct Case {
        int width, height, mcus;
        LONG frameWidth, frameHeight;
    };
    for (const Case& c : {Case{15, 7, 1, 16, 8}, Case{16, 8, 1, 16, 8}, Case{17, 8, 2, 32, 8}, Case{16, 9, 2, 16, 16},
                          Case{17, 9, 4, 32, 16}}) {
        Decoded picture = DecodeMemory(MakePicture(c.width, c.height, std::vector<Mcu>(c.mcus)));
        ASSERT_TRUE(picture.ok) << c.width << " x " << c.height;
        EXPECT_EQ(picture.header.biWidth, c.frameWidth) << c.width;
        EXPECT_EQ(picture.header.biHeight, c.frameHeight) << c.height;
        EXPECT_EQ(picture.header.biSizeImage, static_cast<DWORD>(c.frameWidth * c.frameHeight * 3));
    }
}

// ---- Codes and runs ----------------------------------------------------------------------

// A one-MCU picture whose first block has DC difference 0 and then the AC
// symbols given (each with a value bit of 1 where it has a size); the other
// blocks are empty.
Bytes FirstBlockWithAc(const std::vector<int>& acSymbols)
{
    ScanEncoder encoder(FlatDcTable(), FlatAcTable());
    encoder.Symbol(false, 0);
    for (int rs : acSymbols) {
        encoder.Symbol(true, rs);
        if (rs & 15) encoder.Value(1);
    }
    Block empty{};
    int yPredictor = 0, cbPredictor = 0, crPredictor = 0;
    encoder.EncodeBlock(empty, yPredictor);
    encoder.EncodeBlock(empty, cbPredictor);
    encoder.EncodeBlock(empty, crPredictor);
    StreamBuilder builder;
    return builder.StandardHeaders().Sof0(16, 8).Sos().Raw(encoder.Finish()).Eoi().bytes;
}

TEST(BlockEnd, ARunMayEndAtTheLastCoefficientButNotPassIt)
{
    EXPECT_TRUE(DecodeMemory(FirstBlockWithAc({0xF0, 0xF0, 0xF0, 0xE1})).ok) << "a value at 63";
    EXPECT_TRUE(DecodeMemory(FirstBlockWithAc({0xE1, 0xF0, 0xF0, 0xF0})).ok) << "sixteen zeros ending at 63";
    EXPECT_FALSE(DecodeMemory(FirstBlockWithAc({0xF0, 0xF0, 0xF0, 0xF1})).ok) << "a value at 64";
    EXPECT_FALSE(DecodeMemory(FirstBlockWithAc({0xF0, 0xF0, 0xF0, 0xF0})).ok) << "sixteen zeros from 49";
}

// A DC table whose size-0 symbol (every difference of these pictures) has
// a code of `length` bits: one code at each shorter length first.
HuffmanSpec DcTableWithZeroAt(int length)
{
    HuffmanSpec spec;
    for (int l = 1; l <= length; ++l) spec.counts[l - 1] = 1;
    for (int l = 1; l < length; ++l) spec.values.push_back(static_cast<uint8_t>(l < 12 ? l : 15));
    spec.values.push_back(0);
    return spec;
}

TEST(LongestCodes, DcCodesMayBeTwelveBitsLong)
{
    for (int length : {11, 12, 13}) {
        HuffmanSpec dc = DcTableWithZeroAt(length);
        ScanEncoder encoder(dc, FlatAcTable());
        encoder.EncodeMcu(DcMcu(0, 0, 0, 0));
        StreamBuilder builder;
        builder.StandardHeaders().Dht(0, 0, dc).Dht(0, 1, dc).Sof0(16, 8).Sos().Raw(encoder.Finish()).Eoi();
        Decoded picture = DecodeMemory(builder.bytes);
        EXPECT_EQ(picture.ok, length <= 12) << length << " bits";
        if (picture.ok) {
            EXPECT_EQ(picture.pixels[0], 128);
        }
    }
}

}  // namespace
