#include "ConsoleTracer.h"

#include "ConsoleText.h"

#include <cstdio>

BOOL CConsoleTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    const BOOL result = CReportTracer::OnSingleHostResult(hopNumber, hop);
    CConsoleText::WriteLine(stdout, m_Lines.back());
    std::fflush(stdout);
    return result;
}
