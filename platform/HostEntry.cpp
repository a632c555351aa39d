#include "HostEntry.h"

namespace win {

CHostEntry::CHostEntry(const CHostEntry& other)
    : m_name(other.m_name)
    , m_aliases(other.m_aliases)
    , m_addresses(other.m_addresses)
    , m_addrType(other.m_addrType)
    , m_length(other.m_length)
{
    Rebuild();
}

CHostEntry& CHostEntry::operator=(const CHostEntry& other)
{
    if (this == &other)
        return *this;
    m_name = other.m_name;
    m_aliases = other.m_aliases;
    m_addresses = other.m_addresses;
    m_addrType = other.m_addrType;
    m_length = other.m_length;
    Rebuild();
    return *this;
}

void CHostEntry::Assign(const hostent& source)
{
    m_name = source.h_name != nullptr ? source.h_name : "";
    m_aliases.clear();
    for (char** alias = source.h_aliases; alias != nullptr && *alias != nullptr; ++alias)
        m_aliases.emplace_back(*alias);
    m_addrType = source.h_addrtype;
    m_length = source.h_length > 0 ? source.h_length : 0;
    m_addresses.clear();
    for (char** address = source.h_addr_list; address != nullptr && *address != nullptr; ++address)
        m_addresses.emplace_back(*address, static_cast<std::size_t>(m_length));
    Rebuild();
}

hostent* CHostEntry::Get()
{
    return &m_entry;
}

void CHostEntry::Rebuild()
{
    m_aliasPointers.clear();
    for (std::string& alias : m_aliases)
        m_aliasPointers.push_back(alias.data());
    m_aliasPointers.push_back(nullptr);
    m_addressPointers.clear();
    for (std::string& address : m_addresses)
        m_addressPointers.push_back(address.data());
    m_addressPointers.push_back(nullptr);
    m_entry.h_name = m_name.data();
    m_entry.h_aliases = m_aliasPointers.data();
    m_entry.h_addrtype = m_addrType;
    m_entry.h_length = m_length;
    m_entry.h_addr_list = m_addressPointers.data();
}

} // namespace win
