#include "SampleThumbnails.h"

#include "JpegDecoder.h"
#include "camera/imaging/JpegCodec.h"
#include "camera/imaging/SamplePictures.h"

#include <cstring>
#include <map>
#include <tuple>

namespace uitest {

namespace {

// The JPEG stream of a sample picture at a thumbnail's size. Sample
// pictures are large to draw: each stream is made once per program.
const camera::Bytes& ThumbnailStream(int number, int width, int height)
{
    static std::map<std::tuple<int, int, int>, camera::Bytes> streams;
    auto key = std::make_tuple(number, width, height);
    auto found = streams.find(key);
    if (found != streams.end()) return found->second;
    camera::Bytes jpeg;
    camera::EncodeBaseline422(camera::Resize(camera::DrawSamplePicture(number), width, height), 85, &jpeg);
    return streams.emplace(key, std::move(jpeg)).first->second;
}

}  // namespace

HGLOBAL DecodedThumbnail(int number, int width, int height)
{
    const camera::Bytes& jpeg = ThumbnailStream(number, width, height);
    if (jpeg.empty()) return nullptr;
    CJpegDecoder decoder;
    BYTE* pixels = decoder.DecodeMemory(jpeg.data(), static_cast<DWORD>(jpeg.size()));
    if (!pixels) return nullptr;
    const BITMAPINFOHEADER& header = *decoder.GetBitmapHeader();
    size_t stride = ((static_cast<size_t>(header.biWidth) * 24 + 31) / 32) * 4;
    size_t bytes = stride * static_cast<size_t>(header.biHeight);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof header + bytes);
    auto* target = static_cast<BYTE*>(GlobalLock(block));
    std::memcpy(target, &header, sizeof header);
    std::memcpy(target + sizeof header, pixels, bytes);
    GlobalUnlock(block);
    decoder.FreeBuffers();
    return block;
}

}  // namespace uitest
