#pragma once
// A report tracer that names the hop being probed in the frame's message pane,
// "Untersuche Hop %d von %d ... Esc bricht ab", hands each hop's line on as soon as the hop
// is finished, and brings back the idle text when it is destroyed.

#include "ReportTracer.h"

#include <functional>

class CFrameWnd;

class CHopStatusTracer : public CReportTracer {
public:
    // onLine gets each finished hop's line (Windows-1252), in hop order; it may be empty.
    CHopStatusTracer(CFrameWnd* frame, int maxHops, std::function<void(const std::string&)> onLine = {});
    ~CHopStatusTracer() override;
    CHopStatusTracer(const CHopStatusTracer&) = delete;
    CHopStatusTracer& operator=(const CHopStatusTracer&) = delete;

    // The message-pane text while hop is probed, in Windows-1252 bytes.
    static std::string HopText(int hop, int maxHops);

protected:
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;

private:
    void ShowHop(int hop);

    CFrameWnd* m_pFrame;
    int m_nMaxHops;
    std::function<void(const std::string&)> m_onLine;
};
