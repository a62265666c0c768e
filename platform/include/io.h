// The C run-time's low-level file functions that programs of the platform use.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

// Nonzero when the descriptor is a terminal (a console).
int _isatty(int fd);

#ifdef __cplusplus
}
#endif
