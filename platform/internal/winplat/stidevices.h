// The still-image device registry: the cameras that are plugged in.
//
// Plugging a camera in enters it here; the Still Image service reads the list
// to offer the devices and to find the driver of each (by its class id). The
// registry is shared by every process of the user: each entry is a small text
// file under RuntimeFolder() + "/stillimage/", written atomically, so that
// several processes may plug, unplug and read at the same time.
//
// An entry belongs to a process (ownerProcess). When that process has ended
// without removing its entries (it was killed), ListStillImageDevices leaves
// them out; their files stay on disk until the same internal name is added
// again, which replaces them.
#pragma once

#include <windef.h>

#include <string>
#include <vector>

namespace winplat {

struct StillImageDevice {
    std::string internalName;  // unique key; compared byte for byte
    std::string description;   // any UTF-8 text, kept exactly (case and blanks)
    std::string portName;      // the "\\.\NAME" path that the device's driver serves
    std::string classId;       // class id of the device's user-mode driver, "{...}"
    DWORD ownerProcess;        // process id of whoever plugged it in
};

// Enters a device. False when a live entry of the same internal name exists
// (an entry of a process that has ended is replaced), or when the entry
// cannot be written.
WINPLAT_EXPORT bool AddStillImageDevice(const StillImageDevice& device);
// Removes the entry of that internal name; false when there was none.
WINPLAT_EXPORT bool RemoveStillImageDevice(const std::string& internalName);
// The live entries in the order in which they were plugged in.
WINPLAT_EXPORT std::vector<StillImageDevice> ListStillImageDevices();

// The file name (without folder or suffix) under which a device's state is
// kept: the hex digits of the internal name's bytes, "_" for the empty name.
// Distinct internal names never share a file name, and any name is safe on
// the host.
WINPLAT_EXPORT std::string StillImageFileName(const std::string& internalName);

}  // namespace winplat
