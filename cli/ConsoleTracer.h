#pragma once
// A report tracer that also writes each hop's line to standard output the moment the
// hop is finished.

#include "ReportTracer.h"

class CConsoleTracer : public CReportTracer {
protected:
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;
};
