#include "WinSock.h"

#include "BlockingHook.h"
#include "HostEntry.h"
#include "LastError.h"

#include <arpa/inet.h>
#include <cerrno>
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

HANDLE WSAAsyncGetHostByAddr(const char* address, int length, int family, LOOKUPCOMPLETION done, void* context)
{
    return CAsyncResolver::Current().LookUpAddress(address, length, family, done, context);
}

int WSACancelAsyncRequest(HANDLE request)
{
    return CAsyncResolver::Current().Cancel(request) ? 0 : -1;
}

} // namespace win
