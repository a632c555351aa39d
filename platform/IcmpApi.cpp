#include "IcmpApi.h"

#include "LastError.h"

// Placeholder until the socket-backed echo facility lands: no handle can be opened.
namespace win {

HANDLE IcmpCreateFile()
{
    SetLastError(ERROR_ACCESS_DENIED);
    return INVALID_HANDLE_VALUE;
}

DWORD IcmpSendEcho(HANDLE, IPAddr, const void*, WORD, const IP_OPTION_INFORMATION*, void*, DWORD, DWORD)
{
    SetLastError(IP_GENERAL_FAILURE);
    return 0;
}

BOOL IcmpCloseHandle(HANDLE)
{
    return TRUE;
}

} // namespace win
