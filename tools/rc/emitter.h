// Writes compiled resources as a C++ source: the data as static arrays and
// a static initialiser that enters them into the resource table of the
// module the source is linked into (and removes them when it unloads).
#pragma once

#include "formats.h"

#include <string>
#include <vector>

namespace rc {

std::string EmitSource(const std::vector<Resource>& resources, const std::string& scriptName);

// A make-style dependency file: the output depends on every file read.
std::string EmitDepfile(const std::string& output, const std::vector<std::string>& inputs);

}  // namespace rc
