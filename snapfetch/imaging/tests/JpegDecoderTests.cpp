#include "JpegTestStreams.h"

#include <JpegDecoder.h>
#include <afx.h>
#include <winplat/host.h>

#include <gtest/gtest.h>

#include <stdio.h>

namespace {

using namespace jpegtest;

// DC levels: with quantisation 1 a dequantised DC of 8 v gives v + 128.
int Dc(int level) { return 8 * (level - 128); }

// Every pixel of the decoded picture has these blue, green, red values.
::testing::AssertionResult Uniform(const Decoded& picture, int blue, int green, int red)
{
    if (!picture.ok) return ::testing::AssertionFailure() << "no picture";
    for (size_t i = 0; i < picture.pixels.size(); i += 3) {
        if (picture.pixels[i] != blue || picture.pixels[i + 1] != green || picture.pixels[i + 2] != red)
            return ::testing::AssertionFailure() << "pixel " << i / 3 << " is " << int(picture.pixels[i]) << ","
                                                 << int(picture.pixels[i + 1]) << "," << int(picture.pixels[i + 2]);
    }
    return ::testing::AssertionSuccess();
}

// Inserts bytes at an offset of a stream.
Bytes Insert(Bytes stream, size_t offset, const Bytes& more)
{
    stream.insert(stream.begin() + static_cast<std::ptrdiff_t>(offset), more.begin(), more.end());
    return stream;
}

const Bytes kTwoMcus = MakePicture(32, 8, {DcMcu(Dc(140), Dc(120), Dc(128), Dc(128)), DcMcu(0, Dc(200), 0, Dc(150))});

// ---- Markers -------------------------------------------------------------------

TEST(MarkerDispatch, MemoryNeedsTheStartOfImage)
{
    Bytes withoutSoi(kTwoMcus.begin() + 2, kTwoMcus.end());
    withoutSoi = Insert(withoutSoi, 0, {0xFF, 0xE0, 0x00, 0x04, 0x00, 0x00});  // an APP0 first
    EXPECT_FALSE(DecodeMemory(withoutSoi).ok);
    Decoded fromFile = DecodeFile(withoutSoi);
    ASSERT_TRUE(fromFile.ok) << "a file may begin with any marker of the table";
    EXPECT_EQ(fromFile.pixels, DecodeMemory(kTwoMcus).pixels);
    EXPECT_FALSE(DecodeMemory({}).ok);
    EXPECT_FALSE(DecodeMemory({0xFF}).ok);
    CJpegDecoder decoder;
    EXPECT_EQ(decoder.DecodeMemory(nullptr, 100), nullptr);
}

TEST(MarkerDispatch, SkipsSegmentsItDoesNotUse)
{
    Decoded plain = DecodeMemory(kTwoMcus);
    ASSERT_TRUE(plain.ok);
    size_t scan = ScanOffset(kTwoMcus);
    size_t sos = scan - 14;
    const Bytes skipped = {0xFF, 0xDD, 0x00, 0x04, 0x00, 0x01,   // DRI
                           0xFF, 0xFE, 0x00, 0x03, 'x',          // COM
                           0xFF, 0xDC, 0x00, 0x04, 0x00, 0x08,   // DNL
                           0xFF, 0xEE, 0x00, 0x02};              // APP14
    EXPECT_EQ(DecodeMemory(Insert(kTwoMcus, sos, skipped)).pixels, plain.pixels);
}

TEST(MarkerDispatch, ACodeNotInTheTableStartsTheScanAtTheCode)
{
    size_t scan = ScanOffset(kTwoMcus);
    ASSERT_EQ(kTwoMcus[scan], 0x3E) << "the first scan byte is no marker code";
    Decoded withFF = DecodeMemory(Insert(kTwoMcus, scan, {0xFF}));
    ASSERT_TRUE(withFF.ok);
    EXPECT_EQ(withFF.pixels, DecodeMemory(kTwoMcus).pixels);
}

TEST(MarkerDispatch, AScanMayBeginWithAStuffedFF)
{
    // Codes "0" (size 0) and "1" (size 7): a DC of 127 makes the first byte 0xFF.
    HuffmanSpec dc;
    dc.counts[0] = 2;
    dc.values = {0, 7};
    ScanEncoder encoder(dc, FlatAcTable());
    encoder.EncodeMcu(DcMcu(127, 127, 0, 0));
    Bytes scan = encoder.Finish();
    ASSERT_EQ(scan[0], 0xFF);
    ASSERT_EQ(scan[1], 0x00);
    StreamBuilder builder;
    builder.Soi().Dqt(0, 1).Dqt(1, 1).Dht(0, 0, dc).Dht(0, 1, dc).Dht(1, 0, FlatAcTable()).Dht(1, 1, FlatAcTable());
    builder.Sof0(16, 8).Sos().Raw(scan).Eoi();
    EXPECT_TRUE(Uniform(DecodeMemory(builder.bytes), 144, 144, 144));
}

TEST(MarkerDispatch, MemoryStopsAfterTheScanButAFileReadsOn)
{
    Bytes noEoi = MakePicture(32, 8, {DcMcu(0, 0, 0, 0), DcMcu(0, 0, 0, 0)}, false);
    Bytes junk = {0xFF, 0xC0, 0x00, 0x01, 0x12, 0xFF, 0xD8};
    Bytes trailed = noEoi;
    trailed.insert(trailed.end(), junk.begin(), junk.end());
    EXPECT_TRUE(Uniform(DecodeMemory(trailed), 128, 128, 128));
    EXPECT_FALSE(DecodeFile(trailed).ok) << "a file's markers after the scan are read";
    EXPECT_TRUE(Uniform(DecodeFile(noEoi), 128, 128, 128)) << "the end of the data ends a file";

    // An EOI right after a scan of an odd number of bytes still ends a file
    // that has more bytes after it.
    for (int level : {100, 101, 102}) {
        Bytes padded = MakePicture(16, 8, {DcMcu(Dc(level), 0, 0, 0)});
        padded.insert(padded.end(), {0x00, 0x00, 0x00});
        EXPECT_TRUE(DecodeFile(padded).ok) << "scan of " << padded.size() - 5 - ScanOffset(padded) << " bytes";
    }

    Bytes secondFrame = noEoi;
    Bytes frame = StreamBuilder().Sof0(32, 8).bytes;
    secondFrame.insert(secondFrame.end(), frame.begin(), frame.end());
    EXPECT_TRUE(DecodeMemory(secondFrame).ok);
    EXPECT_FALSE(DecodeFile(secondFrame).ok) << "a second frame would be blank";

    Bytes twoScans = noEoi;
    size_t sos = ScanOffset(noEoi) - 14;
    twoScans.insert(twoScans.end(), noEoi.begin() + static_cast<std::ptrdiff_t>(sos), noEoi.end());
    EXPECT_TRUE(DecodeMemory(twoScans).ok);
    EXPECT_FALSE(DecodeFile(twoScans).ok) << "a second scan has no room in the frame";
}

TEST(MarkerDispatch, AStreamWithoutScanHasNoPicture)
{
    StreamBuilder builder;
    builder.StandardHeaders().Sof0(16, 8).Eoi();
    EXPECT_FALSE(DecodeMemory(builder.bytes).ok);
    EXPECT_FALSE(DecodeFile(builder.bytes).ok);
}

TEST(MarkerDispatch, SegmentsMayHoldSeveralTables)
{
    Bytes huffman{0x00};
    for (int number = 0; number < 2; ++number) {
        for (int tableClass = 0; tableClass < 2; ++tableClass) {
            HuffmanSpec spec = tableClass ? FlatAcTable() : FlatDcTable();
            huffman.push_back(static_cast<uint8_t>(tableClass << 4 | number));
            huffman.insert(huffman.end(), spec.counts.begin(), spec.counts.end());
            huffman.insert(huffman.end(), spec.values.begin(), spec.values.end());
        }
    }
    huffman.erase(huffman.begin());
    Bytes quant(130, 1);
    quant[0] = 0x00;
    quant[65] = 0x01;
    ScanEncoder encoder(FlatDcTable(), FlatAcTable());
    encoder.EncodeMcu(DcMcu(Dc(150), Dc(150), 0, 0));
    StreamBuilder builder;
    builder.Soi().Segment(0xDB, quant).Segment(0xC4, huffman).Sof0(16, 8).Sos().Raw(encoder.Finish()).Eoi();
    EXPECT_TRUE(Uniform(DecodeMemory(builder.bytes), 150, 150, 150));
}

// ---- Reconstruction ------------------------------------------------------------

TEST(InverseDct, DcAloneGivesItsRoundedEighth)
{
    for (auto [dc, sample] : {std::pair{0, 0}, {8, 1}, {-12, -1}, {4, 1}, {-4, 0}, {1000, 125}}) {
        LONG block[64] = {dc};
        CJpegDecoder::InverseDct(block);
        for (LONG value : block) ASSERT_EQ(value, sample) << "DC " << dc;
    }
}

struct ColourCase {
    int y, cb, cr;  // sample values
    int blue, green, red;
};

class ColourConversion : public ::testing::TestWithParam<ColourCase> {};

TEST_P(ColourConversion, TruncatesEachProductAndClamps)
{
    const ColourCase& c = GetParam();
    Decoded picture = DecodeMemory(MakePicture(16, 8, {DcMcu(Dc(c.y), Dc(c.y), Dc(c.cb), Dc(c.cr))}));
    EXPECT_TRUE(Uniform(picture, c.blue, c.green, c.red));
}

INSTANTIATE_TEST_SUITE_P(Examples, ColourConversion,
                         ::testing::Values(ColourCase{128, 128, 128, 128, 128, 128},
                                           ColourCase{129, 128, 128, 129, 129, 129},
                                           ColourCase{100, 127, 128, 99, 100, 100},
                                           ColourCase{100, 131, 128, 105, 99, 100},
                                           ColourCase{100, 128, 129, 100, 100, 101},
                                           ColourCase{100, 128, 126, 100, 101, 98},
                                           ColourCase{100, 129, 128, 101, 100, 100},  // 1.772 -> 1
                                           ColourCase{100, 128, 130, 100, 99, 102},   // 2.804 -> 2
                                           ColourCase{300, 128, 128, 255, 255, 255},
                                           ColourCase{-20, 128, 128, 0, 0, 0},
                                           ColourCase{128, 0, 255, 0, 82, 255}));

TEST(Reconstruction, ANegativeDcRoundsDown)
{
    // -12 / 8 + 1/2 = -1: every sample 127.
    EXPECT_TRUE(Uniform(DecodeMemory(MakePicture(16, 8, {DcMcu(-12, -12, 0, 0)})), 127, 127, 127));
}

TEST(Reconstruction, TheBitmapHeaderDescribesTheRoundedFrame)
{
    Decoded picture = DecodeMemory(MakePicture(100, 75, std::vector<Mcu>(70)));
    ASSERT_TRUE(picture.ok);
    const BITMAPINFOHEADER& h = picture.header;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biWidth, 112);
    EXPECT_EQ(h.biHeight, 80);
    EXPECT_EQ(h.biPlanes, 1);
    EXPECT_EQ(h.biBitCount, 24);
    EXPECT_EQ(h.biCompression, static_cast<DWORD>(BI_RGB));
    EXPECT_EQ(h.biSizeImage, 112u * 80 * 3);
    EXPECT_EQ(h.biXPelsPerMeter, 2835);
    EXPECT_EQ(h.biYPelsPerMeter, 2835);
    EXPECT_EQ(h.biClrUsed, 0u);
}

