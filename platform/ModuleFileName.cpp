#include "ModuleFileName.h"

#include "LastError.h"

#include <climits>
#include <cstring>
#include <string>
#include <unistd.h>

namespace win {

DWORD GetModuleFileNameA(HMODULE module, char* buffer, DWORD size)
{
    if (module != nullptr) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return 0;
    }
    if (buffer == nullptr || size == 0) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path);
    if (length <= 0 || length >= static_cast<ssize_t>(sizeof path)) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return 0;
    }
    if (static_cast<DWORD>(length) >= size) {
        std::memcpy(buffer, path, size - 1);
        buffer[size - 1] = '\0';
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return size;
    }
    std::memcpy(buffer, path, static_cast<std::size_t>(length));
    buffer[length] = '\0';
    SetLastError(ERROR_SUCCESS);
    return static_cast<DWORD>(length);
}

} // namespace win
