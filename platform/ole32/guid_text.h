// ole32-internal: the text form of a GUID, "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#pragma once

#include <objbase.h>

#include <string>

namespace ole32 {

std::string GuidText(REFGUID guid);

}  // namespace ole32
