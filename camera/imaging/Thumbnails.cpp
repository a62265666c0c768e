#include "Thumbnails.h"

#include <algorithm>
#include <cstring>

namespace camera {
namespace {

void Put16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void Put32(uint8_t* p, uint32_t v)
{
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}

Bytes LeadIn(const std::string& pictureName, size_t pictureSize, const RgbImage& thumbnail, int width, int height,
             size_t streamSize)
{
    Bytes lead(kThumbnailLeadIn, 0);
    memcpy(lead.data(), pictureName.data(), std::min<size_t>(8, pictureName.size()));
    memcpy(lead.data() + 8, "JPG", 3);
    Put32(lead.data() + 12, static_cast<uint32_t>(pictureSize));
    Put16(lead.data() + 16, static_cast<uint32_t>(thumbnail.width));
    Put16(lead.data() + 18, static_cast<uint32_t>(thumbnail.height));
    Put16(lead.data() + 20, static_cast<uint32_t>(std::min(width, 0xFFFF)));
    Put16(lead.data() + 22, static_cast<uint32_t>(std::min(height, 0xFFFF)));
    Put32(lead.data() + 24, static_cast<uint32_t>(streamSize));
    return lead;
}

RgbImage ThumbnailImage(const RgbImage& decoded, int width, int height)
{
    int thumbHeight = std::max(1, (kThumbnailWidth * height + width / 2) / width);
    return Resize(decoded, kThumbnailWidth, thumbHeight);
}

// The smallest quality loss that fits the stream into the file's limit.
bool EncodeToFit(const RgbImage& thumbnail, size_t limit, Bytes* stream)
{
    for (int quality = 85; quality >= 10; quality -= 15) {
        if (!EncodeBaseline422(thumbnail, quality, stream)) return false;
        if (kThumbnailLeadIn + stream->size() <= limit) break;
    }
    return true;
}

uint16_t Get16BigEndian(const uint8_t* p) { return static_cast<uint16_t>((p[0] << 8) | p[1]); }

}  // namespace

bool HasThumbnailForm(const Bytes& jpeg, int* height)
{
    static const uint8_t kSampling[3] = {0x21, 0x11, 0x11};
    bool frame = false, huffman = false, scan = false;
    if (jpeg.size() < 4 || jpeg[0] != 0xFF || jpeg[1] != 0xD8) return false;
    size_t at = 2;
    while (!scan && at + 4 <= jpeg.size()) {
        if (jpeg[at] != 0xFF) return false;
        uint8_t marker = jpeg[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        size_t length = Get16BigEndian(&jpeg[at + 2]);
        if (length < 2 || at + 2 + length > jpeg.size()) return false;
        const uint8_t* body = &jpeg[at + 4];
        switch (marker) {
            case 0xC0:  // baseline frame: 8-bit, 3 components 1, 2, 3 sampled 2x1, 1x1, 1x1
                if (length != 17 || body[0] != 8 || Get16BigEndian(body + 3) != kThumbnailWidth || body[5] != 3)
                    return false;
                for (int c = 0; c < 3; ++c) {
                    if (body[6 + 3 * c] != c + 1 || body[7 + 3 * c] != kSampling[c]) return false;
                }
                *height = Get16BigEndian(body + 1);
                frame = *height > 0;
                break;
            case 0xDB:  // quantisation tables: 8-bit only
                for (size_t t = 0; t < length - 2; t += 65) {
                    if ((body[t] >> 4) != 0) return false;
                }
                break;
            case 0xC4:  // its own Huffman tables (the decoder has no defaults)
                huffman = true;
                break;
            case 0xDD:  // a restart interval other than 0
                if (length < 4 || Get16BigEndian(body) != 0) return false;
                break;
            case 0xDA:  // the one scan: all three components
                if (length < 3 || body[0] != 3) return false;
                scan = true;
                break;
            default:
                if ((marker >= 0xC1 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC)) return false;
                break;
        }
        at += 2 + length;
    }
    return frame && huffman && scan;
}

Bytes ThumbnailFileFromPreview(const Bytes& preview, const std::string& pictureName, size_t pictureSize, size_t limit)
{
    int height = 0;
    Bytes stream;
    if (HasThumbnailForm(preview, &height) && kThumbnailLeadIn + preview.size() <= limit) {
        stream = preview;
    } else {
        RgbImage decoded;
        if (!DecodeJpeg(preview.data(), preview.size(), kThumbnailWidth, &decoded)) return {};
        int width = decoded.width;
        height = decoded.height;
        JpegSize(preview.data(), preview.size(), &width, &height);
        RgbImage thumbnail = ThumbnailImage(decoded, width, height);
        height = thumbnail.height;
        if (!EncodeToFit(thumbnail, limit, &stream)) return {};
    }
    RgbImage shape;  // only its size goes into the lead-in
    shape.width = kThumbnailWidth;
    shape.height = height;
    Bytes file = LeadIn(pictureName, pictureSize, shape, 0, 0, stream.size());
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

Bytes MakeThumbnailFile(const Bytes& picture, const std::string& pictureName, size_t limit)
{
    RgbImage decoded;
    if (!DecodeJpeg(picture.data(), picture.size(), kThumbnailWidth, &decoded)) return {};
    // The aspect ratio comes from the picture's own size: the decoder may
    // have rounded the scaled one.
    int width = decoded.width, height = decoded.height;
    JpegSize(picture.data(), picture.size(), &width, &height);
    RgbImage thumbnail = ThumbnailImage(decoded, width, height);
    Bytes stream;
    if (!EncodeToFit(thumbnail, limit, &stream)) return {};
    Bytes file = LeadIn(pictureName, picture.size(), thumbnail, width, height, stream.size());
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

}  // namespace camera
