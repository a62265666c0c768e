#include "FolderCamera.h"

#include <objbase.h>

#include <turbojpeg.h>

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace gphoto_tests {
namespace {

namespace fs = std::filesystem;

void Put16(Bytes* b, unsigned v)
{
    b->push_back(static_cast<uint8_t>(v));
    b->push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(Bytes* b, unsigned v)
{
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

void Entry(Bytes* b, unsigned tag, unsigned type, unsigned value)
{
    Put16(b, tag);
    Put16(b, type);
    Put32(b, 1);
    if (type == 3) {
        Put16(b, value);
        Put16(b, 0);
    } else {
        Put32(b, value);
    }
}

}  // namespace

Bytes Jpeg(int width, int height, int sampling, bool progressive, int seed)
{
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            unsigned char* p = &pixels[(static_cast<size_t>(y) * width + x) * 3];
            p[0] = static_cast<unsigned char>(seed * 40 + x);
            p[1] = static_cast<unsigned char>(seed * 70 + y * 2);
            p[2] = static_cast<unsigned char>(200 - seed * 30);
        }
    }
    tjhandle handle = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long size = 0;
    int flags = progressive ? TJFLAG_PROGRESSIVE : 0;
    int result = tjCompress2(handle, pixels.data(), width, width * 3, height, TJPF_RGB, &out, &size, sampling, 85, flags);
    Bytes jpeg;
    if (result == 0) jpeg.assign(out, out + size);
    tjFree(out);
    tjDestroy(handle);
    EXPECT_FALSE(jpeg.empty());
    return jpeg;
}

// An APP1 block right after the start of image: TIFF header, IFD0 with one
// entry, IFD1 naming the thumbnail (JPEG compression, offset, length).
Bytes WithExifThumbnail(const Bytes& picture, const Bytes& thumbnail)
{
    Bytes tiff = {'I', 'I', 42, 0};
    Put32(&tiff, 8);
    Put16(&tiff, 1);
    Entry(&tiff, 0x0112, 3, 1);  // orientation
    Put32(&tiff, 26);            // IFD1 follows
    const unsigned thumbnailAt = 26 + 2 + 3 * 12 + 4;
    Put16(&tiff, 3);
    Entry(&tiff, 0x0103, 3, 6);  // JPEG compression
    Entry(&tiff, 0x0201, 4, thumbnailAt);
    Entry(&tiff, 0x0202, 4, static_cast<unsigned>(thumbnail.size()));
    Put32(&tiff, 0);
    tiff.insert(tiff.end(), thumbnail.begin(), thumbnail.end());
    size_t length = 2 + 6 + tiff.size();
    // Byte by byte: GCC 12 at -O3 misreads list inserts after a 2-byte start.
    Bytes out(picture.begin(), picture.begin() + 2);
    for (uint8_t byte : {uint8_t{0xFF}, uint8_t{0xE1}, static_cast<uint8_t>(length >> 8), static_cast<uint8_t>(length)})
        out.push_back(byte);
    for (char byte : {'E', 'x', 'i', 'f', '\0', '\0'}) out.push_back(static_cast<uint8_t>(byte));
    out.insert(out.end(), tiff.begin(), tiff.end());
    out.insert(out.end(), picture.begin() + 2, picture.end());
    return out;
}

Bytes PaddedTo(Bytes jpeg, size_t size, unsigned seed)
{
    for (size_t i = jpeg.size(); i < size; ++i) jpeg.push_back(static_cast<uint8_t>((i * 131 + seed + i / 251) & 0xFF));
    return jpeg;
}

void WriteHostFile(const std::string& path, const Bytes& bytes)
{
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good()) << path;
}

Bytes ReadHostFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool HostFileExists(const std::string& path) { return fs::exists(path); }

FolderCamera::FolderCamera(std::string folder, std::string description)
    : folder_(std::move(folder)), description_(std::move(description))
{
    fs::create_directories(folder_);
}

bool FolderCamera::PlugIn()
{
    std::string error;
    bool plugged = plug_.PlugIn({"Directory Browse", "disk:" + folder_, description_, ""}, &error);
    EXPECT_TRUE(plugged) << error;
    return plugged;
}

StiCamera::StiCamera(const std::string& internalName)
{
    std::wstring name(internalName.begin(), internalName.end());
    if (StiCreateInstanceW(GetModuleHandleA(nullptr), STI_VERSION_REAL, &sti_, nullptr) != S_OK ||
        sti_->CreateDevice(name.data(), STI_DEVICE_CREATE_DATA, &device_, nullptr) != S_OK)
        device_ = nullptr;
}

StiCamera::~StiCamera()
{
    if (device_) device_->Release();
    if (sti_) sti_->Release();
}

HRESULT StiCamera::Directory(std::vector<DirectoryEntry>* entries)
{
    entries->clear();
    DWORD size = 0, actual = 0;
    HRESULT hr = device_->Escape(ESC_GET_DIRECTORY_SIZE, nullptr, 0, &size, sizeof size, &actual);
    if (hr != S_OK) return hr;
    for (DWORD at = 0; at < size; at += 512) {
        BYTE block[512] = {};
        ESC_PARAMS params = {};
        params.dwParam = at;
        params.dwLength = sizeof block;
        hr = device_->Escape(ESC_READ_DIRECTORY, &params, sizeof params, block, sizeof block, &actual);
        if (hr != S_OK) return hr;
        for (int i = 0; i < block[10]; ++i) {
            const BYTE* e = block + 12 + 20 * i;
            DWORD bytes = e[16] | (e[17] << 8) | (e[18] << 16) | (static_cast<DWORD>(e[19]) << 24);
            entries->push_back({std::string(reinterpret_cast<const char*>(e), 8), bytes});
        }
    }
    return S_OK;
}

HRESULT StiCamera::ReadFile(const std::string& name8, DWORD length, Bytes* content)
{
    content->assign(length, 0);
    ESC_PARAMS params = {};
    params.dwLength = length;
    memcpy(params.szName, (name8 + "JPG").c_str(), 11);
    DWORD actual = 0;
    return device_->Escape(ESC_READ_FILE, &params, sizeof params, content->data(), length, &actual);
}

HRESULT StiCamera::Delete(const std::string& name8)
{
    ESC_PARAMS params = {};
    memcpy(params.szName, (name8 + "JPG").c_str(), 11);
    DWORD out = 0, actual = 0;
    return device_->Escape(ESC_DELETE_FILE, &params, sizeof params, &out, sizeof out, &actual);
}

}  // namespace gphoto_tests
