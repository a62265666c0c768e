// kernel32-internal: host folder helpers shared by the host and DOS path code.
#pragma once

#include <sys/types.h>

#include <string>

namespace winplat {

// mkdir -p; existing folders are fine.
void MakeFolders(const std::string& path, mode_t mode);

}  // namespace winplat
