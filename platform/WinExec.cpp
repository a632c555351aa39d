#include "WinExec.h"

#include "ShellSpawn.h"

#include <cerrno>
#include <sys/stat.h>

namespace win {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::size_t SkipBlanks(const std::string& text, std::size_t pos)
{
    while (pos < text.size() && IsBlank(text[pos]))
        ++pos;
    return pos;
}

// The program name: no escapes, a leading quote runs to the next quote.
std::size_t ReadProgramName(const std::string& text, std::string& name)
{
    std::size_t pos = 0;
    if (!text.empty() && text[0] == '"') {
        const std::size_t end = text.find('"', 1);
        name = text.substr(1, end == std::string::npos ? std::string::npos : end - 1);
        return end == std::string::npos ? text.size() : end + 1;
    }
    while (pos < text.size() && !IsBlank(text[pos]))
        ++pos;
    name = text.substr(0, pos);
    return pos;
}

// One further argument starting at pos; returns the position after it.
std::size_t ReadArgument(const std::string& text, std::size_t pos, std::string& argument)
{
    bool quoted = false;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c == '\\') {
            std::size_t count = 0;
            while (pos < text.size() && text[pos] == '\\') {
                ++count;
                ++pos;
            }
            if (pos < text.size() && text[pos] == '"') {
                argument.append(count / 2, '\\');
                if (count % 2 == 1) {
                    argument += '"';
                    ++pos;
                }
            } else {
                argument.append(count, '\\');
            }
            continue;
        }
        if (c == '"') {
            if (quoted && pos + 1 < text.size() && text[pos + 1] == '"') {
                argument += '"';
                pos += 2;
                continue;
            }
            quoted = !quoted;
            ++pos;
            continue;
        }
        if (IsBlank(c) && !quoted)
            break;
        argument += c;
        ++pos;
    }
    return pos;
}

bool FolderOfExists(const std::string& program)
{
    const std::size_t slash = program.rfind('/');
    if (slash == std::string::npos)
        return true;
    const std::string folder = slash == 0 ? "/" : program.substr(0, slash);
    struct stat info {};
    return stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

UINT CodeForSpawnError(int error, const std::string& program)
{
    switch (error) {
    case ENOENT:
        return FolderOfExists(program) ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
    case ENOTDIR:
        return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
        return ERROR_ACCESS_DENIED;
    case ENOEXEC:
    case EISDIR:
        return ERROR_BAD_FORMAT;
    default:
        return 0;
    }
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> arguments(1);
    std::size_t pos = ReadProgramName(commandLine, arguments.front());
    for (pos = SkipBlanks(commandLine, pos); pos < commandLine.size(); pos = SkipBlanks(commandLine, pos)) {
        std::string argument;
        pos = ReadArgument(commandLine, pos, argument);
        arguments.push_back(std::move(argument));
    }
    return arguments;
}

UINT WinExec(const char* cmdLine, UINT)
{
    if (cmdLine == nullptr)
        return ERROR_FILE_NOT_FOUND;
    const std::vector<std::string> arguments = SplitCommandLine(cmdLine);
    if (arguments.front().empty())
        return ERROR_FILE_NOT_FOUND;

    const CSpawnResult spawned = SpawnProgram(arguments, "");
    if (spawned.m_error != 0)
        return CodeForSpawnError(spawned.m_error, arguments.front());
    ReapInBackground(spawned.m_pid);
    return WINEXEC_SUCCESS;
}

} // namespace win