// ---- Placement -----------------------------------------------------------------

TEST(Placement, OneMcuIsStoredBottomUp)
{
    Mcu mcu = DcMcu(0, 0, 0, 0);
    mcu[0][8] = 200;  // a vertical wave in the left Y block
    mcu[1][1] = -90;  // a horizontal one in the right block
    Decoded picture = DecodeMemory(MakePicture(16, 8, {mcu}));
    ASSERT_TRUE(picture.ok);
    ASSERT_EQ(picture.pixels.size(), 16u * 8 * 3);
    LONG left[64] = {}, right[64] = {};
    left[8] = 200;
    right[1] = -90;
    CJpegDecoder::InverseDct(left);
    CJpegDecoder::InverseDct(right);
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 16; ++column) {
            LONG y = 128 + (column < 8 ? left[row * 8 + column] : right[row * 8 + column - 8]);
            size_t offset = static_cast<size_t>(7 - row) * 48 + column * 3;  // top row at byte 7 x 48
            ASSERT_EQ(picture.pixels[offset], y) << row << "," << column;
            ASSERT_EQ(picture.pixels[offset + 2], y) << row << "," << column;
        }
    }
}

TEST(Placement, McusFillTheRoundedFrameInRasterOrder)
{
    std::vector<Mcu> mcus;
    for (int i = 0; i < 70; ++i) mcus.push_back(DcMcu(Dc(20 + 3 * i), Dc(21 + 3 * i), 0, 0));
    Decoded picture = DecodeMemory(MakePicture(100, 75, mcus));
    ASSERT_TRUE(picture.ok);
    for (int i = 0; i < 70; ++i) {
        int x = 16 * (i % 7), y = 8 * (i / 7);
        EXPECT_EQ(picture.At(x, y)[0], 20 + 3 * i) << "MCU " << i;
        EXPECT_EQ(picture.At(x + 15, y + 7)[1], 21 + 3 * i) << "MCU " << i;
    }
}

