#pragma once
// Writes a file whole or not at all: the bytes go to a temporary file with a short name
// beside the target (so that a target name of any allowed length works), are synced to
// disk, and only then replace the target. Any failure leaves the target as it was and no
// temporary file behind. Only a regular file (or a new one) is written. Paths are the
// file system's bytes, whatever their encoding.

#include <cstddef>
#include <string>

class CSafeFileWriter {
public:
    // 0 on success, otherwise the errno of the step that failed.
    static int Write(const std::string& path, const unsigned char* data, std::size_t size);

private:
    static std::string ResolveLink(const std::string& path);
    static int WriteAll(int fd, const unsigned char* data, std::size_t size);
    static void TakeOverMode(int fd, const std::string& target);
};
