#pragma once
// The saved listing's file form, read and written here on its own, apart from the
// program's archive code: a line count, then each line behind its length prefix.

#include <optional>
#include <string>
#include <vector>

class CListingFile {
public:
    // The lines the bytes hold; nothing when they are not exactly one listing (too short,
    // bytes left over, or lines stored as 16-bit characters, which the program never writes).
    static std::optional<std::vector<std::string>> Parse(const std::string& bytes);
    static std::string Compose(const std::vector<std::string>& lines);
};
