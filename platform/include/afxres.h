// Identifiers of the application framework that programs and their resource
// scripts share. Resource scripts include this header (after their own
// resource.h) to get the platform's style constants as well.
#pragma once

#include <windows.h>

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Standard commands.
#define ID_HELP 0xE146
#define ID_CONTEXT_HELP 0xE145
#define ID_HELP_INDEX 0xE142
#define ID_HELP_FINDER 0xE143
#define ID_HELP_USING 0xE144
#define ID_DEFAULT_HELP 0xE147
#define ID_APP_ABOUT 0xE140
#define ID_APP_EXIT 0xE141

// Strings a program may provide.
#define AFX_IDS_APP_TITLE 0xE000

// The framework's own prompts.
#define AFX_IDP_PARSE_INT 0xF110
#define AFX_IDP_PARSE_UINT 0xF11A
