// Our decoder against libjpeg-turbo with the accurate integer IDCT and simple
// upsampling: pictures agree within 2 per channel, and the inverse DCT is the
// same arithmetic exactly.
#include "JpegTestStreams.h"
#include "LibjpegPeer.h"

#include <JpegDecoder.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

using namespace jpegtest;

// Channel differences of all compared pixels, for the summary.
struct DifferenceCounts {
    long long byDifference[256] = {};
    void Add(int difference) { ++byDifference[difference]; }
    int Largest() const
    {
        for (int d = 255; d > 0; --d)
            if (byDifference[d]) return d;
        return 0;
    }
    void Print(const char* what) const
    {
        long long total = 0;
        for (long long count : byDifference) total += count;
        std::printf("%s, %lld channel values:", what, total);
        for (int d = 0; d <= Largest() && total; ++d)
            if (byDifference[d]) std::printf(" |d|=%d %.4f%%", d, 100.0 * static_cast<double>(byDifference[d]) / total);
        std::printf("; largest %d\n", Largest());
    }
};
DifferenceCounts g_direct, g_directUnclamped, g_sameOrderUnclamped;

class PeerSummary : public ::testing::Environment {
public:
    void TearDown() override
    {
        g_direct.Print("libjpeg-turbo, all pixels");
        g_directUnclamped.Print("libjpeg-turbo, pixels whose Y, Cb, Cr it does not clamp");
        g_sameOrderUnclamped.Print("libjpeg-turbo with its IDCT passes in our order, same pixels");
    }
};
const auto* const g_summary = ::testing::AddGlobalTestEnvironment(new PeerSummary);

struct PeerCase {
    int width, height, quality;
    bool optimised;
};

class PeerAgreement : public ::testing::TestWithParam<PeerCase> {};

// libjpeg-turbo runs its IDCT passes columns first and we rows first, which
// moves 3 % of the Y, Cb, Cr samples by 1. Decoding the transposed picture
// makes its passes run in our order. We also convert colour without clamping
// Y, Cb, Cr first, so pixels whose samples it clamps may differ more.
TEST_P(PeerAgreement, EveryChannelWithinTwo)
{
    const PeerCase& c = GetParam();
    Bytes stream = EncodeWithLibjpeg(SyntheticRgb(c.width, c.height, c.width * 31 + c.quality), c.width, c.height,
                                     c.quality, c.optimised);
    Bytes transposed = TransposeWithLibjpeg(stream);
    ASSERT_FALSE(transposed.empty());
    Decoded ours = DecodeMemory(stream);
    PeerPicture direct = DecodeWithLibjpeg(stream);
    PeerPicture sameOrder = DecodeWithLibjpeg(transposed);
    PeerPicture samples = DecodeWithLibjpeg(transposed, true);
    ASSERT_TRUE(ours.ok);
    ASSERT_EQ(direct.width, c.width);
    ASSERT_EQ(sameOrder.width, c.height);
    EXPECT_EQ(ours.header.biWidth, (c.width + 15) / 16 * 16);
    EXPECT_EQ(ours.header.biHeight, (c.height + 7) / 8 * 8);
    int largestDirect = 0, largestSameOrder = 0;
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            size_t at = (static_cast<size_t>(y) * c.width + x) * 3;
            size_t transposedAt = (static_cast<size_t>(x) * c.height + y) * 3;
            const uint8_t* ycc = &samples.samples[transposedAt];
            bool clamped = std::any_of(ycc, ycc + 3, [](uint8_t v) { return v == 0 || v == 255; });
            for (int channel = 0; channel < 3; ++channel) {
                int value = ours.At(x, y)[channel];
                int directDifference = std::abs(value - direct.samples[at + channel]);
                int sameOrderDifference = std::abs(value - sameOrder.samples[transposedAt + channel]);
                g_direct.Add(directDifference);
                if (clamped) continue;
                g_directUnclamped.Add(directDifference);
                g_sameOrderUnclamped.Add(sameOrderDifference);
                largestDirect = std::max(largestDirect, directDifference);
                largestSameOrder = std::max(largestSameOrder, sameOrderDifference);
            }
        }
    }
    EXPECT_LE(largestSameOrder, 2);
    EXPECT_LE(largestDirect, 4);
    RecordProperty("largest_difference_same_order", largestSameOrder);
}

