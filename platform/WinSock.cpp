#include "WinSock.h"

#include "BlockingHook.h"
#include "HostEntry.h"
#include "LastError.h"

#include <ares.h>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <poll.h>
#include <memory>
#include <string>
#include <vector>

namespace win {

namespace {

thread_local CHostEntry t_hostEntry;

struct CLookupResult {
    bool m_found = false;
    int m_herror = HOST_NOT_FOUND;
    CHostEntry m_entry;
};

// Runs one reentrant resolver call, growing its scratch buffer while it asks for more.
template <typename Call>
CLookupResult Lookup(Call call)
{
    CLookupResult result;
    std::vector<char> buffer(8192);
    for (;;) {
        hostent entry{};
        hostent* found = nullptr;
        int herror = 0;
        const int rc = call(&entry, buffer.data(), buffer.size(), &found, &herror);
        if (rc == ERANGE && buffer.size() < (1u << 22)) {
            buffer.resize(buffer.size() * 2);
            continue;
        }
        if (rc == 0 && found != nullptr) {
            result.m_found = true;
            result.m_entry.Assign(*found);
        } else {
            result.m_herror = herror != 0 ? herror : NO_RECOVERY;
        }
        return result;
    }
}

// A lookup cut off by WSACancelBlockingCall fails with WSAEINTR, as in Windows Sockets.
hostent* Publish(bool finished, const CLookupResult& result)
{
    if (!finished) {
        SetLastError(WSAEINTR);
        return nullptr;
    }
    if (!result.m_found) {
        SetLastError(WSABASEERR_HOST + static_cast<DWORD>(result.m_herror));
        return nullptr;
    }
    t_hostEntry = result.m_entry;
    return t_hostEntry.Get();
}

struct CAddrInfoResult {
    bool m_done = false;
    int m_status = ARES_ENOTFOUND;
    std::vector<CIpAddress> m_addresses;
};

void OnAddrInfo(void* arg, int status, int, ares_addrinfo* info)
{
    auto& result = *static_cast<CAddrInfoResult*>(arg);
    result.m_done = true;
    result.m_status = status;
    for (const ares_addrinfo_node* node = info != nullptr ? info->nodes : nullptr; node != nullptr;
         node = node->ai_next) {
        if (node->ai_family == AF_INET6 && node->ai_addrlen >= static_cast<int>(sizeof(sockaddr_in6)))
            result.m_addresses.push_back(
                CIpAddress::FromSockaddr6(*reinterpret_cast<const sockaddr_in6*>(node->ai_addr)));
        else if (node->ai_family == AF_INET && node->ai_addrlen >= static_cast<int>(sizeof(sockaddr_in)))
            result.m_addresses.emplace_back(reinterpret_cast<const sockaddr_in*>(node->ai_addr)->sin_addr.s_addr);
    }
    if (info != nullptr)
        ares_freeaddrinfo(info);
}

// One lookup on a channel of its own, waited for here.
CAddrInfoResult ResolveName(const std::string& name, int family)
{
    static std::once_flag s_libraryReady;
    std::call_once(s_libraryReady, [] { ares_library_init(ARES_LIB_INIT_ALL); });
    CAddrInfoResult result;
    ares_channel channel = nullptr;
    if (ares_init(&channel) != ARES_SUCCESS) {
        result.m_status = ARES_ENOMEM;
        return result;
    }
    ares_addrinfo_hints hints{};
    hints.ai_family = family;
    ares_getaddrinfo(channel, name.c_str(), nullptr, &hints, &OnAddrInfo, &result);
    while (!result.m_done) {
        ares_socket_t sockets[ARES_GETSOCK_MAXNUM];
        const int bits = ares_getsock(channel, sockets, ARES_GETSOCK_MAXNUM);
        std::vector<pollfd> fds;
        for (int i = 0; i < ARES_GETSOCK_MAXNUM; ++i) {
            const short events = static_cast<short>((ARES_GETSOCK_READABLE(bits, i) ? POLLIN : 0) |
                                                    (ARES_GETSOCK_WRITABLE(bits, i) ? POLLOUT : 0));
            if (events != 0)
                fds.push_back({sockets[i], events, 0});
        }
        timeval wait{};
        timeval longest{1, 0};
        ares_timeout(channel, &longest, &wait);
        ::poll(fds.data(), fds.size(), static_cast<int>(wait.tv_sec * 1000 + wait.tv_usec / 1000 + 1));
        for (const pollfd& entry : fds) {
            if (entry.revents == 0)
                continue;
            const bool readable = (entry.revents & (POLLIN | POLLERR | POLLHUP)) != 0;
            ares_process_fd(channel, readable ? entry.fd : ARES_SOCKET_BAD,
                            (entry.revents & POLLOUT) != 0 ? entry.fd : ARES_SOCKET_BAD);
        }
        ares_process_fd(channel, ARES_SOCKET_BAD, ARES_SOCKET_BAD);
    }
    // c-ares 1.18 ends a lookup that only the hosts file may answer (nsswitch.conf's
    // "hosts: files") with "could not contact DNS servers", though it asked none.
    ares_options options{};
    int mask = 0;
    if (result.m_status == ARES_ECONNREFUSED && ares_save_options(channel, &options, &mask) == ARES_SUCCESS) {
        if ((mask & ARES_OPT_LOOKUPS) != 0 && options.lookups != nullptr && std::strchr(options.lookups, 'b') == nullptr)
            result.m_status = ARES_ENOTFOUND;
        ares_destroy_options(&options);
    }
    ares_destroy(channel);
    return result;
}

DWORD ErrorForAddrInfo(int status)
{
    switch (status) {
    case ARES_SUCCESS:
        return 0;
    case ARES_ENODATA:
        return WSANO_DATA;
    case ARES_ETIMEOUT:
    case ARES_ECONNREFUSED:
    case ARES_ESERVFAIL:
        return WSATRY_AGAIN;
    case ARES_ENOTFOUND:
    case ARES_EBADNAME:
    case ARES_EBADFAMILY:
        return WSAHOST_NOT_FOUND;
    default:
        return WSANO_RECOVERY;
    }
}

} // namespace

int WSAStartup(WORD versionRequested, WSADATA* data)
{
    if (data != nullptr) {
        data->wVersion = versionRequested;
        data->wHighVersion = MAKEWORD(1, 1);
    }
    return 0;
}

int WSACleanup()
{
    return 0;
}

std::uint32_t inet_addr(const char* text)
{
    if (text == nullptr)
        return INADDR_NONE_VALUE;
    in_addr address{};
    if (::inet_aton(text, &address) == 0)
        return INADDR_NONE_VALUE;
    return address.s_addr;
}

hostent* gethostbyname(const char* name)
{
    if (name == nullptr) {
        SetLastError(WSAHOST_NOT_FOUND);
        return nullptr;
    }
    auto result = std::make_shared<CLookupResult>();
    const bool finished = RunBlocking([result, host = std::string(name)] {
        *result = Lookup([&](hostent* entry, char* buffer, std::size_t size, hostent** found, int* herror) {
            return ::gethostbyname_r(host.c_str(), entry, buffer, size, found, herror);
        });
    });
    return Publish(finished, *result);
}

hostent* gethostbyaddr(const char* address, int length, int family)
{
    if (address == nullptr || length <= 0) {
        SetLastError(WSANO_RECOVERY);
        return nullptr;
    }
    auto result = std::make_shared<CLookupResult>();
    const bool finished =
        RunBlocking([result, bytes = std::string(address, static_cast<std::size_t>(length)), family] {
            *result = Lookup([&](hostent* entry, char* buffer, std::size_t size, hostent** found, int* herror) {
                return ::gethostbyaddr_r(bytes.data(), static_cast<socklen_t>(bytes.size()), family, entry, buffer,
                                         size, found, herror);
            });
        });
    return Publish(finished, *result);
}

DWORD GetAddrInfo(const char* name, int family, std::vector<CIpAddress>& addresses)
{
    addresses.clear();
    if (name == nullptr || *name == '\0') {
        SetLastError(WSAHOST_NOT_FOUND);
        return WSAHOST_NOT_FOUND;
    }
    auto result = std::make_shared<CAddrInfoResult>();
    const bool finished = RunBlocking([result, host = std::string(name), family] { *result = ResolveName(host, family); });
    DWORD error = !finished ? WSAEINTR : ErrorForAddrInfo(result->m_status);
    if (error == 0 && result->m_addresses.empty())
        error = WSANO_DATA;
    if (error == 0)
        addresses = result->m_addresses;
    SetLastError(error);
    return error;
}

HANDLE WSAAsyncGetHostByAddr(const char* address, int length, int family, LOOKUPCOMPLETION done, void* context)
{
    return CAsyncResolver::Current().LookUpAddress(address, length, family, done, context);
}

int WSACancelAsyncRequest(HANDLE request)
{
    return CAsyncResolver::Current().Cancel(request) ? 0 : -1;
}

} // namespace win
