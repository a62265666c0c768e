// libjpeg-turbo as the peer of our decoder in tests: it makes the pictures
// and gives the reference decode.
#pragma once

#include <cstdint>
#include <vector>

namespace jpegtest {

struct PeerPicture {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<uint8_t> samples;  // top-down rows, no padding
};

// A baseline 4:2:2 stream (ids 1, 2, 3; Y 2x1; one interleaved scan; no
// restarts) of an RGB picture, with standard or optimised Huffman tables.
std::vector<uint8_t> EncodeWithLibjpeg(const std::vector<uint8_t>& rgb, int width, int height, int quality,
                                       bool optimiseHuffman);

// Decodes with the accurate integer IDCT and simple upsampling, to blue-green-
// red pixels (or to its clamped Y, Cb, Cr samples) for 3 components, to the
// samples of a greyscale stream. Width 0 when libjpeg-turbo rejects it.
PeerPicture DecodeWithLibjpeg(const std::vector<uint8_t>& stream, bool yCbCr = false);

// The same picture transposed, without decoding: blocks, their coefficients,
// the quantisation tables and the sampling factors (4:2:2 becomes 4:4:0).
std::vector<uint8_t> TransposeWithLibjpeg(const std::vector<uint8_t>& stream);

// A photo-like test picture: gradients, edges and some noise, deterministic.
std::vector<uint8_t> SyntheticRgb(int width, int height, uint32_t seed);

}  // namespace jpegtest