std::vector<PeerCase> PeerCases()
{
    std::vector<PeerCase> cases;
    const std::pair<int, int> sizes[] = {{16, 8}, {17, 9}, {100, 75}, {97, 61}, {320, 240}, {333, 127}};
    for (auto [width, height] : sizes)
        for (int quality : {30, 75, 95, 100})
            for (bool optimised : {false, true}) cases.push_back({width, height, quality, optimised});
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Pictures, PeerAgreement, ::testing::ValuesIn(PeerCases()),
                         [](const ::testing::TestParamInfo<PeerCase>& info) {
                             const PeerCase& c = info.param;
                             return std::to_string(c.width) + "x" + std::to_string(c.height) + "_q" +
                                    std::to_string(c.quality) + (c.optimised ? "_optimised" : "_standard");
                         });

// One greyscale 8 x 8 block with quantisation 1: libjpeg-turbo's decode of it
// is its inverse DCT plus 128, clamped.
Bytes GreyBlockStream(const Block& coefficients)
{
    HuffmanSpec dc;
    dc.counts[3] = 12;
    for (int size = 0; size < 12; ++size) dc.values.push_back(static_cast<uint8_t>(size));
    ScanEncoder encoder(dc, FlatAcTable());
    int predictor = 0;
    encoder.EncodeBlock(coefficients, predictor);
    StreamBuilder builder;
    builder.Soi().Dqt(0, 1).Dht(0, 0, dc).Dht(1, 0, FlatAcTable()).Sof0(8, 8, {{1, 0x11, 0}});
    builder.Segment(0xDA, {1, 1, 0x00, 0, 63, 0}).Raw(encoder.Finish()).Eoi();
    return builder.bytes;
}

Block RandomCoefficients(std::mt19937& random)
{
    Block block{};
    std::uniform_int_distribution<int> dc(-800, 800), percent(0, 99);
    block[0] = dc(random);
    for (int v = 0; v < 8; ++v) {
        for (int u = 0; u < 8; ++u) {
            if ((u | v) == 0 || percent(random) >= 40) continue;
            int range = 400 / (1 + u + v);
            block[v * 8 + u] = std::uniform_int_distribution<int>(-range, range)(random);
        }
    }
    return block;
}

TEST(PeerIdct, IsTheAccurateIntegerIdctExactly)
{
    // libjpeg-turbo transforms the columns first and we the rows; its decode
    // of the transposed block, transposed back, runs its passes in our order.
    std::mt19937 random(2024);
    int compared = 0, unclamped = 0, differingUntransposed = 0;
    for (int round = 0; round < 2000; ++round) {
        Block coefficients = RandomCoefficients(random);
        Block transposed{};
        for (int i = 0; i < 64; ++i) transposed[(i % 8) * 8 + i / 8] = coefficients[i];
        PeerPicture peer = DecodeWithLibjpeg(GreyBlockStream(transposed));
        PeerPicture direct = DecodeWithLibjpeg(GreyBlockStream(coefficients));
        ASSERT_EQ(peer.samples.size(), 64u);
        LONG ours[64];
        std::copy(coefficients.begin(), coefficients.end(), ours);
        CJpegDecoder::InverseDct(ours);
        for (int row = 0; row < 8; ++row) {
            for (int column = 0; column < 8; ++column) {
                LONG value = ours[row * 8 + column];
                ASSERT_LT(std::abs(value), 500) << "outside libjpeg-turbo's clamping range";
                int sample = std::clamp(value + 128, 0, 255);
                ASSERT_EQ(sample, peer.samples[column * 8 + row]) << "round " << round << " at " << row << ","
                                                                  << column;
                ++compared;
                unclamped += value + 128 == sample;
                differingUntransposed += sample != direct.samples[row * 8 + column];
            }
        }
    }
    EXPECT_GT(unclamped, compared / 2);
    std::printf("IDCT: %d samples equal to libjpeg-turbo's (%d unclamped); without the transposition %d (%.2f%%) "
                "differ by the pass order\n",
                compared, unclamped, differingUntransposed, 100.0 * differingUntransposed / compared);
}

}  // namespace
