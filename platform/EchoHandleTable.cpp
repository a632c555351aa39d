#include "EchoHandleTable.h"

#include <algorithm>

namespace win {

CEchoHandleTable& CEchoHandleTable::Instance()
{
    static CEchoHandleTable s_table;
    return s_table;
}

HANDLE CEchoHandleTable::Add(std::shared_ptr<CEchoSocket> socket)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const std::uintptr_t key = m_next++;
    m_sockets.emplace_back(key, std::move(socket));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<CEchoSocket> CEchoHandleTable::Find(HANDLE handle) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = Locate(handle);
    return found != m_sockets.end() ? found->second : nullptr;
}

std::shared_ptr<CEchoSocket> CEchoHandleTable::Remove(HANDLE handle)
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = Locate(handle);
    if (found == m_sockets.end())
        return nullptr;
    std::shared_ptr<CEchoSocket> socket = std::move(m_sockets[found - m_sockets.begin()].second);
    m_sockets.erase(found);
    return socket;
}

std::vector<CEchoHandleTable::CEntry>::const_iterator CEchoHandleTable::Locate(HANDLE handle) const
{
    const auto key = reinterpret_cast<std::uintptr_t>(handle);
    return std::find_if(m_sockets.begin(), m_sockets.end(), [key](const CEntry& entry) { return entry.first == key; });
}

} // namespace win
