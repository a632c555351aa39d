// quorail-probe-cost: what the echo facility costs per probe, measured on loopback where
// the round trip itself is a few microseconds. Each probe opens a handle, sends one echo
// request with 32 data bytes and closes the handle, as the trace engine does.
// Usage: quorail-probe-cost [PROBES]   (default 20000); prints microseconds per probe.

#include "IcmpApi.h"
#include "LastError.h"
#include "ProbeClient.h"

#include <arpa/inet.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    const int probes = argc > 1 ? std::atoi(argv[1]) : 20000;
    if (probes <= 0) {
        std::fputs("usage: quorail-probe-cost [PROBES]\n", stderr);
        return 2;
    }
    // Where neither socket kind may be opened, the helper of this build serves.
    win::CProbeClient::SetHelperPath(QUORAIL_PROBE);
    const std::vector<BYTE> request(32, 'E');
    std::vector<BYTE> reply(60);
    win::IP_OPTION_INFORMATION options{};
    options.Ttl = 64;
    const IPAddr loopback = ::inet_addr("127.0.0.1");
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < probes; ++i) {
        const HANDLE handle = win::IcmpCreateFile();
        if (handle == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "quorail-probe-cost: no echo handle (error %u)\n", win::GetLastError());
            return 1;
        }
        const DWORD count = win::IcmpSendEcho(handle, loopback, request.data(), static_cast<WORD>(request.size()),
                                              &options, reply.data(), static_cast<DWORD>(reply.size()), 1000);
        win::IcmpCloseHandle(handle);
        if (count != 1) {
            std::fprintf(stderr, "quorail-probe-cost: no answer from loopback (error %u)\n", win::GetLastError());
            return 1;
        }
    }
    const std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    std::printf("%.1f\n", elapsed.count() / probes);
    return 0;
}
