#pragma once
// The string table: texts by id, as UTF-8 source text. The framework brings its own
// standard texts; the program adds its texts with a static CStringTable object of its
// resources, and those come first where both have an id.

#include "WinTypes.h"

#include <map>

class CStringTable {
public:
    // Adds the texts for the life of the process.
    explicit CStringTable(const std::map<UINT, const char*>& texts);
    // The text of id, or null when the table has none.
    static const char* Find(UINT id);
};
