#include "DirectEcho.h"

#include "LastError.h"

#include <chrono>
#include <cstring>
#include <netinet/in.h>
#include <vector>

DirectEcho SendDirectEcho(IPAddr destination, BYTE ttl, DWORD timeoutMs)
{
    DirectEcho echo;
    const HANDLE handle = win::IcmpCreateFile();
    if (handle == INVALID_HANDLE_VALUE) {
        echo.m_lastError = win::GetLastError();
        return echo;
    }
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    const std::vector<BYTE> data(32, 'E');
    std::vector<BYTE> buffer(data.size() + sizeof(win::ICMP_ECHO_REPLY) + 8);
    const auto start = std::chrono::steady_clock::now();
    echo.m_count = win::IcmpSendEcho(handle, destination, data.data(), static_cast<WORD>(data.size()), &options,
                                     buffer.data(), static_cast<DWORD>(buffer.size()), timeoutMs);
    echo.m_elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (echo.m_count == 0)
        echo.m_lastError = win::GetLastError();
    else
        std::memcpy(&echo.m_record, buffer.data(), sizeof echo.m_record);
    win::IcmpCloseHandle(handle);
    return echo;
}

DirectEcho SendDirectEcho6(const win::CIpAddress& destination, BYTE ttl, DWORD timeoutMs)
{
    DirectEcho echo;
    const HANDLE handle = win::Icmp6CreateFile();
    if (handle == INVALID_HANDLE_VALUE) {
        echo.m_lastError = win::GetLastError();
        return echo;
    }
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    const std::vector<BYTE> data(32, 'E');
    std::vector<BYTE> buffer(data.size() + sizeof(win::ICMPV6_ECHO_REPLY) + 8);
    sockaddr_in6 source{};
    source.sin6_family = AF_INET6;
    sockaddr_in6 to{};
    destination.ToSockaddr6(to);
    const auto start = std::chrono::steady_clock::now();
    echo.m_count = win::Icmp6SendEcho2(handle, nullptr, nullptr, nullptr, &source, &to, data.data(),
                                       static_cast<WORD>(data.size()), &options, buffer.data(),
                                       static_cast<DWORD>(buffer.size()), timeoutMs);
    echo.m_elapsedMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (echo.m_count == 0)
        echo.m_lastError = win::GetLastError();
    else
        std::memcpy(&echo.m_record6, buffer.data(), sizeof echo.m_record6);
    win::IcmpCloseHandle(handle);
    return echo;
}

win::CIpAddress RecordAddress(const win::ICMPV6_ECHO_REPLY& record)
{
    BYTE bytes[16];
    std::memcpy(bytes, record.Address.sin6_addr, sizeof bytes);
    return win::CIpAddress::FromV6(bytes, record.Address.sin6_scope_id);
}
