// The decoder against its frozen reference (the decoder as it was before it
// was made faster): every stream, whole, damaged or hand-made with extreme
// coefficients, must give the same result, the same header and the same
// pixels to the last byte, from memory and from a file.
#include "JpegTestStreams.h"
#include "LibjpegPeer.h"
#include "ReferenceJpegDecoder.h"

#include <JpegColor.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace {

using namespace jpegtest;

struct Outcome {
    bool ok = false;
    Bytes header;
    Bytes pixels;
    bool operator==(const Outcome& other) const
    {
        return ok == other.ok && header == other.header && pixels == other.pixels;
    }
};

template <typename Decoder>
Outcome Keep(Decoder& decoder, const BYTE* pixels)
{
    Outcome outcome;
    outcome.ok = pixels != nullptr;
    const auto* header = reinterpret_cast<const uint8_t*>(decoder.GetBitmapHeader());
    outcome.header.assign(header, header + sizeof(BITMAPINFOHEADER));
    if (pixels) outcome.pixels.assign(pixels, pixels + decoder.GetBitmapHeader()->biSizeImage);
    decoder.FreeBuffers();
    return outcome;
}

template <typename Decoder>
Outcome FromMemory(const Bytes& stream)
{
    Decoder decoder;
    const BYTE* pixels = decoder.DecodeMemory(stream.empty() ? nullptr : stream.data(), static_cast<DWORD>(stream.size()));
    return Keep(decoder, pixels);
}

template <typename Decoder>
Outcome FromFile(const Bytes& stream)
{
    std::string hostPath;
    std::string path = ScratchDosPath("equivalence.jpg", &hostPath);
    std::ofstream(hostPath, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(stream.data()), static_cast<std::streamsize>(stream.size()));
    Decoder decoder;
    const BYTE* pixels = decoder.DecodeFile(path.c_str());
    return Keep(decoder, pixels);
}

// Counts of compared streams, to show that damage reaches both outcomes.
struct Tally {
    int decoded = 0;
    int failed = 0;
};

void ExpectSameFromMemory(const Bytes& stream, const std::string& what, Tally* tally = nullptr)
{
    Outcome expected = FromMemory<jpegreference::CJpegDecoder>(stream);
    Outcome actual = FromMemory<CJpegDecoder>(stream);
    ASSERT_TRUE(actual == expected) << what << ": reference " << (expected.ok ? "decodes" : "fails") << ", decoder "
                                    << (actual.ok ? "decodes" : "fails");
    if (tally) ++(expected.ok ? tally->decoded : tally->failed);
}

void ExpectSameFromFile(const Bytes& stream, const std::string& what)
{
    Outcome expected = FromFile<jpegreference::CJpegDecoder>(stream);
    Outcome actual = FromFile<CJpegDecoder>(stream);
    ASSERT_TRUE(actual == expected) << what << " (file): reference " << (expected.ok ? "decodes" : "fails")
                                    << ", decoder " << (actual.ok ? "decodes" : "fails");
}

void ExpectSame(const Bytes& stream, const std::string& what)
{
    ExpectSameFromMemory(stream, what);
    ExpectSameFromFile(stream, what);
}

// Tables for coefficients of every width: DC sizes 0 to 16, AC sizes 1 to 15.
HuffmanSpec WideDcTable()
{
    HuffmanSpec spec;
    for (int size = 0; size <= 16; ++size) spec.values.push_back(static_cast<uint8_t>(size));
    spec.counts[4] = static_cast<uint8_t>(spec.values.size());
    return spec;
}

HuffmanSpec WideAcTable()
{
    HuffmanSpec spec;
    spec.values = {0x00, 0xF0};
    for (int run = 0; run < 16; ++run)
        for (int size = 1; size <= 15; ++size) spec.values.push_back(static_cast<uint8_t>(run << 4 | size));
    spec.counts[7] = static_cast<uint8_t>(spec.values.size());
    return spec;
}

struct PeerPictureCase {
    int width, height, quality;
    bool optimised;
};

