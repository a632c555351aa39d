#include "ScriptedPeer.h"

#include "IcmpPacket.h"

#include <arpa/inet.h>
#include <cstring>
#include <linux/if_ether.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace test {

namespace {

bool IsRequestIntoTheTestRange(const Bytes& packet)
{
    if (packet.size() < 28 || (packet[0] >> 4) != 4 || packet[9] != IPPROTO_ICMP)
        return false;
    const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
    return packet[16] == 198 && packet[17] == 18 && packet[18] == 99 && packet.size() >= header + 8 &&
           packet[header] == win::CIcmpPacket::kEchoRequest;
}

IPAddr ReadAddress(const Bytes& packet, std::size_t offset)
{
    IPAddr address = 0;
    std::memcpy(&address, &packet[offset], sizeof address);
    return address;
}

} // namespace

CScriptedPeer::CScriptedPeer(Script script)
    : m_script(std::move(script))
{
    // ETH_P_ALL: only such taps see a device's outgoing packets.
    m_capture = ::socket(AF_PACKET, SOCK_DGRAM | SOCK_CLOEXEC, htons(ETH_P_ALL));
    m_inject = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_RAW);
    sockaddr_ll link{};
    link.sll_family = AF_PACKET;
    link.sll_protocol = htons(ETH_P_ALL);
    link.sll_ifindex = static_cast<int>(::if_nametoindex("lo"));
    if (m_capture >= 0 && ::bind(m_capture, reinterpret_cast<sockaddr*>(&link), sizeof link) != 0) {
        ::close(m_capture);
        m_capture = -1;
    }
    if (Ready())
        m_thread = std::thread([this] { Run(); });
}

CScriptedPeer::~CScriptedPeer()
{
    m_stop = true;
    if (m_thread.joinable())
        m_thread.join();
    if (m_capture >= 0)
        ::close(m_capture);
    if (m_inject >= 0)
        ::close(m_inject);
}

bool CScriptedPeer::Ready() const
{
    return m_capture >= 0 && m_inject >= 0;
}

int CScriptedPeer::RequestsSeen() const
{
    return m_requests;
}

Bytes CScriptedPeer::ReplyTo(const Bytes& request)
{
    const std::size_t header = static_cast<std::size_t>(request[0] & 0x0F) * 4;
    Bytes message(request.begin() + static_cast<std::ptrdiff_t>(header), request.end());
    message[0] = win::CIcmpPacket::kEchoReply;
    win::CIcmpPacket::WriteWord(message, 2, 0);
    win::CIcmpPacket::WriteWord(message, 2, win::CIcmpPacket::Checksum(message));
    return IpPacket(ReadAddress(request, 16), ReadAddress(request, 12), IPPROTO_ICMP, message);
}

Bytes CScriptedPeer::ErrorAbout(const Bytes& request, BYTE type, BYTE code, IPAddr router)
{
    return IpPacket(router, ReadAddress(request, 12), IPPROTO_ICMP, ErrorQuoting(type, code, request));
}

void CScriptedPeer::Run()
{
    Bytes buffer(65536);
    while (!m_stop) {
        pollfd entry{m_capture, POLLIN, 0};
        if (::poll(&entry, 1, 20) <= 0)
            continue;
        sockaddr_ll from{};
        socklen_t length = sizeof from;
        const ssize_t got = ::recvfrom(m_capture, buffer.data(), buffer.size(), 0,
                                       reinterpret_cast<sockaddr*>(&from), &length);
        if (got <= 0 || from.sll_pkttype != PACKET_OUTGOING)
            continue;
        const Bytes packet(buffer.begin(), buffer.begin() + got);
        if (!IsRequestIntoTheTestRange(packet))
            continue;
        ++m_requests;
        Answer(packet);
    }
}

void CScriptedPeer::Answer(const Bytes& request)
{
    const auto seen = std::chrono::steady_clock::now();
    for (const CPeerPacket& answer : m_script(request)) {
        std::this_thread::sleep_until(seen + answer.m_delay);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = ReadAddress(answer.m_packet, 16);
        ::sendto(m_inject, answer.m_packet.data(), answer.m_packet.size(), 0, reinterpret_cast<sockaddr*>(&to),
                 sizeof to);
    }
}

} // namespace test
