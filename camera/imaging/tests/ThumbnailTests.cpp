// Sample pictures and thumbnail files, checked with libjpeg: the stream
// after the 948-byte lead-in must be the one kind of JPEG the transfer
// program decodes.
#include "../JpegCodec.h"
#include "../SamplePictures.h"
#include "../Thumbnails.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <jpeglib.h>

#include <cstring>
#include <random>

namespace camera {
namespace {

struct StreamFacts {
    bool decoded = false;
    int width = 0, height = 0, components = 0;
    int ids[3] = {}, h[3] = {}, v[3] = {};
    bool progressive = true, arithmetic = true, multipleScans = true;
    unsigned restartInterval = 1;
    RgbImage pixels;
};

// Reads a stream with libjpeg, whole.
StreamFacts Decode(const uint8_t* data, size_t size)
{
    StreamFacts facts;
    jpeg_decompress_struct info;
    jpeg_error_mgr errors;
    info.err = jpeg_std_error(&errors);
    errors.error_exit = [](j_common_ptr) { throw std::runtime_error("libjpeg error"); };
    jpeg_create_decompress(&info);
    try {
        jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
        jpeg_read_header(&info, TRUE);
        facts.width = static_cast<int>(info.image_width);
        facts.height = static_cast<int>(info.image_height);
        facts.components = info.num_components;
        for (int c = 0; c < 3 && c < info.num_components; ++c) {
            facts.ids[c] = info.comp_info[c].component_id;
            facts.h[c] = info.comp_info[c].h_samp_factor;
            facts.v[c] = info.comp_info[c].v_samp_factor;
        }
        facts.progressive = info.progressive_mode;
        facts.arithmetic = info.arith_code;
        facts.restartInterval = info.restart_interval;
        facts.multipleScans = jpeg_has_multiple_scans(&info);
        info.out_color_space = JCS_RGB;
        jpeg_start_decompress(&info);
        facts.pixels = RgbImage(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
        while (info.output_scanline < info.output_height) {
            JSAMPROW row = facts.pixels.At(0, static_cast<int>(info.output_scanline));
            jpeg_read_scanlines(&info, &row, 1);
        }
        jpeg_finish_decompress(&info);
        facts.decoded = errors.num_warnings == 0;
    } catch (const std::runtime_error&) {
        facts.decoded = false;
    }
    jpeg_destroy_decompress(&info);
    return facts;
}

struct Markers {
    int sof0 = 0, otherFrames = 0, scans = 0, restartDefinitions = 0, app15 = 0;
    bool eightBitTables = true;
};

// Walks the marker segments; the scan's data is skipped up to the next marker.
Markers Walk(const uint8_t* p, size_t size)
{
    Markers m;
    size_t at = 2;  // past SOI
    while (at + 4 <= size && p[at] == 0xFF) {
        uint8_t code = p[at + 1];
        if (code == 0xD9) break;
        size_t length = (p[at + 2] << 8) | p[at + 3];
        if (code == 0xC0) ++m.sof0;
        if ((code >= 0xC1 && code <= 0xCF && code != 0xC4 && code != 0xC8 && code != 0xCC)) ++m.otherFrames;
        if (code == 0xDD) ++m.restartDefinitions;
        if (code == 0xEF) ++m.app15;
        if (code == 0xDB) {
            for (size_t t = at + 4; t < at + 2 + length; t += 65) m.eightBitTables = m.eightBitTables && (p[t] >> 4) == 0;
        }
        at += 2 + length;
        if (code == 0xDA) {
            ++m.scans;
            while (at + 1 < size && !(p[at] == 0xFF && p[at + 1] != 0 && (p[at + 1] < 0xD0 || p[at + 1] > 0xD7))) ++at;
        }
    }
    return m;
}

void ExpectTheKindTheProgramDecodes(const StreamFacts& facts, const Markers& markers)
{
    ASSERT_TRUE(facts.decoded);
    EXPECT_EQ(facts.components, 3);
    EXPECT_EQ(facts.ids[0], 1);
    EXPECT_EQ(facts.ids[1], 2);
    EXPECT_EQ(facts.ids[2], 3);
    EXPECT_EQ(facts.h[0], 2);
    EXPECT_EQ(facts.v[0], 1);
    EXPECT_EQ(facts.h[1], 1);
    EXPECT_EQ(facts.v[1], 1);
    EXPECT_EQ(facts.h[2], 1);
    EXPECT_EQ(facts.v[2], 1);
    EXPECT_FALSE(facts.progressive);
    EXPECT_FALSE(facts.arithmetic);
    EXPECT_FALSE(facts.multipleScans);
    EXPECT_EQ(facts.restartInterval, 0u);
    EXPECT_EQ(markers.sof0, 1);
    EXPECT_EQ(markers.otherFrames, 0);
    EXPECT_EQ(markers.scans, 1);
    EXPECT_EQ(markers.restartDefinitions, 0);
    EXPECT_EQ(markers.app15, 0);
    EXPECT_TRUE(markers.eightBitTables);
}

double MeanOf(const RgbImage& image, int channel)
{
    double sum = 0;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) sum += image.At(x, y)[channel];
    return sum / (image.width * image.height);
}

TEST(SamplePictures, Are1792By1200Baseline422)
{
    Bytes picture = MakeSamplePicture(1);
    StreamFacts facts = Decode(picture.data(), picture.size());
    EXPECT_EQ(facts.width, 1792);
    EXPECT_EQ(facts.height, 1200);
    ExpectTheKindTheProgramDecodes(facts, Walk(picture.data(), picture.size()));
}

TEST(SamplePictures, DifferInColourAndShowTheirNumber)
{
    std::vector<RgbImage> images;
    for (int n = 1; n <= 4; ++n) images.push_back(DrawSamplePicture(n));
    for (int a = 0; a < 4; ++a) {
        for (int b = a + 1; b < 4; ++b) {
            double distance = 0;
            for (int c = 0; c < 3; ++c) distance += std::abs(MeanOf(images[a], c) - MeanOf(images[b], c));
            EXPECT_GT(distance, 30) << "pictures " << a + 1 << " and " << b + 1;
        }
    }
    // The middle holds light paper and dark figures.
    int light = 0, dark = 0;
    for (int x = 600; x < 1200; ++x) {
        const uint8_t* p = images[0].At(x, 600);
        light += p[0] > 240 && p[1] > 240;
        dark += p[0] < 40 && p[1] < 40;
    }
    EXPECT_GT(light, 0);
    EXPECT_GT(dark, 50);
}

TEST(ThumbnailFiles, HaveTheLeadInThenAStream160Wide)
{
    Bytes picture = MakeSamplePicture(7);
    Bytes file = MakeThumbnailFile(picture, "S0000007");
    ASSERT_GT(file.size(), kThumbnailLeadIn);
    EXPECT_LE(file.size(), 20480u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.data()), 8), "S0000007");
    uint32_t pictureSize = file[12] | (file[13] << 8) | (file[14] << 16) | (static_cast<uint32_t>(file[15]) << 24);
    EXPECT_EQ(pictureSize, picture.size());
    EXPECT_EQ(file[16] | (file[17] << 8), 160);
    EXPECT_EQ(file[18] | (file[19] << 8), 107);
    EXPECT_EQ(file[20] | (file[21] << 8), 1792);
    EXPECT_EQ(file[22] | (file[23] << 8), 1200);
    EXPECT_EQ(file[kThumbnailLeadIn], 0xFF);
    EXPECT_EQ(file[kThumbnailLeadIn + 1], 0xD8);
    const uint8_t* stream = file.data() + kThumbnailLeadIn;
    size_t size = file.size() - kThumbnailLeadIn;
    EXPECT_EQ(file[24] | (file[25] << 8) | (file[26] << 16), static_cast<int>(size));
    StreamFacts facts = Decode(stream, size);
    EXPECT_EQ(facts.width, 160);
    EXPECT_EQ(facts.height, 107);  // 1792 x 1200 scaled to 160 wide
    ExpectTheKindTheProgramDecodes(facts, Walk(stream, size));
}