std::vector<PeerPictureCase> PeerPictureCases()
{
    std::vector<PeerPictureCase> cases;
    for (auto [width, height] : {std::pair{1, 1}, {16, 8}, {33, 17}, {100, 75}, {160, 120}, {17, 203}, {600, 40}})
        for (int quality : {3, 25, 50, 75, 90, 100})
            for (bool optimised : {false, true}) cases.push_back({width, height, quality, optimised});
    return cases;
}

Bytes PeerStream(const PeerPictureCase& c)
{
    return EncodeWithLibjpeg(SyntheticRgb(c.width, c.height, static_cast<uint32_t>(c.width * 31 + c.quality)), c.width,
                             c.height, c.quality, c.optimised);
}

TEST(Equivalence, PeerPicturesOfEverySizeQualityAndTableKind)
{
    for (const PeerPictureCase& c : PeerPictureCases()) {
        Bytes stream = PeerStream(c);
        ASSERT_FALSE(stream.empty());
        ExpectSame(stream, std::to_string(c.width) + "x" + std::to_string(c.height) + " q" + std::to_string(c.quality) +
                               (c.optimised ? " optimised" : ""));
    }
}

TEST(Equivalence, ALargePicture)
{
    Bytes stream = EncodeWithLibjpeg(SyntheticRgb(1024, 768, 99), 1024, 768, 85, false);
    ExpectSameFromMemory(stream, "1024x768");
}

// Random coefficients up to the widest values a block may carry, with
// coarse quantisation: the transform and the colour conversion far outside
// the range of real pictures, where nothing is clamped until the end.
TEST(Equivalence, ExtremeCoefficients)
{
    std::mt19937 random(2024);
    for (int round = 0; round < 40; ++round) {
        std::uniform_int_distribution<int> wide(-32767, 32767), narrow(-1023, 1023), percent(0, 99);
        int density = round % 4 == 0 ? 100 : 3 + round * 2;
        std::vector<Mcu> mcus(6);
        for (Mcu& mcu : mcus)
            for (Block& block : mcu)
                for (int& value : block)
                    if (percent(random) < density) value = round % 2 ? wide(random) : narrow(random);
        // DC values are absolute here: their differences may reach 16 bits.
        for (Mcu& mcu : mcus)
            for (Block& block : mcu) block[0] = std::clamp(block[0], -16383, 16383);
        ScanEncoder encoder(WideDcTable(), WideAcTable());
        for (const Mcu& mcu : mcus) encoder.EncodeMcu(mcu);
        StreamBuilder builder;
        builder.Soi().Dqt(0, static_cast<uint8_t>(1 + round * 6)).Dqt(1, static_cast<uint8_t>(255 - round * 3));
        for (int number = 0; number < 2; ++number) builder.Dht(0, number, WideDcTable()).Dht(1, number, WideAcTable());
        builder.Sof0(48, 16).Sos().Raw(encoder.Finish()).Eoi();
        ExpectSame(builder.bytes, "round " + std::to_string(round));
    }
}

// Damage of every kind to a few real pictures: bytes replaced, stuffed 0xFF
// bytes and markers put in, bytes left out, the stream cut short.
Bytes Damage(const Bytes& stream, std::mt19937& random)
{
    Bytes damaged = stream;
    std::uniform_int_distribution<size_t> anywhere(0, damaged.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255), kind(0, 5);
    for (int hits = 1 + static_cast<int>(random() % 4); hits > 0 && !damaged.empty(); --hits) {
        size_t at = anywhere(random) % damaged.size();
        switch (kind(random)) {
        case 0:
        case 1: damaged[at] = static_cast<uint8_t>(byte(random)); break;
        case 2: damaged[at] ^= static_cast<uint8_t>(1u << (random() % 8)); break;
        case 3: damaged.insert(damaged.begin() + static_cast<std::ptrdiff_t>(at), {0xFF, static_cast<uint8_t>(byte(random))}); break;
        case 4: damaged.erase(damaged.begin() + static_cast<std::ptrdiff_t>(at)); break;
        default: damaged.resize(at); break;
        }
    }
    return damaged;
}

