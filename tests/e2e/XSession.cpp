#include "XSession.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kServerStartMs = 15000;
constexpr int kServerStopMs = 3000;
constexpr int kPollIntervalMs = 100;

// Moves the pipe's write end above the number the child gets it under: a descriptor
// duplicated onto its own number would keep its close-on-exec flag.
void LiftWriteEnd(int fds[2])
{
    const int moved = fcntl(fds[1], F_DUPFD_CLOEXEC, CProcess::s_nPassedFd + 1);
    close(fds[1]);
    fds[1] = moved;
}

// Reads the display number that Xvfb writes to -displayfd once it accepts connections.
std::string ReadDisplayNumber(int fd, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    std::string text;
    while (text.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        pollfd wait{fd, POLLIN, 0};
        if (left <= 0 || poll(&wait, 1, static_cast<int>(left)) <= 0)
            return {};
        char buffer[32];
        const ssize_t count = read(fd, buffer, sizeof buffer);
        if (count <= 0)
            return {};
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text.substr(0, text.find('\n'));
}

} // namespace

CXSession::~CXSession()
{
    Stop();
}

std::string CXSession::Start(const std::string& logPath)
{
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0)
        return "no pipe for Xvfb";
    LiftWriteEnd(fds);
    const int readEnd = fds[0];
    const bool started = m_server.Start({"Xvfb", "-displayfd", std::to_string(CProcess::s_nPassedFd), "-screen", "0",
                                         "1024x768x24", "-nolisten", "tcp"},
                                        {}, logPath, fds[1]);
    close(fds[1]);
    const std::string number = started ? ReadDisplayNumber(readEnd, kServerStartMs) : std::string();
    close(readEnd);
    if (!started)
        return m_server.StartError() + " (Debian package xvfb, tools/packages-test.txt)";
    if (number.empty()) {
        m_server.Kill();
        return "Xvfb did not come up; see " + logPath;
    }
    m_display = ":" + number;
    return {};
}

void CXSession::Stop()
{
    // Ended in order, the server removes its lock file and socket.
    m_server.Stop(kServerStopMs);
}

CProcess::Result CXSession::Tool(const std::vector<std::string>& argv, int timeoutMs)
{
    return CProcess::Run(argv, {"DISPLAY=" + m_display}, timeoutMs);
}

std::string CXSession::FindWindow(const std::string& titlePattern)
{
    const CProcess::Result found = Tool({"xdotool", "search", "--onlyvisible", "--name", titlePattern});
    if (found.m_exitCode != 0)
        return {};
    return found.m_out.substr(0, found.m_out.find('\n'));
}

std::string CXSession::WaitForWindow(const std::string& titlePattern, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        std::string window = FindWindow(titlePattern);
        if (!window.empty() || Clock::now() >= deadline)
            return window;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
    }
}

bool CXSession::WaitUntilGone(const std::string& titlePattern, int timeoutMs)
{
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (FindWindow(titlePattern).empty())
            return true;
        if (Clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(kPollIntervalMs));
    }
}

bool CXSession::Focus(const std::string& window)
{
    return Tool({"xdotool", "windowfocus", "--sync", window}).m_exitCode == 0;
}

bool CXSession::ClickAt(const std::string& window, double xFraction, double yFraction)
{
    const CProcess::Result geometry = Tool({"xdotool", "getwindowgeometry", "--shell", window});
    const std::size_t width = geometry.m_out.find("WIDTH="), height = geometry.m_out.find("HEIGHT=");
    if (geometry.m_exitCode != 0 || width == std::string::npos || height == std::string::npos)
        return false;
    const int x = static_cast<int>(std::stoi(geometry.m_out.substr(width + 6)) * xFraction);
    const int y = static_cast<int>(std::stoi(geometry.m_out.substr(height + 7)) * yFraction);
    return Tool({"xdotool", "mousemove", "--sync", "--window", window, std::to_string(x), std::to_string(y), "click",
                 "1"})
               .m_exitCode == 0;
}

bool CXSession::Keys(const std::vector<std::string>& chords)
{
    std::vector<std::string> argv{"xdotool", "key", "--delay", "50"};
    argv.insert(argv.end(), chords.begin(), chords.end());
    return Tool(argv).m_exitCode == 0;
}

bool CXSession::Type(const std::string& text)
{
    return Tool({"xdotool", "type", "--delay", "20", text}).m_exitCode == 0;
}

bool CXSession::DumpScreen(const std::string& path)
{
    return Tool({"xwd", "-root", "-silent", "-out", path}).m_exitCode == 0;
}
