#pragma once
// Stand-in for WinExec: the command line is split into arguments by the Windows rules
// and the program is started directly (posix_spawnp, PATH search), never through a shell,
// so no character of the line can run a further command.
//
// Results as Windows gives them: 33 when the program started; 0 out of resources;
// ERROR_FILE_NOT_FOUND (2) no such program; ERROR_PATH_NOT_FOUND (3) its folder does not
// exist; ERROR_ACCESS_DENIED (5) not executable; ERROR_BAD_FORMAT (11) not a program.

#include "WinTypes.h"

#include <string>
#include <vector>

namespace win {

constexpr UINT ERROR_PATH_NOT_FOUND = 3;
constexpr UINT ERROR_BAD_FORMAT = 11;
constexpr UINT WINEXEC_SUCCESS = 33;

UINT WinExec(const char* cmdLine, UINT showCmd);

// The Windows splitting of a command line (as CommandLineToArgvW does it):
// - the program name is everything up to the next quote when it starts with a quote,
//   otherwise up to the first blank or tab; backslashes are plain characters in it;
// - further arguments are separated by blanks and tabs outside quotes;
// - 2n backslashes before a quote give n backslashes, and the quote opens or closes a
//   quoted part; 2n+1 backslashes before a quote give n backslashes and a literal quote;
//   backslashes not before a quote stay as they are;
// - inside a quoted part, two quotes in a row give one literal quote and the part goes on.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);

} // namespace win
