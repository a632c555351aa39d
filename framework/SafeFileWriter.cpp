#include "SafeFileWriter.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
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

int CSafeFileWriter::Write(const std::string& path, const unsigned char* data, std::size_t size)
{
    const std::string target = ResolveLink(path);
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

// A symbolic link stays a link: the file it points to is replaced.
std::string CSafeFileWriter::ResolveLink(const std::string& path)
{
    struct stat status {};
    if (lstat(path.c_str(), &status) != 0 || !S_ISLNK(status.st_mode)) {
        return path;
    }
    char* resolved = realpath(path.c_str(), nullptr);
    if (resolved == nullptr) {
        return path;
    }
    std::string target = resolved;
    std::free(resolved);
    return target;
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