// ---- End of the data -------------------------------------------------------------

TEST(EndOfData, TheScanMayEndExactlyAtTheEnd)
{
    // Streams without EOI whose scans take an even and an odd number of bytes.
    for (int level : {140, 141, 60, 61, 250}) {
        Mcu mcu = DcMcu(Dc(level), Dc(level), Dc(level / 2), 0);
        mcu[0][1] = level;
        Bytes stream = MakePicture(16, 8, {mcu}, false);
        ASSERT_NE(stream[stream.size() - 2], 0xFF) << "the last byte must carry bits";
        EXPECT_TRUE(DecodeMemory(stream).ok) << "level " << level << ", scan of "
                                             << stream.size() - ScanOffset(stream) << " bytes";
        stream.pop_back();
        EXPECT_FALSE(DecodeMemory(stream).ok) << "level " << level;
        EXPECT_FALSE(DecodeFile(stream).ok) << "level " << level;
    }
}

// ---- Files -----------------------------------------------------------------------

TEST(DecodeFile, AMissingFileRaisesTheFileException)
{
    CJpegDecoder decoder;
    std::string path = ScratchDosPath("missing.jpg");
    int cause = -1;
    try {
        decoder.DecodeFile(path.c_str());
    } catch (CFileException* e) {
        cause = e->m_cause;
        e->Delete();
    }
    EXPECT_EQ(cause, CFileException::fileNotFound);
    EXPECT_FALSE(DecodeFile({}).ok) << "an empty file has no buffer: null, no exception";
    EXPECT_EQ(DecodeFile(kTwoMcus).pixels, DecodeMemory(kTwoMcus).pixels);
}

