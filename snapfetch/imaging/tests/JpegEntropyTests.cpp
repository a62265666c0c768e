#include "JpegTestStreams.h"

#include <JpegEntropy.h>

#include <gtest/gtest.h>

#include <random>

namespace {

using jpegtest::Block;
using jpegtest::Bytes;
using jpegtest::HuffmanSpec;

// Code-length profiles of the usual luminance tables, filled with our symbols.
HuffmanSpec WithCounts(HuffmanSpec spec, std::array<uint8_t, 16> counts)
{
    spec.counts = counts;
    return spec;
}
const HuffmanSpec kVariedDc = WithCounts(
    [] {
        HuffmanSpec spec;
        for (int size = 0; size < 12; ++size) spec.values.push_back(static_cast<uint8_t>(size));
        return spec;
    }(),
    {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0});
const HuffmanSpec kVariedAc = WithCounts(jpegtest::FlatAcTable(), {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 125});

HuffmanTable RowsOf(const HuffmanSpec& spec)
{
    HuffmanTable table;
    int total = BuildHuffmanRows(spec.counts.data(), &table);
    if (!spec.values.empty()) {
        EXPECT_EQ(total, static_cast<int>(spec.values.size()));
    }
    return table;
}

TEST(HuffmanRows, AreTheCanonicalCodes)
{
    HuffmanTable table = RowsOf(kVariedDc);
    struct Row {
        int length, first, smallest, largest;
    };
    for (Row row : {Row{1, 0, 0, 0xFFFF}, Row{2, 0, 0, 0}, Row{3, 1, 2, 6}, Row{4, 6, 14, 14}, Row{9, 11, 510, 510},
                    Row{10, 12, 0, 0xFFFF}}) {
        const HuffmanRow& built = table.rows[row.length - 1];
        EXPECT_EQ(built.wFirstValue, row.first) << "length " << row.length;
        EXPECT_EQ(built.wSmallest, row.smallest) << "length " << row.length;
        EXPECT_EQ(built.wLargest, row.largest) << "length " << row.length;
    }
    // An empty length after codes still doubles the running code.
    HuffmanSpec gap;
    gap.counts = {0, 0, 2, 0, 3};
    table = RowsOf(gap);
    EXPECT_EQ(table.rows[2].wSmallest, 0);
    EXPECT_EQ(table.rows[2].wLargest, 1);
    EXPECT_EQ(table.rows[4].wSmallest, 8);
    EXPECT_EQ(table.rows[4].wLargest, 10);
}

TEST(HuffmanRows, FindEverySymbolOfItsCode)
{
    for (const HuffmanSpec& spec : {kVariedDc, kVariedAc, jpegtest::FlatAcTable()}) {
        HuffmanTable table = RowsOf(spec);
        auto codes = jpegtest::CanonicalCodes(spec);
        for (uint8_t symbol : spec.values) {
            const HuffmanRow& row = table.rows[codes[symbol].length - 1];
            ASSERT_GE(codes[symbol].code, row.wSmallest);
            ASSERT_LE(codes[symbol].code, row.wLargest);
            EXPECT_EQ(spec.values[row.wFirstValue + codes[symbol].code - row.wSmallest], symbol);
        }
    }
}

TEST(BitReader, SkipsStuffedBytesAndSuppliesZerosPastTheEnd)
{
    const Bytes data = {0xFF, 0x00, 0x12, 0xAB};
    JpegBitReader reader(data.data(), static_cast<DWORD>(data.size()), 0);
    EXPECT_EQ(reader.ReadBits(8), 0xFFu);
    EXPECT_EQ(reader.EndPosition(), 2u) << "the stuffed byte goes with its 0xFF";
    EXPECT_EQ(reader.ReadBits(4), 0x1u);
    EXPECT_EQ(reader.EndPosition(), 3u) << "a byte partly used counts whole";
    EXPECT_EQ(reader.ReadBits(8), 0x2Au);
    EXPECT_EQ(reader.ReadBits(4), 0xBu);
    EXPECT_EQ(reader.EndPosition(), 4u);
    EXPECT_FALSE(reader.Overrun()) << "the zero byte past the end is held but not used";
    EXPECT_EQ(reader.ReadBit(), 0u);
    EXPECT_TRUE(reader.Overrun());

    const Bytes lastIsFF = {0x12, 0xFF};
    JpegBitReader tail(lastIsFF.data(), static_cast<DWORD>(lastIsFF.size()), 0);
    EXPECT_EQ(tail.ReadBits(16), 0x12FFu);
    EXPECT_EQ(tail.EndPosition(), 2u) << "nothing to skip after the end";
    EXPECT_FALSE(tail.Overrun());
}

// Decodes one block encoded by the test encoder.
struct BlockDecode {
    bool ok;
    Block coefficients;
    LONG predictor;
};

BlockDecode DecodeEncoded(const Bytes& scan, const HuffmanSpec& dc, const HuffmanSpec& ac, LONG predictor = 0)
{
    HuffmanTable dcRows = RowsOf(dc), acRows = RowsOf(ac);
    HuffmanDecoder dcTable, acTable;
    PrepareHuffmanDecoder(dcRows, dc.values.data(), &dcTable);
    PrepareHuffmanDecoder(acRows, ac.values.data(), &acTable);
    static const BYTE zigzag[64] = {0,  1,  8,  16, 9,  2,  3,  10, 17, 24, 32, 25, 18, 11, 4,  5,
                                    12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,  7,  14, 21, 28,
                                    35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51,
                                    58, 59, 52, 45, 38, 31, 39, 46, 53, 60, 61, 54, 47, 55, 62, 63};
    JpegBitReader reader(scan.data(), static_cast<DWORD>(scan.size()), 0);
    static const BYTE unitQuant[64] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                       1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,
                                       1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
    LONG block[64] = {};
    BlockDecode result{};
    ComponentDecoding component{&dcTable, &acTable, {}, {}};
    SetComponentQuant(&component, unitQuant, zigzag);
    result.ok = DecodeBlock(reader, component, &predictor, block) && !reader.Overrun();
    std::copy(block, block + 64, result.coefficients.begin());
    result.predictor = predictor;
    return result;
}

Block RandomBlock(std::mt19937& random, int density)
{
    Block block{};
    std::uniform_int_distribution<int> value(-1023, 1023), percent(0, 99);
    block[0] = value(random);
    for (int i = 1; i < 64; ++i)
        if (percent(random) < density) block[i] = value(random);
    return block;
}

TEST(BlockDecoding, ReturnsTheEncodedCoefficients)
{
    std::mt19937 random(7);
    std::vector<Block> blocks;
    Block runs{};  // a run of 20 zeros (ZRL), then the last coefficient: no EOB
    runs[0] = -5;
    runs[1] = 1;
    runs[53] = -1023;
    runs[63] = 512;
    blocks.push_back(runs);
    blocks.push_back(Block{});  // EOB at once
    for (int density : {5, 30, 100}) blocks.push_back(RandomBlock(random, density));
    for (const HuffmanSpec& ac : {jpegtest::FlatAcTable(), kVariedAc}) {
        for (const Block& block : blocks) {
            jpegtest::ScanEncoder encoder(jpegtest::FlatDcTable(), ac);
            int predictor = 100;
            encoder.EncodeBlock(block, predictor);
            BlockDecode decoded = DecodeEncoded(encoder.Finish(), jpegtest::FlatDcTable(), ac, 100);
            ASSERT_TRUE(decoded.ok);
            EXPECT_EQ(decoded.coefficients, block);
            EXPECT_EQ(decoded.predictor, block[0]) << "the predictor takes the new DC value";
        }
    }
}

TEST(BlockDecoding, UsesTheDcPredictor)
{
    jpegtest::ScanEncoder encoder(kVariedDc, kVariedAc);
    int predictor = 0;
    Block block{};
    block[0] = -700;
    encoder.EncodeBlock(block, predictor);
    BlockDecode decoded = DecodeEncoded(encoder.Finish(), kVariedDc, kVariedAc, 0);
    ASSERT_TRUE(decoded.ok);
    EXPECT_EQ(decoded.coefficients[0], -700);
}

// Raw symbol sequences: a DC of size 0, then the given AC symbols with value 1.
Bytes AcSymbols(std::initializer_list<int> symbols)
{
    jpegtest::ScanEncoder encoder(jpegtest::FlatDcTable(), jpegtest::FlatAcTable());
    encoder.Symbol(false, 0);
    for (int symbol : symbols) {
        encoder.Symbol(true, symbol);
        if (symbol & 0x0F) encoder.Value(1);
    }
    return encoder.Finish();
}

TEST(BlockDecoding, RunsMustEndInsideTheBlock)
{
    auto decode = [](const Bytes& scan) {
        return DecodeEncoded(scan, jpegtest::FlatDcTable(), jpegtest::FlatAcTable()).ok;
    };
    EXPECT_TRUE(decode(AcSymbols({0xE1, 0xF0, 0xF0, 0xF0}))) << "sixteen zeros ending at 63";
    EXPECT_FALSE(decode(AcSymbols({0xF0, 0xF0, 0xF0, 0xF0}))) << "sixteen zeros from 49";
    EXPECT_TRUE(decode(AcSymbols({0xF0, 0xF0, 0xF0, 0xA1, 0x31}))) << "a value at 63";
    EXPECT_FALSE(decode(AcSymbols({0xF0, 0xF0, 0xF0, 0xA1, 0x41}))) << "a run past 63";
}

TEST(BlockDecoding, FailsOnCodesItCannotDecode)
{
    // One code per length: symbol s has a code of s + 1 bits.
    HuffmanSpec longDc;
    for (int length = 0; length < 14; ++length) {
        longDc.counts[length] = 1;
        longDc.values.push_back(static_cast<uint8_t>(length));
    }
    for (int size : {11, 12, 13}) {
        jpegtest::ScanEncoder encoder(longDc, jpegtest::FlatAcTable());
        encoder.Symbol(false, size);
        encoder.Value(1 << (size - 1));
        encoder.Symbol(true, 0x00);
        EXPECT_EQ(DecodeEncoded(encoder.Finish(), longDc, jpegtest::FlatAcTable()).ok, size < 12)
            << "a DC code of " << size + 1 << " bits";
    }
    // Sizes beyond 16 bits cannot come from a picture.
    HuffmanSpec wideDc;
    wideDc.counts[0] = 1;
    wideDc.values = {17};
    EXPECT_FALSE(DecodeEncoded(Bytes(8, 0x00), wideDc, jpegtest::FlatAcTable()).ok);
    // A bit string that matches no code.
    HuffmanSpec single;
    single.counts[0] = 1;
    single.values = {0};
    EXPECT_FALSE(DecodeEncoded(Bytes(4, 0xFF), single, single).ok);
}

}  // namespace
