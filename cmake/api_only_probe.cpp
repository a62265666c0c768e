// Compiled by CheckApiOnly.cmake with a deliverable's include folders: the
// platform's API is there, the stand-in's own headers are not.
#include <windows.h>
#include <afxwin.h>
#include <sti.h>
#include <stiusd.h>
#ifdef PROBE_INTERNAL
#include <winplat/host.h>
#endif

int main() { return 0; }