TEST(ThumbnailFiles, ShowTheirPictureInSmall)
{
    Bytes picture = MakeSamplePicture(3);
    Bytes file = MakeThumbnailFile(picture, "S0000003");
    StreamFacts facts = Decode(file.data() + kThumbnailLeadIn, file.size() - kThumbnailLeadIn);
    ASSERT_TRUE(facts.decoded);
    RgbImage full = DrawSamplePicture(3);
    for (int c = 0; c < 3; ++c) EXPECT_NEAR(MeanOf(facts.pixels, c), MeanOf(full, c), 8);
}

TEST(ThumbnailFiles, ABusyPictureStillFitsByLoweringTheQuality)
{
    RgbImage noise(1792, 1200);
    std::mt19937 random(5);
    for (uint8_t& byte : noise.pixels) byte = static_cast<uint8_t>(random());
    Bytes picture;
    ASSERT_TRUE(EncodeBaseline422(noise, 95, &picture));
    Bytes file = MakeThumbnailFile(picture, "S0000001");
    ASSERT_FALSE(file.empty());
    EXPECT_LE(file.size(), 20480u);
    Bytes small = MakeThumbnailFile(picture, "S0000001", 8000);
    EXPECT_LE(small.size(), 8000u);
    EXPECT_TRUE(Decode(small.data() + kThumbnailLeadIn, small.size() - kThumbnailLeadIn).decoded);
}

TEST(ThumbnailFiles, KeepTheAspectOfAnUprightPicture)
{
    RgbImage upright(600, 900);
    std::fill(upright.pixels.begin(), upright.pixels.end(), 128);
    Bytes picture;
    ASSERT_TRUE(EncodeBaseline422(upright, 90, &picture));
    Bytes file = MakeThumbnailFile(picture, "S0000001");
    StreamFacts facts = Decode(file.data() + kThumbnailLeadIn, file.size() - kThumbnailLeadIn);
    EXPECT_EQ(facts.width, 160);
    EXPECT_EQ(facts.height, 240);
}

TEST(ThumbnailFiles, NeedAReadablePicture)
{
    EXPECT_TRUE(MakeThumbnailFile(Bytes(3000, 0xFF), "S0000001").empty());
    Bytes picture = MakeSamplePicture(1);
    picture.resize(100);  // cut off inside its headers
    EXPECT_TRUE(MakeThumbnailFile(picture, "S0000001").empty());
}

}  // namespace
}  // namespace camera
