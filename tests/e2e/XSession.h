#pragma once
// A private X server (Xvfb) for the end-to-end test, and the user's hands on it: finding
// windows by title, focusing them, keys and typed text through xdotool, screen dumps with
// xwd. No window manager runs, so windows are focused explicitly before input goes in.

#include "Process.h"

#include <string>
#include <vector>

class CXSession {
public:
    CXSession() = default;
    CXSession(const CXSession&) = delete;
    CXSession& operator=(const CXSession&) = delete;
    ~CXSession();

    // Starts Xvfb and waits until it takes connections; logs go to logPath. An empty
    // result means success, otherwise it says what went wrong.
    std::string Start(const std::string& logPath);
    void Stop();
    // ":N", for DISPLAY.
    const std::string& Display() const { return m_display; }

    // The id of a shown window whose title matches the regular expression, waiting up to
    // timeoutMs for it; empty when none came.
    std::string WaitForWindow(const std::string& titlePattern, int timeoutMs);
    bool WaitUntilGone(const std::string& titlePattern, int timeoutMs);
    bool Focus(const std::string& window);
    // A left click at the point that lies at the given fractions of the window's width and
    // height, so that it stays on the same control whatever the font makes of the layout.
    bool ClickAt(const std::string& window, double xFraction, double yFraction);
    // Key chords in xdotool's names ("alt+v", "Return", "ctrl+s"), pressed one after another.
    bool Keys(const std::vector<std::string>& chords);
    bool Type(const std::string& text);
    // Writes the whole screen in X's window dump form.
    bool DumpScreen(const std::string& path);

private:
    CProcess::Result Tool(const std::vector<std::string>& argv, int timeoutMs = 10000);
    std::string FindWindow(const std::string& titlePattern);

    CProcess m_server;
    std::string m_display;
};