TEST(Equivalence, DamagedStreams)
{
    std::vector<Bytes> originals;
    for (PeerPictureCase c : {PeerPictureCase{16, 8, 75, false}, {33, 17, 30, true}, {48, 16, 90, false},
                              {100, 75, 50, true}, {64, 24, 100, false}})
        originals.push_back(PeerStream(c));
    std::mt19937 random(77);
    Tally tally;
    for (int round = 0; round < 6000; ++round) {
        const Bytes& original = originals[round % originals.size()];
        Bytes damaged = Damage(original, random);
        ExpectSameFromMemory(damaged, "round " + std::to_string(round), &tally);
        if (round % 20 == 0) ExpectSameFromFile(damaged, "round " + std::to_string(round));
    }
    EXPECT_GT(tally.decoded, 100);
    EXPECT_GT(tally.failed, 100);
}

TEST(Equivalence, EveryTruncation)
{
    for (PeerPictureCase c : {PeerPictureCase{33, 17, 30, true}, {48, 16, 100, false}}) {
        Bytes stream = PeerStream(c);
        for (size_t length = 0; length <= stream.size(); ++length) {
            Bytes prefix(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length));
            ExpectSameFromMemory(prefix, "length " + std::to_string(length));
            if (length % 16 == 0 || length + 8 > stream.size()) ExpectSameFromFile(prefix, "length " + std::to_string(length));
        }
    }
}

// Scans of random bytes behind valid headers, with random Huffman tables:
// over-full, sparse, very long codes; stuffed and unstuffed 0xFF bytes.
TEST(Equivalence, RandomTablesAndScans)
{
    std::mt19937 random(5);
    Tally tally;
    for (int round = 0; round < 3000; ++round) {
        StreamBuilder builder;
        builder.Soi().Dqt(0, static_cast<uint8_t>(1 + random() % 40)).Dqt(1, static_cast<uint8_t>(1 + random() % 40));
        for (int tableClass = 0; tableClass < 2; ++tableClass) {
            for (int number = 0; number < 2; ++number) {
                HuffmanSpec spec;
                int total = 0;
                for (int length = 0; length < 16; ++length) {
                    int count = random() % 3 == 0 ? static_cast<int>(random() % (round % 7 == 0 ? 40 : 6)) : 0;
                    count = std::min(count, 256 - total);
                    spec.counts[length] = static_cast<uint8_t>(count);
                    total += count;
                }
                if (round % 2 == 0) {  // complete codes of one length: every bit string decodes
                    int length = 1 + static_cast<int>(random() % 8);
                    spec.counts = {};
                    total = std::min(1 << length, 255);
                    spec.counts[length - 1] = static_cast<uint8_t>(total);
                }
                for (int i = 0; i < total; ++i)
                    spec.values.push_back(static_cast<uint8_t>(round % 3 == 0 ? random() % 256 : random() % 17));
                builder.Dht(tableClass, number, spec);
            }
        }
        builder.Sof0(16 + 16 * static_cast<int>(random() % 3), 8 + 8 * static_cast<int>(random() % 2));
        builder.Sos(static_cast<uint8_t>(random() % 2 * 0x11), 0x11, static_cast<uint8_t>(random() % 2 * 0x10));
        Bytes scan(static_cast<size_t>(4 + random() % 200));
        int ffShare = static_cast<int>(random() % 20);
        for (uint8_t& byte : scan) byte = static_cast<int>(random() % 100) < ffShare ? 0xFF : static_cast<uint8_t>(random());
        builder.Raw(scan);
        if (round % 2) builder.Eoi();
        ExpectSameFromMemory(builder.bytes, "round " + std::to_string(round), &tally);
        if (round % 25 == 0) ExpectSameFromFile(builder.bytes, "round " + std::to_string(round));
    }
    EXPECT_GT(tally.decoded, 50);
    EXPECT_GT(tally.failed, 50);
}

