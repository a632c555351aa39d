#pragma once
// Windows Sockets 1.1 as far as the program uses it: start-up and clean-up (nothing to
// do on Linux), and the resolver over the C library. A failed lookup leaves
// 11000 + h_errno in the thread's last-error value, as Windows Sockets does
// (11001 unknown host, 11002 try again, 11003 no recovery, 11004 no data).
// Lookups honour the thread's blocking hook (BlockingHook.h).

#include "AsyncResolver.h"
#include "IpAddress.h"
#include "WinTypes.h"

#include <netdb.h>
#include <vector>

namespace win {

struct WSADATA {
    WORD wVersion;
    WORD wHighVersion;
};

constexpr WORD MAKEWORD(BYTE low, BYTE high)
{
    return static_cast<WORD>(low | (high << 8));
}

constexpr std::uint32_t INADDR_NONE_VALUE = 0xFFFFFFFFu;

int WSAStartup(WORD versionRequested, WSADATA* data);
int WSACleanup();

// The address in network order, or INADDR_NONE_VALUE when text is no dotted IPv4 address.
std::uint32_t inet_addr(const char* text);
// The record lives in the calling thread until its next lookup; null on failure.
hostent* gethostbyname(const char* name);
hostent* gethostbyaddr(const char* address, int length, int family);

// Windows Sockets 2's getaddrinfo for a host name alone, over c-ares: the addresses of family
// (AF_UNSPEC, AF_INET or AF_INET6) in the system's order of preference (RFC 6724, as the
// C library sorts them: a family the machine has no route for comes last). 0, or the
// resolver's error (WSAHOST_NOT_FOUND, WSATRY_AGAIN, WSANO_RECOVERY, WSANO_DATA; WSAEINTR when
// the blocking call was cancelled), which is also left as the last error.
DWORD GetAddrInfo(const char* name, int family, std::vector<CIpAddress>& addresses);

// Windows Sockets' asynchronous reverse lookup, with a completion routine in place of the
// window message: done runs on this thread inside an alertable wait (SleepEx, AlertableWait.h).
// Null with the last error set when it cannot start.
HANDLE WSAAsyncGetHostByAddr(const char* address, int length, int family, LOOKUPCOMPLETION done, void* context);
// The lookup's routine will not run. 0, or SOCKET_ERROR when the lookup is not waiting.
int WSACancelAsyncRequest(HANDLE request);

} // namespace win
