#include "SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#include <vector>

namespace {

// Ignores SIGXFSZ while it lives: past the file size limit a write must fail with EFBIG
// instead of ending the program.
class CFileSizeSignalGuard {
public:
    CFileSizeSignalGuard()
    {
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGXFSZ, &ignore, &m_previous);
    }
    ~CFileSizeSignalGuard() { sigaction(SIGXFSZ, &m_previous, nullptr); }
    CFileSizeSignalGuard(const CFileSizeSignalGuard&) = delete;
    CFileSizeSignalGuard& operator=(const CFileSizeSignalGuard&) = delete;

private:
    struct sigaction m_previous {};
};

std::string DirectoryOf(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

} // namespace

int CSafeFileWriter::Write(const std::string& path, const unsigned char* data, std::size_t size, CFileId* written)
{
    std::string target;
    if (const int refused = ResolveLink(path, target); refused != 0) {
        return refused;
    }
    // Only a regular file is replaced: a FIFO or device node of that name stays what it is.
    struct stat status {};
    if (stat(target.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) {
        return EINVAL;
    }
    std::string temporary = DirectoryOf(target) + "/.quorail-XXXXXX";
    std::vector<char> name(temporary.begin(), temporary.end());
    name.push_back('\0');
    const int fd = mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        return errno;
    }
    temporary = name.data();
    TakeOverMode(fd, target);
    CFileSizeSignalGuard guard;
    int error = WriteAll(fd, data, size);
    if (error == 0 && fsync(fd) != 0) {
        error = errno;
    }
    if (error == 0 && written != nullptr) {
        *written = IdOfDescriptor(fd);
    }
    if (close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error == 0 && rename(temporary.c_str(), target.c_str()) != 0) {
        error = errno;
    }
    if (error != 0) {
        unlink(temporary.c_str());
    }
    return error;
}

CSafeFileWriter::CFileId CSafeFileWriter::IdOf(const std::string& path)
{
    std::string target;
    if (ResolveLink(path, target) != 0) {
        target = path;
    }
    return IdOfStatus(AT_FDCWD, target.c_str(), AT_SYMLINK_NOFOLLOW);
}

CSafeFileWriter::CFileId CSafeFileWriter::IdOfDescriptor(int fd)
{
    return IdOfStatus(fd, "", AT_EMPTY_PATH);
}

CSafeFileWriter::CFileId CSafeFileWriter::IdOfStatus(int folder, const char* path, int flags)
{
    struct statx status {};
    if (statx(folder, path, flags, STATX_TYPE | STATX_INO | STATX_BTIME, &status) != 0) {
        return {};
    }
    const long long birth = (status.stx_mask & STATX_BTIME) != 0
                                ? status.stx_btime.tv_sec * 1000000000LL + status.stx_btime.tv_nsec
                                : 0;
    return {true, makedev(status.stx_dev_major, status.stx_dev_minor), status.stx_ino,
            static_cast<mode_t>(status.stx_mode & S_IFMT), birth};
}

// A symbolic link stays a link: the file it points to is replaced. Each link of a chain
// must be one the kernel would follow; the folders on the way are the kernel's to check.
int CSafeFileWriter::ResolveLink(const std::string& path, std::string& target)
{
    constexpr int kMaxLinks = 40; // the kernel's own limit
    target = path;
    for (int links = 0; links < kMaxLinks; ++links) {
        struct stat status {};
        if (lstat(target.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
            return 0;
        }
        if (!MayFollow(target, status)) {
            return EACCES;
        }
        std::vector<char> content(static_cast<std::size_t>(PATH_MAX) + 1);
        const ssize_t length = readlink(target.c_str(), content.data(), content.size());
        if (length < 0 || static_cast<std::size_t>(length) >= content.size()) {
            return length < 0 ? errno : ENAMETOOLONG;
        }
        const std::string next(content.data(), static_cast<std::size_t>(length));
        target = !next.empty() && next.front() == '/' ? next : DirectoryOf(target) + "/" + next;
    }
    return ELOOP;
}

// protected_symlinks: in a sticky world-writable folder a link is followed only when it
// belongs to the follower or to the folder's owner.
bool CSafeFileWriter::MayFollow(const std::string& link, const struct stat& linkStatus)
{
    struct stat folder {};
    if (stat(DirectoryOf(link).c_str(), &folder) != 0) {
        return false;
    }
    const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
    return !shared || linkStatus.st_uid == geteuid() || linkStatus.st_uid == folder.st_uid;
}

int CSafeFileWriter::WriteAll(int fd, const unsigned char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t written = write(fd, data, size);
        if (written < 0) {
            if (errno == EINTR) {
                continue;
            }
            return errno;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

// The replacement keeps the old file's permissions (and, where allowed, its owner); a new
// file gets what the umask leaves of rw-rw-rw-.
void CSafeFileWriter::TakeOverMode(int fd, const std::string& target)
{
    struct stat status {};
    if (stat(target.c_str(), &status) == 0) {
        // Only root may give a file away; otherwise the saving user owns the new one.
        [[maybe_unused]] const int owned = fchown(fd, status.st_uid, status.st_gid);
        fchmod(fd, status.st_mode & 07777);
        return;
    }
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
}
