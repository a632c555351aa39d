#pragma once
// Resource and command identifiers of the program; the framework's own come with it.

#include "AfxRes.h"

// Resources
#define IDR_MAINFRAME 128
#define IDR_QUORAITYPE 129
#define IDD_ABOUTBOX 100
#define IDD_RESULT_FORM 101
#define IDB_SPLASH 102
#define IDS_SOCKETS_INIT_FAILED 104
#define IDS_HELP_FILE_MISSING 105
#define IDS_HELP_NO_OPENER 106
#define IDS_HELP_NO_VIEWER 107
#define IDD_ADDRESS 130
#define IDS_WATCH_SAVE_TYPE 108

// Controls
#define IDC_RESULT_LIST 1001

// The program's own commands
#define ID_CONNECT 32771
#define ID_HELP_MANUAL 32774
#define ID_WATCH 32775
