#include "HopStatusTracer.h"

#include "FrameWnd.h"

#include <cstdio>

CHopStatusTracer::CHopStatusTracer(CFrameWnd* frame, int maxHops, std::function<void(const std::string&)> onLine)
    : m_pFrame(frame)
    , m_nMaxHops(maxHops)
    , m_onLine(std::move(onLine))
{
    ShowHop(1);
}

CHopStatusTracer::~CHopStatusTracer()
{
    if (m_pFrame != nullptr)
        m_pFrame->SetMessageText("");
}

std::string CHopStatusTracer::HopText(int hop, int maxHops)
{
    char text[64];
    std::snprintf(text, sizeof text, "Untersuche Hop %d von %d ... Esc bricht ab", hop, maxHops);
    return text;
}

void CHopStatusTracer::ShowHop(int hop)
{
    if (m_pFrame != nullptr && hop <= m_nMaxHops)
        m_pFrame->SetMessageText(HopText(hop, m_nMaxHops));
}

BOOL CHopStatusTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    const BOOL result = CReportTracer::OnSingleHostResult(hopNumber, hop);
    if (m_onLine && !m_Lines.empty())
        m_onLine(m_Lines.back());
    ShowHop(hopNumber + 1);
    return result;
}
