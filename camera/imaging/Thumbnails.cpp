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

}  // namespace

Bytes MakeThumbnailFile(const Bytes& picture, const std::string& pictureName, size_t limit)
{
    RgbImage decoded;
    if (!DecodeJpeg(picture.data(), picture.size(), kThumbnailWidth, &decoded)) return {};
    // The aspect ratio comes from the picture's own size: the decoder may
    // have rounded the scaled one.
    int width = decoded.width, height = decoded.height;
    JpegSize(picture.data(), picture.size(), &width, &height);
    int thumbHeight = std::max(1, (kThumbnailWidth * height + width / 2) / width);
    RgbImage thumbnail = Resize(decoded, kThumbnailWidth, thumbHeight);
    Bytes stream;
    for (int quality = 85; quality >= 10; quality -= 15) {
        if (!EncodeBaseline422(thumbnail, quality, &stream)) return {};
        if (kThumbnailLeadIn + stream.size() <= limit) break;
    }
    Bytes file = LeadIn(pictureName, picture.size(), thumbnail, width, height, stream.size());
    file.insert(file.end(), stream.begin(), stream.end());
    return file;
}

}  // namespace camera
