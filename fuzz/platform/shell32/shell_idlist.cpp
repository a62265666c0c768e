// Fuzzes the shell's item identifier lists: any bytes are parsed within
// their size, and a list that parses is rebuilt to the same items.
#include "idlist.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    shell::ItemPath path;
    if (!shell::ParseIdList(data, size, &path)) return 0;
    std::string dosPath;
    shell::DosPathOf(path, &dosPath);
    LPITEMIDLIST rebuilt = shell::MakeIdList(path);
    if (!rebuilt) return 0;
    shell::ItemPath again;
    // The rebuilt list's size is that of the parsed part plus its end.
    if (!shell::ParseIdList(rebuilt, 0x10000, &again) || again != path) std::abort();
    CoTaskMemFree(rebuilt);
    return 0;
}
