#pragma once
// Owns the data behind one `hostent`, the record that the Windows Sockets resolver
// hands out. The pointers of the record point into this object.

#include <netdb.h>

#include <string>
#include <vector>

namespace win {

class CHostEntry {
public:
    CHostEntry() = default;
    CHostEntry(const CHostEntry& other);
    CHostEntry& operator=(const CHostEntry& other);

    // Copies a resolver result; the source may be freed afterwards.
    void Assign(const hostent& source);
    hostent* Get();

private:
    void Rebuild();

    std::string m_name;
    std::vector<std::string> m_aliases;
    std::vector<std::string> m_addresses; // each h_length bytes
    int m_addrType = 0;
    int m_length = 0;
    std::vector<char*> m_aliasPointers;
    std::vector<char*> m_addressPointers;
    hostent m_entry{};
};

} // namespace win