// ---- A full heap -----------------------------------------------------------------

// Decodes with the next heap allocation failing.
BYTE* DecodeWithFullHeap(CJpegDecoder& decoder, const Bytes& stream)
{
    winplat::FailHeapAllocations(1);
    BYTE* pixels = decoder.DecodeMemory(stream.data(), static_cast<DWORD>(stream.size()));
    winplat::FailHeapAllocations(0);
    return pixels;
}

void ShowInOtherWords(LPCSTR text) { fprintf(stderr, "the program says: %s\n", text); }

// With the frame header first, the component map is the first heap block
// the decoder asks for; without it the program cannot go on.
TEST(FullHeap, NoComponentMapEndsTheProgramSayingWhy)
{
    const Bytes frameFirst = StreamBuilder().Soi().Sof0(16, 8).Eoi().bytes;
    CJpegDecoder decoder;
    EXPECT_EXIT(DecodeWithFullHeap(decoder, frameFirst), ::testing::ExitedWithCode(1), "^Not enough memory\n$")
        << "without a handler the text goes to standard error";
    EXPECT_EXIT(
        {
            CJpegDecoder::SetFatalMessageHandler(ShowInOtherWords);
            DecodeWithFullHeap(decoder, frameFirst);
        },
        ::testing::ExitedWithCode(1), "^the program says: Not enough memory\n$");
}

TEST(FullHeap, AHuffmanTableThatCannotBeHadLosesOnlyThePicture)
{
    CJpegDecoder decoder;
    EXPECT_EQ(DecodeWithFullHeap(decoder, kTwoMcus), nullptr);
    decoder.FreeBuffers();
    EXPECT_TRUE(DecodeMemory(kTwoMcus).ok) << "the next picture decodes";
}

}  // namespace
