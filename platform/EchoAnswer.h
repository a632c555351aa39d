#pragma once
// What answered one echo request: the node, the IP_STATUS its message stands for, and
// for an echo reply the echoed data (a view into the received bytes, valid as long as they are).

#include "IpAddress.h"
#include "WinTypes.h"

#include <span>

namespace win {

struct CEchoAnswer {
    DWORD m_status = 0;           // IP_STATUS value
    CIpAddress m_address;         // the answering node
    std::span<const BYTE> m_data; // echoed data; empty for error messages
    BYTE m_ttl = 0;               // TTL (hop limit) of the answer's IP header, 0 when not known
    BYTE m_tos = 0;               // type of service (traffic class) of the answer's IP header
};

} // namespace win
