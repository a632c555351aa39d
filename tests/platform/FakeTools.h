#pragma once
// Test doubles for the desktop tools behind the shell stand-ins: a temporary folder, a
// recording xdg-open and a recording "browser", and fake XDG data/config folders. While a
// CFakeDesktop lives, PATH holds only its own folder, so no real xdg-open or browser can
// ever be started; the fakes only write what they were given into files.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace quorail_test {

class CEnvOverride {
public:
    CEnvOverride(const char* name, const std::string& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        setenv(name, value.c_str(), 1);
    }
    ~CEnvOverride()
    {
        if (m_old)
            setenv(m_name.c_str(), m_old->c_str(), 1);
        else
            unsetenv(m_name.c_str());
    }
    CEnvOverride(const CEnvOverride&) = delete;
    CEnvOverride& operator=(const CEnvOverride&) = delete;

private:
    std::string m_name;
    std::optional<std::string> m_old;
};

class CTempFolder {
public:
    CTempFolder()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "quorail-test-XXXXXX").string();
        m_path = mkdtemp(pattern.data());
    }
    ~CTempFolder() { std::filesystem::remove_all(m_path); }
    CTempFolder(const CTempFolder&) = delete;
    CTempFolder& operator=(const CTempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

inline void WriteFile(const std::string& path, const std::string& content, bool executable = false)
{
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << content;
    if (executable)
        std::filesystem::permissions(path, std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
                                               std::filesystem::perms::group_exec);
}

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Arguments as the recorders write them: each followed by a NUL byte.
inline std::vector<std::string> SplitRecord(const std::string& record)
{
    std::vector<std::string> arguments;
    std::string argument;
    for (char c : record) {
        if (c == '\0') {
            arguments.push_back(argument);
            argument.clear();
        } else {
            argument += c;
        }
    }
    return arguments;
}

inline bool WaitForFile(const std::string& path, std::chrono::milliseconds limit = std::chrono::seconds(5))
{
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (!std::filesystem::exists(path)) {
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A desktop with fakes only. xdg-open records its arguments (args), its working folder
// (cwd) and then exits with `exitStatus` after `sleepSeconds`; "fakebrowser" records its
// arguments (browser-args). Both write to a temporary name first and rename at the end.
class CFakeDesktop {
public:
    explicit CFakeDesktop(int exitStatus = 0, int sleepSeconds = 0)
        : m_path("PATH", m_folder / "bin"),
          m_dataHome("XDG_DATA_HOME", m_folder / "data"),
          m_dataDirs("XDG_DATA_DIRS", m_folder / "sysdata"),
          m_configHome("XDG_CONFIG_HOME", m_folder / "config"),
          m_configDirs("XDG_CONFIG_DIRS", m_folder / "sysconfig"),
          m_desktop("XDG_CURRENT_DESKTOP", "")
    {
        // Output closed, so that a fake still sleeping holds no pipe of the test runner open.
        WriteFile(BinPath("xdg-open"),
                  "#!/bin/sh\n"
                  "exec >/dev/null 2>&1\n"
                  "printf '%s\\0' \"$@\" > '" + m_folder / "args.tmp" + "'\n"
                  "pwd > '" + m_folder / "cwd" + "'\n"
                  "/bin/mv '" + m_folder / "args.tmp" + "' '" + m_folder / "args" + "'\n" +
                  (sleepSeconds > 0 ? "/bin/sleep " + std::to_string(sleepSeconds) + "\n" : "") +
                  "exit " + std::to_string(exitStatus) + "\n",
                  true);
        WriteFile(BinPath("fakebrowser"), RecorderScript("browser-args"), true);
    }

    std::string RecorderScript(const std::string& recordName) const
    {
        return "#!/bin/sh\n"
               "printf '%s\\0' \"$@\" > '" + m_folder / (recordName + ".tmp") + "'\n"
               "/bin/mv '" + m_folder / (recordName + ".tmp") + "' '" + m_folder / recordName + "'\n";
    }

    std::string BinPath(const std::string& name) const { return m_folder / ("bin/" + name); }
    std::string File(const std::string& name) const { return m_folder / name; }
    std::vector<std::string> Recorded(const std::string& name) const
    {
        if (!WaitForFile(File(name)))
            return {};
        return SplitRecord(ReadFile(File(name)));
    }
    bool Exists(const std::string& name) const { return std::filesystem::exists(File(name)); }

    // Registers "fakebrowser.desktop" with this Exec line as the default for text/html,
    // and the extension .htm as text/html.
    void InstallBrowser(const std::string& exec) const
    {
        WriteFile(m_folder / "sysdata/mime/globs2", "50:text/html:*.html\n50:text/html:*.htm\n");
        WriteFile(m_folder / "sysdata/applications/fakebrowser.desktop",
                  "[Desktop Entry]\nType=Application\nName=Fake\nExec=" + exec + "\n");
        WriteFile(m_folder / "config/mimeapps.list", "[Default Applications]\ntext/html=fakebrowser.desktop;\n");
    }

    const CTempFolder& Folder() const { return m_folder; }

private:
    CTempFolder m_folder;
    CEnvOverride m_path;
    CEnvOverride m_dataHome;
    CEnvOverride m_dataDirs;
    CEnvOverride m_configHome;
    CEnvOverride m_configDirs;
    CEnvOverride m_desktop;
};

} // namespace quorail_test
