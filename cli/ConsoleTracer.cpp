#include "ConsoleTracer.h"

#include <cstdio>

BOOL CConsoleTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    const BOOL result = CReportTracer::OnSingleHostResult(hopNumber, hop);
    const std::string& line = m_Lines.back();
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
    return result;
}
