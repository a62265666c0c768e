// DecodeFile's parser on arbitrary bytes, through a file on drive C (kept in
// memory-backed storage when the host has it).
#include <JpegDecoder.h>
#include <afx.h>
#include <winplat/host.h>

#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>

namespace {

std::string g_driveC;
std::string g_hostPath;

void RemoveDriveC() { std::filesystem::remove_all(g_driveC); }

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char folder[] = "/dev/shm/fuzz_decode_file.XXXXXX";
    char fallback[] = "/tmp/fuzz_decode_file.XXXXXX";
    const char* driveC = mkdtemp(folder);
    if (!driveC) driveC = mkdtemp(fallback);
    if (!driveC) abort();
    g_driveC = driveC;
    atexit(RemoveDriveC);
    winplat::SetDriveCFolder(g_driveC);
    g_hostPath = g_driveC + "/picture.jpg";
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* file = fopen(g_hostPath.c_str(), "wb");
    if (!file) abort();
    if (size && fwrite(data, 1, size, file) != size) abort();
    fclose(file);
    CJpegDecoder decoder;
    try {
        const BYTE* pixels = decoder.DecodeFile("C:\\picture.jpg");
        if (pixels) {
            const BITMAPINFOHEADER* header = decoder.GetBitmapHeader();
            volatile BYTE last = pixels[header->biSizeImage - 1];
            (void)last;
        }
    } catch (CFileException* e) {
        e->Delete();
        __builtin_trap();  // the file is there: opening and reading it must work
    }
    decoder.FreeBuffers();
    return 0;
}
