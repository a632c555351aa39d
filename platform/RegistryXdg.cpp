#include "RegistryXdg.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>
#include <set>
#include <sstream>
#include <sys/stat.h>

namespace win::xdg {

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string Trim(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> Split(const std::string& text, char separator)
{
    std::vector<std::string> parts;
    std::string part;
    std::istringstream stream(text);
    while (std::getline(stream, part, separator))
        parts.push_back(part);
    return parts;
}

std::string Environment(const char* name)
{
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

// A base directory variable: only absolute paths count, as the XDG rules say.
void AppendFolders(std::vector<std::string>& folders, const std::string& list)
{
    for (const std::string& folder : Split(list, ':')) {
        if (!folder.empty() && folder.front() == '/')
            folders.push_back(folder);
    }
}

std::string HomeFolder(const char* variable, const char* fallbackBelowHome)
{
    const std::string value = Environment(variable);
    if (!value.empty() && value.front() == '/')
        return value;
    return Environment("HOME") + fallbackBelowHome;
}

bool IsRegularFile(const std::string& path)
{
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Reads one group of a key file (desktop entry, mimeapps.list) as key/value pairs.
std::vector<std::pair<std::string, std::string>> ReadGroup(const std::string& path, const std::string& group)
{
    std::vector<std::pair<std::string, std::string>> entries;
    std::ifstream file(path);
    std::string line;
    bool inGroup = false;
    while (std::getline(file, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (line.empty() || line.front() == '#')
            continue;
        if (line.front() == '[') {
            inGroup = line == "[" + group + "]";
            continue;
        }
        const std::size_t equals = line.find('=');
        if (inGroup && equals != std::string::npos)
            entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return entries;
}

std::vector<std::string> IdsFor(const std::vector<std::pair<std::string, std::string>>& group,
                                const std::string& mimeType)
{
    std::vector<std::string> ids;
    for (const auto& [key, value] : group) {
        if (Lower(key) != mimeType)
            continue;
        for (const std::string& id : Split(value, ';')) {
            if (!Trim(id).empty())
                ids.push_back(Trim(id));
        }
    }
    return ids;
}

std::vector<std::string> MimeAppsLists()
{
    std::vector<std::string> desktops;
    for (const std::string& desktop : Split(Environment("XDG_CURRENT_DESKTOP"), ':')) {
        if (!desktop.empty())
            desktops.push_back(Lower(desktop));
    }
    std::vector<std::string> lists;
    auto appendFor = [&](const std::string& folder) {
        for (const std::string& desktop : desktops)
            lists.push_back(folder + "/" + desktop + "-mimeapps.list");
        lists.push_back(folder + "/mimeapps.list");
    };
    for (const std::string& folder : ConfigFolders())
        appendFor(folder);
    for (const std::string& folder : DataFolders())
        appendFor(folder + "/applications");
    return lists;
}

bool IsUsableEntry(const std::string& id)
{
    const std::optional<std::string> path = FindDesktopEntry(id);
    return path && OpenCommandOfEntry(*path).has_value();
}

std::optional<std::string> FirstUsable(const std::vector<std::string>& ids, const std::set<std::string>& removed)
{
    for (const std::string& id : ids) {
        if (removed.count(id) == 0 && IsUsableEntry(id))
            return id;
    }
    return std::nullopt;
}

struct CGlobMatch {
    int m_weight = 0;
    std::string m_mimeType;
};

// Matches in one globs2 ("weight:type:pattern[:flags]") or globs ("type:pattern") file.
std::vector<CGlobMatch> MatchGlobs(const std::string& path, bool weighted, const std::string& pattern)
{
    std::vector<CGlobMatch> matches;
    std::ifstream file(path);
    std::string line;
    while (std::getline(file, line)) {
        if (line.empty() || line.front() == '#')
            continue;
        std::vector<std::string> fields = Split(line, ':');
        if (!weighted)
            fields.insert(fields.begin(), "50");
        if (fields.size() < 3)
            continue;
        const bool caseSensitive = fields.size() > 3 && fields[3].find("cs") != std::string::npos;
        const bool same = caseSensitive ? fields[2] == pattern : Lower(fields[2]) == Lower(pattern);
        if (same)
            matches.push_back({std::atoi(fields[0].c_str()), fields[1]});
    }
    return matches;
}

std::string UnescapeValue(const std::string& value)
{
    std::string text;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            text += value[i];
            continue;
        }
        const char next = value[++i];
        switch (next) {
        case 's': text += ' '; break;
        case 'n': text += '\n'; break;
        case 't': text += '\t'; break;
        case 'r': text += '\r'; break;
        case '\\': text += '\\'; break;
        default: text += '\\'; text += next; break;
        }
    }
    return text;
}

} // namespace

std::vector<std::string> DataFolders()
{
    std::vector<std::string> folders{HomeFolder("XDG_DATA_HOME", "/.local/share")};
    const std::string dirs = Environment("XDG_DATA_DIRS");
    AppendFolders(folders, dirs.empty() ? "/usr/local/share:/usr/share" : dirs);
    return folders;
}

std::vector<std::string> ConfigFolders()
{
    std::vector<std::string> folders{HomeFolder("XDG_CONFIG_HOME", "/.config")};
    const std::string dirs = Environment("XDG_CONFIG_DIRS");
    AppendFolders(folders, dirs.empty() ? "/etc/xdg" : dirs);
    return folders;
}

std::optional<std::string> MimeTypeForExtension(const std::string& extension)
{
    if (extension.empty())
        return std::nullopt;
    const std::string pattern = "*" + extension;
    for (const std::string& folder : DataFolders()) {
        const std::string globs2 = folder + "/mime/globs2";
        const bool weighted = IsRegularFile(globs2);
        const std::vector<CGlobMatch> matches =
            MatchGlobs(weighted ? globs2 : folder + "/mime/globs", weighted, pattern);
        if (matches.empty())
            continue;
        const auto best = std::max_element(matches.begin(), matches.end(),
            [](const CGlobMatch& a, const CGlobMatch& b) { return a.m_weight < b.m_weight; });
        return best->m_mimeType;
    }
    return std::nullopt;
}

std::optional<std::string> DefaultApplication(const std::string& mimeType)
{
    const std::string type = Lower(mimeType);
    const std::vector<std::string> lists = MimeAppsLists();
    for (const std::string& list : lists) {
        if (auto id = FirstUsable(IdsFor(ReadGroup(list, "Default Applications"), type), {}))
            return id;
    }
    std::set<std::string> removed;
    for (const std::string& list : lists) {
        if (auto id = FirstUsable(IdsFor(ReadGroup(list, "Added Associations"), type), removed))
            return id;
        for (const std::string& id : IdsFor(ReadGroup(list, "Removed Associations"), type))
            removed.insert(id);
    }
    for (const std::string& folder : DataFolders()) {
        const std::string cache = folder + "/applications/mimeinfo.cache";
        if (auto id = FirstUsable(IdsFor(ReadGroup(cache, "MIME Cache"), type), removed))
            return id;
    }
    return std::nullopt;
}

std::optional<std::string> FindDesktopEntry(const std::string& desktopId)
{
    if (desktopId.empty() || desktopId.find('/') != std::string::npos || desktopId.front() == '.')
        return std::nullopt;
    for (const std::string& folder : DataFolders()) {
        const std::string path = folder + "/applications/" + desktopId;
        if (IsRegularFile(path))
            return path;
    }
    return std::nullopt;
}

std::optional<std::string> OpenCommandOfEntry(const std::string& desktopFilePath)
{
    std::optional<std::string> exec;
    for (const auto& [key, value] : ReadGroup(desktopFilePath, "Desktop Entry")) {
        if (key == "Hidden" && value == "true")
            return std::nullopt;
        if (key == "Exec")
            exec = value;
    }
    if (!exec || exec->empty())
        return std::nullopt;
    return ExecToOpenCommand(UnescapeValue(*exec));
}

std::string ExecToOpenCommand(const std::string& exec)
{
    std::string command;
    for (std::size_t i = 0; i < exec.size(); ++i) {
        if (exec[i] != '%') {
            command += exec[i];
            continue;
        }
        if (i + 1 == exec.size())
            break;
        const char code = exec[++i];
        if (code == 'u' || code == 'U' || code == 'f' || code == 'F')
            command += "%1";
        else if (code == '%')
            command += '%';
    }
    return command;
}

} // namespace win::xdg
