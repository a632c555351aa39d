#pragma once
// The process-wide hold on the echo library: its module handle, the three entry points
// and the once-only start-up flag. The holder unloads the library and ends the use of
// the socket library when the process exits.

#include "IcmpApi.h"
#include "Modules.h"

class CIcmpModule {
public:
    CIcmpModule() = default;
    ~CIcmpModule();
    CIcmpModule(const CIcmpModule&) = delete;
    CIcmpModule& operator=(const CIcmpModule&) = delete;

    win::HMODULE m_hModule = nullptr;
};

extern CIcmpModule g_IcmpModule;
extern BOOL g_bIcmpInitTried;
extern win::PFN_IcmpCreateFile g_pfnIcmpCreateFile;
extern win::PFN_IcmpSendEcho g_pfnIcmpSendEcho;
extern win::PFN_IcmpCloseHandle g_pfnIcmpCloseHandle;
// The requests that complete later; null where the echo library lacks them, and then
// every trace probes one request after the other.
extern win::PFN_IcmpSendEcho2 g_pfnIcmpSendEcho2;
extern win::PFN_IcmpParseReplies g_pfnIcmpParseReplies;
