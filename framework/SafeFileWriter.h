#pragma once
// Writes a file whole or not at all: the bytes go to a temporary file with a short name
// beside the target (so that a target name of any allowed length works), are synced to
// disk, and only then replace the target. Any failure leaves the target as it was and no
// temporary file behind. Only a regular file (or a new one) is written. Paths are the
// file system's bytes, whatever their encoding.
//
// A symbolic link at the name is followed only where the kernel's protected_symlinks
// would follow it for this user: in a sticky world-writable folder only a link owned by
// the user or by the folder's owner. Another user's link there is refused (EACCES).

#include <cstddef>
#include <string>
#include <sys/types.h>

class CSafeFileWriter {
public:
    // Which file a name stands for; unknown where nothing is there. An inode number freed
    // is soon given again, so its kind and birth time (where the file system keeps one)
    // tell the new file from the old.
    struct CFileId {
        bool m_bKnown = false;
        dev_t m_device = 0;
        ino_t m_inode = 0;
        mode_t m_kind = 0;        // S_IFMT bits
        long long m_birthNs = 0;  // ns since the epoch; 0 where unknown
        bool operator==(const CFileId&) const = default;
    };

    // 0 on success, otherwise the errno of the step that failed. written: the file that
    // now holds the bytes.
    static int Write(const std::string& path, const unsigned char* data, std::size_t size, CFileId* written = nullptr);
    // The file Write would replace at path: the link's target where it may be followed,
    // else the link itself.
    static CFileId IdOf(const std::string& path);
    static CFileId IdOfDescriptor(int fd);

private:
    // The name to replace, links followed as allowed; 0 or the errno (EACCES, ELOOP).
    static CFileId IdOfStatus(int folder, const char* path, int flags);
    static int ResolveLink(const std::string& path, std::string& target);
    static bool MayFollow(const std::string& link, const struct stat& linkStatus);
    static int WriteAll(int fd, const unsigned char* data, std::size_t size);
    static void TakeOverMode(int fd, const std::string& target);
};
