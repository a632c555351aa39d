// libFuzzer target: the helper's request reader on any bytes, in any split. A request it
// lets through must be a cancel or an echo request the helper may send.

#include "ProbeRequestReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CProbeRequestReader reader;
    const char* bytes = reinterpret_cast<const char*>(data);
    // The first byte chooses where the input is split into two reads.
    const std::size_t split = size > 0 ? data[0] % (size + 1) : 0;
    reader.Feed({bytes, split});
    bool second = false;
    for (;;) {
        win::CProbeRequest request;
        const CProbeRequestReader::ERead read = reader.Next(request);
        if (read == CProbeRequestReader::ERead::Request) {
            if (request.m_cancel)
                continue;
            if (!win::CProbeProtocol::IsUnicast(request.m_destination) || request.m_ttl < 1 ||
                request.m_dataSize > win::CProbeProtocol::kMaxDataSize)
                std::abort();
            continue;
        }
        if (read == CProbeRequestReader::ERead::Bad || second)
            return 0;
        reader.Feed({bytes + split, size - split});
        second = true;
    }
}
