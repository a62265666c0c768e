// Streams that cannot be pictures must fail cleanly, from memory and from a
// file; the sanitizer build checks that nothing outside the input is read.
#include "JpegTestStreams.h"

#include <gtest/gtest.h>

#include <random>

namespace {

using namespace jpegtest;

Bytes Concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

Bytes Repeat(size_t count, uint8_t value) { return Bytes(count, value); }

Bytes OneMcuScan()
{
    ScanEncoder encoder(FlatDcTable(), FlatAcTable());
    encoder.EncodeMcu(DcMcu(80, 80, 0, 0));
    return encoder.Finish();
}

// A valid picture from its parts: the tables, the frame header and the scan.
Bytes PictureWith(const Bytes& tables, const Bytes& frame, const Bytes& scanHeader = StreamBuilder().Sos().bytes)
{
    return Concat({{0xFF, 0xD8}, tables, frame, scanHeader, OneMcuScan(), {0xFF, 0xD9}});
}

Bytes StandardTables()
{
    StreamBuilder builder;
    builder.StandardHeaders();
    return Bytes(builder.bytes.begin() + 2, builder.bytes.end());
}

Bytes Frame(int width, int height) { return StreamBuilder().Sof0(width, height).bytes; }

Bytes FrameOf(std::vector<std::array<uint8_t, 3>> components)
{
    return StreamBuilder().Sof0(16, 8, components).bytes;
}

Bytes Segment(uint8_t code, const Bytes& payload) { return StreamBuilder().Segment(code, payload).bytes; }

Bytes HuffmanPayload(uint8_t classAndNumber, std::array<uint8_t, 16> counts, size_t valueCount)
{
    Bytes payload(1 + 16 + valueCount);
    payload[0] = classAndNumber;
    for (size_t i = 0; i < 16; ++i) payload[1 + i] = counts[i];
    for (size_t i = 0; i < valueCount; ++i) payload[17 + i] = static_cast<uint8_t>(i);
    return payload;
}

struct HostileCase {
    std::string name;
    Bytes stream;
};

std::vector<HostileCase> HostileCases()
{
    const Bytes tables = StandardTables();
    const Bytes frame = Frame(16, 8);
    const Bytes onlyTableZero =
        StreamBuilder().Dqt(0, 1).Dqt(1, 1).Dht(0, 0, FlatDcTable()).Dht(1, 0, FlatAcTable()).bytes;
    auto withQuant = [&](const Bytes& payload) { return PictureWith(Concat({Segment(0xDB, payload), tables}), frame); };
    auto withHuffman = [&](const Bytes& payload) {
        return PictureWith(Concat({tables, Segment(0xC4, payload)}), frame);
    };
    const Bytes huffmanHeader = {0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x77};  // one table of 100 values
    // AC table 0 again, its last value left out: the scan would not need it.
    Bytes truncatedAcTable = StreamBuilder().Dht(1, 0, FlatAcTable()).bytes;
    truncatedAcTable.erase(truncatedAcTable.begin(), truncatedAcTable.begin() + 4);
    truncatedAcTable.pop_back();
    return {
        {"TruncatedQuantTable", Concat({{0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x43, 0x00}, Repeat(10, 1)})},
        {"QuantTableRunsPastItsSegment", withQuant(Concat({{0}, Repeat(64, 1), {1}}))},
        {"SixteenBitQuantTable", withQuant(Concat({{0x10}, Repeat(128, 1)}))},
        {"QuantTableTwo", withQuant(Concat({{0x02}, Repeat(64, 1)}))},
        {"TruncatedHuffmanTable", Concat({{0xFF, 0xD8, 0xFF, 0xC4, 0x00, 0x1F, 0x00, 0, 1, 5}})},
        {"HuffmanValuesPastTheSegment", withHuffman(truncatedAcTable)},
        {"HuffmanValuesPastTheInput", Concat({huffmanHeader, HuffmanPayload(0x00, {0, 100}, 50)})},
        {"MoreThan256HuffmanValues", withHuffman(HuffmanPayload(0x10, {0, 0, 0, 0, 0, 0, 0, 0, 255, 255}, 510))},
        {"HuffmanClassTwo", withHuffman(HuffmanPayload(0x20, {0, 2}, 2))},
        {"HuffmanTableTwo", withHuffman(HuffmanPayload(0x02, {0, 2}, 2))},
        {"ComponentIdZero", PictureWith(tables, FrameOf({{0, 0x21, 0}, {2, 0x11, 1}, {3, 0x11, 1}}))},
        {"ComponentIdFour", PictureWith(tables, FrameOf({{1, 0x21, 0}, {2, 0x11, 1}, {4, 0x11, 1}}))},
        {"ComponentIdLarge", PictureWith(tables, FrameOf({{1, 0x21, 0}, {2, 0x11, 1}, {200, 0x11, 1}}))},
        {"QuantTableTwoInFrame", PictureWith(tables, FrameOf({{1, 0x21, 2}, {2, 0x11, 1}, {3, 0x11, 1}}))},
        {"OneComponent", PictureWith(tables, FrameOf({{1, 0x11, 0}}))},
        {"FourComponents", PictureWith(tables, FrameOf({{1, 0x21, 0}, {2, 0x11, 1}, {3, 0x11, 1}, {4, 0x11, 1}}))},
        {"WidthZero", PictureWith(tables, Frame(0, 8))},
        {"HeightZero", PictureWith(tables, Frame(16, 0))},
        {"LargestFrame", PictureWith(tables, Frame(65535, 65535))},
        {"FrameJustTooLarge", PictureWith(tables, Frame(65535, 10923))},
        {"SecondFrameHeader", PictureWith(tables, Concat({frame, frame}))},
        {"ShortFrameHeader", PictureWith(tables, Segment(0xC0, {8, 0, 8, 0, 16, 3, 1, 0x21, 0}))},
        {"ScanBeforeAnything", Concat({{0xFF, 0xD8}, OneMcuScan()})},
        {"ScanBeforeTheFrame", Concat({{0xFF, 0xD8}, tables, StreamBuilder().Sos().bytes, OneMcuScan()})},
        {"ScanWithoutHuffmanTables", PictureWith(StreamBuilder().Dqt(0, 1).Dqt(1, 1).bytes, frame)},
        {"UndefinedHuffmanTable", PictureWith(onlyTableZero, frame)},
        {"HuffmanSelectorOutOfRange", PictureWith(tables, frame, StreamBuilder().Sos(0x00, 0x22, 0x1F).bytes)},
        {"ShortScanHeader", PictureWith(tables, frame, Segment(0xDA, {3, 1, 0x00, 2}))},
        {"SegmentLengthZero", PictureWith(Concat({{0xFF, 0xE0, 0x00, 0x00}, tables}), frame)},
        {"SegmentLengthOne", PictureWith(Concat({{0xFF, 0xDB, 0x00, 0x01}, tables}), frame)},
        {"SegmentPastTheInput", Concat({{0xFF, 0xD8}, tables, {0xFF, 0xE1, 0x03, 0xE8, 1, 2, 3}})},
        {"OnlyStartOfImage", {0xFF, 0xD8}},
        {"LoneFFAtTheEnd", {0xFF, 0xD8, 0xFF}},
        {"FillBytesBeforeTheFrame", PictureWith(Concat({tables, {0xFF}}), frame)},
        {"NoScanData", Concat({{0xFF, 0xD8}, tables, frame, StreamBuilder().Sos().bytes, {0xFF, 0xD9}})},
    };
}

class HostileInput : public ::testing::TestWithParam<HostileCase> {};

TEST_P(HostileInput, FailsWithoutPicture)
{
    EXPECT_FALSE(DecodeMemory(GetParam().stream).ok);
    EXPECT_FALSE(DecodeFile(GetParam().stream).ok);
}

INSTANTIATE_TEST_SUITE_P(Streams, HostileInput, ::testing::ValuesIn(HostileCases()),
                         [](const ::testing::TestParamInfo<HostileCase>& info) { return info.param.name; });

TEST(HostileInputBaseline, TheUnbrokenPartsMakeAPicture)
{
    EXPECT_TRUE(DecodeMemory(PictureWith(StandardTables(), Frame(16, 8))).ok);
}

TEST(HostileInputBaseline, EveryTruncationFailsUntilTheScanIsWhole)
{
    std::vector<Mcu> mcus(6);
    for (int i = 0; i < 6; ++i) {
        mcus[i] = DcMcu(40 * i - 200, 17 * i, -9 * i, 30);
        mcus[i][0][i + 1] = 50 - 20 * i;
    }
    Bytes stream = MakePicture(48, 16, mcus);
    size_t scanEnd = stream.size() - 2;
    ASSERT_NE(stream[scanEnd - 2], 0xFF);
    for (size_t length = 0; length <= stream.size(); ++length) {
        Bytes prefix(stream.begin(), stream.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(DecodeMemory(prefix).ok, length >= scanEnd) << "length " << length;
    }
}

TEST(HostileInputBaseline, RandomDamageIsSurvived)
{
    std::vector<Mcu> mcus(8);
    for (int i = 0; i < 8; ++i) mcus[i] = DcMcu(100 * i - 300, 9 * i, -30, 12 * i);
    const Bytes stream = MakePicture(64, 16, mcus);
    std::mt19937 random(12345);
    std::uniform_int_distribution<size_t> position(0, stream.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int decoded = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes damaged = stream;
        for (int hits = 1 + round % 3; hits > 0; --hits) damaged[position(random)] = static_cast<uint8_t>(byte(random));
        decoded += DecodeMemory(damaged).ok;
    }
    EXPECT_GT(decoded, 0);
}

}  // namespace
