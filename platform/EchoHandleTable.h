#pragma once
// The open echo handles of the process. A handle is a number standing for a socket, not
// a pointer to it, so that a closed or made-up handle is refused instead of followed, and
// a socket closed on one thread stays alive until a request still using it ends.

#include "EchoSocket.h"
#include "WinTypes.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace win {

class CEchoHandleTable {
public:
    static CEchoHandleTable& Instance();

    HANDLE Add(std::shared_ptr<CEchoSocket> socket);
    // Null when the handle is not open.
    std::shared_ptr<CEchoSocket> Find(HANDLE handle) const;
    // The handle's socket, and the handle is closed; null when it was not open.
    std::shared_ptr<CEchoSocket> Remove(HANDLE handle);

private:
    using CEntry = std::pair<std::uintptr_t, std::shared_ptr<CEchoSocket>>;
    std::vector<CEntry>::const_iterator Locate(HANDLE handle) const;

    mutable std::mutex m_lock;
    // Few handles are open at a time; a vector keeps its room, so opening one allocates nothing.
    std::vector<CEntry> m_sockets;
    std::uintptr_t m_next = 0x100; // never 0 nor INVALID_HANDLE_VALUE
};

} // namespace win
