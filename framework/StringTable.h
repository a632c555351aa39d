#pragma once
// The string table: the program's texts by id, as UTF-8 source text.

#include "WinTypes.h"

class CStringTable {
public:
    // The text of id, or null when the table has none.
    static const char* Find(UINT id);
};
