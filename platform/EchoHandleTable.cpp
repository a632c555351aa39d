#include "EchoHandleTable.h"

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
    m_sockets.emplace(key, std::move(socket));
    return reinterpret_cast<HANDLE>(key);
}

std::shared_ptr<CEchoSocket> CEchoHandleTable::Find(HANDLE handle) const
{
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_sockets.find(reinterpret_cast<std::uintptr_t>(handle));
    return found != m_sockets.end() ? found->second : nullptr;
}

bool CEchoHandleTable::Remove(HANDLE handle)
{
    std::shared_ptr<CEchoSocket> closing;
    std::lock_guard<std::mutex> guard(m_lock);
    const auto found = m_sockets.find(reinterpret_cast<std::uintptr_t>(handle));
    if (found == m_sockets.end())
        return false;
    closing = std::move(found->second);
    m_sockets.erase(found);
    return true;
}

} // namespace win
