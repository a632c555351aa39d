#pragma once
// The process-wide hold on the echo library: its module handle, the three entry points
// and the once-only start-up flag. When the process exits, the holder unloads the library
// and ends the use of the socket library.

#include "IcmpApi.h"
#include "Modules.h"

class CIcmpModule {
public:
    constexpr CIcmpModule() = default;
    CIcmpModule(const CIcmpModule&) = delete;
    CIcmpModule& operator=(const CIcmpModule&) = delete;

    // Unloads the library and ends the use of the socket library.
    void Release();

    win::HMODULE m_hModule = nullptr;
};

// Initialised before any code runs; released by the last CIcmpModuleLifetime below.
extern constinit CIcmpModule g_IcmpModule;
extern BOOL g_bIcmpInitTried;
extern win::PFN_IcmpCreateFile g_pfnIcmpCreateFile;
extern win::PFN_IcmpSendEcho g_pfnIcmpSendEcho;
extern win::PFN_IcmpCloseHandle g_pfnIcmpCloseHandle;
// The requests that complete later; null where the echo library lacks them, and then
// every trace probes one request after the other.
extern win::PFN_IcmpSendEcho2 g_pfnIcmpSendEcho2;
extern win::PFN_IcmpParseReplies g_pfnIcmpParseReplies;
// The IPv6 calls; null where the echo library lacks them, and then IPv6 targets fail.
extern win::PFN_Icmp6CreateFile g_pfnIcmp6CreateFile;
extern win::PFN_Icmp6SendEcho2 g_pfnIcmp6SendEcho2;
extern win::PFN_Icmp6ParseReplies g_pfnIcmp6ParseReplies;

// Every file that includes this header holds one of these, constructed before anything
// that file defines after the include. The last one destroyed releases the holder, so the
// holder outlives every process-wide object defined after the include (the application
// object among them), whatever order the linker puts the files in.
class CIcmpModuleLifetime {
public:
    CIcmpModuleLifetime();
    ~CIcmpModuleLifetime();
    CIcmpModuleLifetime(const CIcmpModuleLifetime&) = delete;
    CIcmpModuleLifetime& operator=(const CIcmpModuleLifetime&) = delete;
};

static const CIcmpModuleLifetime s_IcmpModuleLifetime;
