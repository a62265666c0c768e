// Writes the seed corpora of the imaging fuzz targets: small 4:2:2 baseline
// pictures made with libjpeg-turbo, and small packed DIBs.
//   make_imaging_seeds <seeds folder>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <LibjpegPeer.h>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(int width, int height, int quality, bool optimise)
{
    Bytes rgb(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            uint8_t* pixel = &rgb[(static_cast<size_t>(y) * width + x) * 3];
            pixel[0] = static_cast<uint8_t>(x * 255 / width);
            pixel[1] = static_cast<uint8_t>((x + y) % 7 == 0 ? 250 : y * 255 / height);
            pixel[2] = static_cast<uint8_t>((x * y) % 200);
        }
    return jpegtest::EncodeWithLibjpeg(rgb, width, height, quality, optimise);
}

// A packed 24-bit DIB: 40-byte header, then bottom-up padded rows.
Bytes Dib(int width, int height)
{
    size_t stride = ((static_cast<size_t>(width) * 24 + 31) / 32) * 4;
    Bytes dib(40 + stride * height);
    int32_t fields[] = {40, width, height};
    std::memcpy(dib.data(), fields, sizeof(fields));
    dib[12] = 1;   // planes
    dib[14] = 24;  // bits per pixel
    for (size_t i = 40; i < dib.size(); ++i) dib[i] = static_cast<uint8_t>(i * 7);
    return dib;
}

void Write(const std::filesystem::path& path, const Bytes& bytes)
{
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <seeds folder>\n", argv[0]);
        return 2;
    }
    std::filesystem::path seeds = argv[1];
    struct Picture {
        const char* name;
        int width, height, quality;
        bool optimise;
    };
    for (Picture p : {Picture{"16x8_q75", 16, 8, 75, false}, Picture{"33x17_q30_optimised", 33, 17, 30, true},
                      Picture{"48x16_q90", 48, 16, 90, false}, Picture{"100x75_q50_optimised", 100, 75, 50, true}}) {
        Bytes stream = Encode(p.width, p.height, p.quality, p.optimise);
        Write(seeds / "decode_memory" / (std::string(p.name) + ".jpg"), stream);
        Write(seeds / "decode_file" / (std::string(p.name) + ".jpg"), stream);
    }
    // Files may begin with another marker, and may go on after the end of image.
    Bytes picture = Encode(32, 8, 60, false);
    Write(seeds / "decode_file" / "32x8_without_soi.jpg", Bytes(picture.begin() + 2, picture.end()));
    Bytes trailed = picture;
    trailed.insert(trailed.end(), {0x00, 0x00, 0xFF, 0xD8});
    Write(seeds / "decode_file" / "32x8_trailing_bytes.jpg", trailed);

    for (auto [width, height] : {std::pair{1, 1}, {20, 15}, {94, 10}, {190, 5}, {95, 7}}) {
        std::string name = std::to_string(width) + "x" + std::to_string(height) + ".dib";
        Write(seeds / "thumbnail" / name, Dib(width, height));
    }
    return 0;
}