// The transform alone, block by block: coefficients of every width, from
// those of real pictures to those whose first pass leaves 16 bits, and the
// widest ones the 32-bit arithmetic wraps on.
TEST(StageEquivalence, InverseDctOfEveryWidth)
{
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        int limit = std::array<int, 6>{64, 1024, 8192, 32767, 1 << 20, 0x7FFFFFFF}[round % 6];
        std::uniform_int_distribution<int> value(-limit, limit), percent(0, 99);
        int density = 1 + round % 100;
        LONG block[64] = {}, expected[64];
        for (LONG& coefficient : block)
            if (percent(random) < density) coefficient = value(random);
        std::copy(block, block + 64, expected);
        jpegreference::CJpegDecoder::InverseDct(expected);
        CJpegDecoder::InverseDct(block);
        ASSERT_TRUE(std::equal(block, block + 64, expected)) << "round " << round;
    }
}

// The vector colour terms against the arithmetic written out here, for every
// sample the vector path takes (all of 16 bits), each product on its own.
TEST(StageEquivalence, ChromaTermsOfEverySample)
{
    LONG cb[8], cr[8], blue[8], green[8], red[8];
    for (LONG first = -32768; first <= 32767; first += 8) {
        for (int i = 0; i < 8; ++i) cb[i] = first + i, cr[i] = 128;
        if (!ComputeChromaTermsOfRow(cb, cr, blue, green, red)) GTEST_SKIP() << "no vector path on this machine";
        for (int i = 0; i < 8; ++i) {
            double centred = static_cast<double>(cb[i]) - 128.0;
            ASSERT_EQ(blue[i], static_cast<LONGLONG>(1.772 * centred)) << "Cb " << cb[i];
            ASSERT_EQ(green[i], -static_cast<LONGLONG>(0.34414 * centred)) << "Cb " << cb[i];
        }
        for (int i = 0; i < 8; ++i) cb[i] = 128, cr[i] = first + i;
        ComputeChromaTermsOfRow(cb, cr, blue, green, red);
        for (int i = 0; i < 8; ++i) {
            double centred = static_cast<double>(cr[i]) - 128.0;
            ASSERT_EQ(red[i], static_cast<LONGLONG>(1.402 * centred)) << "Cr " << cr[i];
            ASSERT_EQ(green[i], -static_cast<LONGLONG>(0.71414 * centred)) << "Cr " << cr[i];
        }
    }
    // Both at once: the green term is the sum of the two truncations.
    std::mt19937 random(3);
    std::uniform_int_distribution<int> sample(-32768, 32767);
    for (int round = 0; round < 10000; ++round) {
        for (int i = 0; i < 8; ++i) cb[i] = sample(random), cr[i] = sample(random);
        ComputeChromaTermsOfRow(cb, cr, blue, green, red);
        for (int i = 0; i < 8; ++i) {
            ChromaTerms terms = ComputeChromaTerms(cb[i], cr[i]);
            ASSERT_EQ(green[i], terms.green) << "Cb " << cb[i] << " Cr " << cr[i];
        }
    }
}

int ExpectSameForFolder(const std::filesystem::path& folder, bool fromFile)
{
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream file(entry.path(), std::ios::binary);
        Bytes stream((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
        std::string what = entry.path().filename().string();
        if (fromFile) ExpectSame(stream, what);
        else ExpectSameFromMemory(stream, what);
        ++seen;
    }
    return seen;
}

TEST(Equivalence, FuzzSeeds)
{
    int seen = 0;
    for (const char* target : {"decode_memory", "decode_file"})
        seen += ExpectSameForFolder(std::filesystem::path(IMAGING_FUZZ_SEEDS) / target, true);
    EXPECT_GE(seen, 10);
}

// A corpus grown by the fuzz targets, when named: run with
// IMAGING_EQUIVALENCE_CORPUS=<folder> to compare every stream in it.
TEST(Equivalence, NamedCorpus)
{
    const char* folder = std::getenv("IMAGING_EQUIVALENCE_CORPUS");
    if (!folder) GTEST_SKIP() << "IMAGING_EQUIVALENCE_CORPUS not set";
    std::printf("%d streams compared\n", ExpectSameForFolder(folder, false));
}

}  // namespace
