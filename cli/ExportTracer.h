#pragma once
// A report tracer that keeps each finished hop's record and name and writes them all at
// the end as JSON or CSV, with every status as a number and in words.

#include "ReportTracer.h"

#include <string>
#include <vector>

class CExportTracer : public CReportTracer {
public:
    // status: the trace's own end (0, or why it failed).
    std::string Json(const std::string& target, const std::string& address, DWORD status) const;
    std::string Csv() const;

protected:
    BOOL OnSingleHostResult(int hopNumber, HopResult& hop) override;

private:
    struct CHop {
        int m_number = 0;
        HopResult m_record{};
        std::string m_name; // "" when none was found or looked for
    };

    std::vector<CHop> m_hops;
};
