// Feeds arbitrary bytes to the string array's loader: a load either succeeds or throws
// CArchiveException and leaves the array alone; what loaded stores and reloads unchanged.

#include "Archive.h"
#include "StringArray.h"

#include <cstdint>
#include <cstdlib>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    CStringArray lines;
    lines.Add("before");
    const CStringArray before = lines;
    try {
        CArchive ar(CArchive::load, std::vector<unsigned char>(data, data + size));
        lines.Serialize(ar);
    } catch (const CArchiveException&) {
        if (lines != before)
            std::abort();
        return 0;
    }
    CArchive out(CArchive::store);
    lines.Serialize(out);
    CArchive in(CArchive::load, out.GetBuffer());
    CStringArray again;
    again.Serialize(in);
    if (again != lines || in.GetRemaining() != 0)
        std::abort();
    return 0;
}
