// Host facilities of the stand-in, for the platform's own libraries, the
// virtual camera and tests. The deliverables never include this header.
//
// Environment:
//   WINPLAT_TIME_SCALE   real seconds per platform second (default 1; 0.01
//                        runs every wait and sleep a hundred times faster)
//   WINPLAT_DRIVE_C      host folder behind drive C: (default
//                        $XDG_DATA_HOME/winplat/drive_c, or
//                        ~/.local/share/winplat/drive_c)
//   WINPLAT_REGISTRY     colon-separated registry files read before the one
//                        beside the program and the per-user one
//   WINPLAT_RUNTIME_DIR  folder for live state shared between processes
//                        (default $XDG_RUNTIME_DIR/winplat, else
//                        $TMPDIR/winplat-UID with /tmp when TMPDIR is unset)
//
// The live-state folder is used only when it is a real folder (not a
// symbolic link) owned by the process's user that group and others cannot
// open; the data folder only when it is such a folder that they cannot write
// into ($TMPDIR/winplat-data-UID/winplat when neither XDG_DATA_HOME nor HOME
// is set). A folder that fails is never used: the process says why on stderr
// and ends with status 1.
#pragma once

#include <windef.h>

#include <string>
#include <utility>
#include <vector>

namespace winplat {

// ---- Clock -------------------------------------------------------------------

// Real seconds that one platform second takes.
WINPLAT_EXPORT double TimeScale();
// Changes the scale at run time (tests); the tick count stays continuous.
WINPLAT_EXPORT void SetTimeScale(double scale);
// Real nanoseconds that a platform wait of `ms` milliseconds takes.
WINPLAT_EXPORT long long ScaledNanoseconds(DWORD ms);

// ---- DOS paths ---------------------------------------------------------------

// Maps a DOS path ("C:\WINDOWS\x", "z:/tmp", "relative\name") to a host
// path. Drive C: is the drive-C folder, Z: is the host root; other drives do
// not exist. Both separators are accepted, "." and ".." are resolved, trailing
// dots and blanks of a name are dropped as the platform does, and every
// existing component is found in any letter case. Returns 0 or a Win32 error:
// ERROR_INVALID_NAME for a name with characters a name cannot hold,
// ERROR_PATH_NOT_FOUND for an empty path or a drive other than C: and Z:, and
// ERROR_BAD_PATHNAME for a path that begins with two separators (network and
// device names).
WINPLAT_EXPORT DWORD DosToHostPath(const char* dosPath, std::string* hostPath);
// The DOS form of an absolute host path: below the drive-C folder as C:\...,
// anything else as Z:\... .
WINPLAT_EXPORT std::string HostToDosPath(const std::string& hostPath);
// Host folder behind drive C: (created on first use with C:\WINDOWS).
WINPLAT_EXPORT std::string DriveCFolder();
// Overrides the drive-C folder at run time (tests).
WINPLAT_EXPORT void SetDriveCFolder(const std::string& hostFolder);

// ---- Folders and the registry ------------------------------------------------------

// Per-user data folder of the platform (created on first use).
WINPLAT_EXPORT std::string DataFolder();
// Folder for state shared between live processes (created on first use).
WINPLAT_EXPORT std::string RuntimeFolder();
// A folder of that name in the runtime folder, made and checked as it is.
WINPLAT_EXPORT std::string RuntimeSubfolder(const std::string& name);
// Folder of the running program.
WINPLAT_EXPORT std::string ProgramFolder();
// A lock file in live state, made with mode 0600 if missing, opened
// read-write and non-blocking. A symbolic link at its name is not followed,
// and only a plain file of ours is used; -1 otherwise.
WINPLAT_EXPORT int OpenPrivateLockFile(const std::string& path);
// Folder of the platform's libraries (of kernel32); empty when unknown.
WINPLAT_EXPORT std::string LibraryFolder();

// The platform registry: INI-style text files ("[Section]" lines, then
// "key=value" lines; ';' starts a comment). Files are read in order:
// WINPLAT_REGISTRY, then "winplat.reg" beside the program, then the one
// beside the platform's libraries, then the per-user "winplat.reg"; the first
// file that names a key wins. Keys are compared without regard to letter case.
// Values beginning "./" or "../" are paths relative to their file's folder.
WINPLAT_EXPORT std::vector<std::pair<std::string, std::string>> RegistrySection(const std::string& section);
WINPLAT_EXPORT bool RegistryValue(const std::string& section, const std::string& key, std::string* value);

// ---- Faults ------------------------------------------------------------------

// The calling thread's next `count` heap allocations (HeapAlloc, and
// HeapReAlloc that grows a block) fail as out of memory, so that tests reach
// the paths a full heap takes. 0 ends the failures.
WINPLAT_EXPORT void FailHeapAllocations(unsigned count);

}  // namespace winplat
