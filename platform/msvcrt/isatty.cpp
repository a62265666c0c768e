// The C run-time's terminal test, answered by the host.
#include <io.h>
#include <winplat/host.h>

#include <unistd.h>

extern "C" WINPLAT_EXPORT int _isatty(int fd) { return isatty(fd) ? 1 : 0; }
