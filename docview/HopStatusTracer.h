#pragma once
// A report tracer that names the hop being probed in the frame's message pane,
// "Untersuche Hop %d von %d ...", and brings back the idle text when it is destroyed.

#include "ReportTracer.h"

class CFrameWnd;

class CHopStatusTracer : public CReportTracer {
public:
    CHopStatusTracer(CFrameWnd* frame, int maxHops);
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
};
