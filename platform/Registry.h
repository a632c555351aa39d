#pragma once
// Stand-in for the read side of the registry under HKEY_CLASSES_ROOT, answered from the XDG
// MIME database (see RegistryXdg.h). Two kinds of keys exist:
//   ".<ext>"                      default value: the MIME type of such files ("text/html");
//   "<type>\shell\open\command"   default value: the default application's Exec line, its
//                                 file/URL field code standing as %1.
// Any other key, or a type without an application, is ERROR_FILE_NOT_FOUND. Key names are
// compared without regard to case, as the registry does.

#include "WinTypes.h"

#include <cstdint>

namespace win {

using HKEY = struct CRegistryKey*;
using LONG = std::int32_t;
using REGSAM = DWORD;

inline HKEY const HKEY_CLASSES_ROOT = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000000u));
inline HKEY const HKEY_CURRENT_USER = reinterpret_cast<HKEY>(static_cast<std::uintptr_t>(0x80000001u));

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr LONG ERROR_INVALID_HANDLE = 6;
constexpr LONG ERROR_MORE_DATA = 234;

// Opens `subKey` below `key`; only HKEY_CLASSES_ROOT and keys opened from it are known.
LONG RegOpenKeyExA(HKEY key, const char* subKey, DWORD options, REGSAM desired, HKEY* result);
// Reads the default value of `subKey` below `key` (of `key` itself when subKey is null or
// empty). `*size` is the buffer size in bytes on entry and the bytes needed (with the
// terminator) on return; a null `value` only asks for the size; a buffer too small gives
// ERROR_MORE_DATA and leaves it untouched.
LONG RegQueryValueA(HKEY key, const char* subKey, char* value, LONG* size);
LONG RegCloseKey(HKEY key);

} // namespace win
