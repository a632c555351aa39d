#include "ShellExecute.h"

#include "ShellSpawn.h"

#include <atomic>
#include <cerrno>
#include <string>
#include <strings.h>
#include <sys/stat.h>

namespace win {

namespace {

std::atomic<long long> g_shellOpenWaitMs{3000};

int CodeForExit(int exitCode)
{
    switch (exitCode) {
    case 0:
        return SHELL_OPEN_SUCCESS;
    case 1:
    case 2:
        return SE_ERR_FNF;
    default:
        return SE_ERR_NOASSOC;
    }
}

int CodeForSpawnError(int error)
{
    if (error == ENOMEM || error == EAGAIN)
        return SE_ERR_OOM;
    return SE_ERR_NOASSOC;
}

// xdg-open takes a leading "-" as an option ("--version" would "succeed"); a relative
// name is kept pointing at the same file, while URLs never start with "-".
std::string ArgumentFor(const std::string& file)
{
    if (file.front() == '-')
        return "./" + file;
    return file;
}

bool IsDirectory(const char* path)
{
    struct stat info {};
    return stat(path, &info) == 0 && S_ISDIR(info.st_mode);
}

} // namespace

int ShellExecuteA(void*, const char* verb, const char* file, const char*, const char* directory, int)
{
    if (verb != nullptr && *verb != '\0' && strcasecmp(verb, "open") != 0)
        return SE_ERR_NOASSOC;
    if (file == nullptr || *file == '\0')
        return SE_ERR_FNF;
    if (directory != nullptr && *directory != '\0' && !IsDirectory(directory))
        return SE_ERR_PNF;

    const CSpawnResult spawned =
        SpawnProgram({"xdg-open", ArgumentFor(file)}, directory != nullptr ? directory : "");
    if (spawned.m_error != 0)
        return CodeForSpawnError(spawned.m_error);

    const std::optional<int> exitCode = WaitForExit(spawned.m_pid, GetShellOpenWait());
    if (!exitCode) {
        ReapInBackground(spawned.m_pid);
        return SHELL_OPEN_SUCCESS;
    }
    return CodeForExit(*exitCode);
}

std::chrono::milliseconds GetShellOpenWait()
{
    return std::chrono::milliseconds(g_shellOpenWaitMs.load());
}

void SetShellOpenWait(std::chrono::milliseconds wait)
{
    g_shellOpenWaitMs.store(wait.count());
}

} // namespace win
