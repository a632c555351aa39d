#include "IcmpModule.h"

#include "WinSock.h"

namespace {

int s_nLifetimes = 0; // CIcmpModuleLifetime objects alive

} // namespace

constinit CIcmpModule g_IcmpModule;
BOOL g_bIcmpInitTried = FALSE;
win::PFN_IcmpCreateFile g_pfnIcmpCreateFile = nullptr;
win::PFN_IcmpSendEcho g_pfnIcmpSendEcho = nullptr;
win::PFN_IcmpCloseHandle g_pfnIcmpCloseHandle = nullptr;
win::PFN_IcmpSendEcho2 g_pfnIcmpSendEcho2 = nullptr;
win::PFN_IcmpParseReplies g_pfnIcmpParseReplies = nullptr;
win::PFN_Icmp6CreateFile g_pfnIcmp6CreateFile = nullptr;
win::PFN_Icmp6SendEcho2 g_pfnIcmp6SendEcho2 = nullptr;
win::PFN_Icmp6ParseReplies g_pfnIcmp6ParseReplies = nullptr;

void CIcmpModule::Release()
{
    if (m_hModule != nullptr) {
        win::FreeLibrary(m_hModule);
        m_hModule = nullptr;
    }
    win::WSACleanup();
}

CIcmpModuleLifetime::CIcmpModuleLifetime()
{
    ++s_nLifetimes;
}

CIcmpModuleLifetime::~CIcmpModuleLifetime()
{
    if (--s_nLifetimes == 0) {
        g_IcmpModule.Release();
    }
}
