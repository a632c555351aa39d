#pragma once
// Modules looked up by name, standing in for LoadLibraryA, GetProcAddress and FreeLibrary.
// There are no loadable libraries here: a module is a table of named entry points
// registered in the process. "ICMP.DLL" is built in (the echo facility); a test can
// register its own table under that name, which then wins over the built-in one.

#include "WinTypes.h"

#include <string>
#include <utility>
#include <vector>

namespace win {

using FARPROC = void (*)();
using HMODULE = struct CModuleTable*;

struct CModuleTable {
    std::string m_name;
    std::vector<std::pair<std::string, FARPROC>> m_entries;
};

// Registers (or replaces) a module table under its name, compared without regard to case.
void RegisterModule(const CModuleTable& table);
// Removes a registered table; the built-in "ICMP.DLL" comes back if it was hidden.
void UnregisterModule(const std::string& name);

// Null with ERROR_MOD_NOT_FOUND when no module of that name exists.
HMODULE LoadLibraryA(const char* name);
// Null with ERROR_PROC_NOT_FOUND when the module has no such entry point.
FARPROC GetProcAddress(HMODULE module, const char* procName);
BOOL FreeLibrary(HMODULE module);

} // namespace win
