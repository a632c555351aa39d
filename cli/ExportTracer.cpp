#include "ExportTracer.h"

#include "ErrorText.h"

#include <arpa/inet.h>
#include <nlohmann/json.hpp>

namespace {

// Dotted IPv4, or IPv6 in its short form.
std::string Dotted(const win::CIpAddress& address)
{
    return address.Text();
}

std::string Words(DWORD status)
{
    const char* reason = CErrorText::HopStatusFor(status);
    return reason != nullptr ? reason : "";
}

nlohmann::ordered_json TextOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
}

std::string CsvField(const std::string& text)
{
    if (text.find_first_of(",\"\r\n") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text) {
        if (c == '"')
            quoted += '"';
        quoted += c;
    }
    return quoted + '"';
}

// The name a report line carries after the address: its sixth field.
std::string NameOfLine(const std::string& line)
{
    std::size_t start = 0;
    for (int field = 0; field < 5; ++field) {
        start = line.find('\t', start);
        if (start == std::string::npos)
            return {};
        ++start;
    }
    return line.substr(start);
}

} // namespace

BOOL CExportTracer::OnSingleHostResult(int hopNumber, HopResult& hop)
{
    const BOOL result = CReportTracer::OnSingleHostResult(hopNumber, hop);
    m_hops.push_back({hopNumber, hop, hop.dwError == 0 ? NameOfLine(m_Lines.back()) : std::string()});
    return result;
}

std::string CExportTracer::Json(const std::string& target, const std::string& address, DWORD status) const
{
    nlohmann::ordered_json hops = nlohmann::ordered_json::array();
    for (const CHop& hop : m_hops) {
        const bool answered = hop.m_record.dwError == 0;
        nlohmann::ordered_json entry;
        entry["hop"] = hop.m_number;
        entry["address"] = answered ? nlohmann::ordered_json(Dotted(hop.m_record.Address)) : nullptr;
        entry["name"] = TextOrNull(hop.m_name);
        entry["status"] = hop.m_record.dwError;
        entry["status_text"] = Words(hop.m_record.dwError);
        entry["best_ms"] = answered ? nlohmann::ordered_json(hop.m_record.MinRTT) : nullptr;
        entry["avg_ms"] = answered ? nlohmann::ordered_json(hop.m_record.AvgRTT) : nullptr;
        entry["worst_ms"] = answered ? nlohmann::ordered_json(hop.m_record.MaxRTT) : nullptr;
        hops.push_back(std::move(entry));
    }
    nlohmann::ordered_json root;
    root["target"] = target;
    root["address"] = TextOrNull(address);
    root["status"] = status;
    const char* reason = status == 0 ? "fertig" : CErrorText::ReasonFor(status);
    root["status_text"] = reason != nullptr ? reason : "";
    root["hops"] = std::move(hops);
    return root.dump(2) + "\n";
}

std::string CExportTracer::Csv() const
{
    std::string csv = "hop,address,name,status,status_text,best_ms,avg_ms,worst_ms\r\n";
    for (const CHop& hop : m_hops) {
        const HopResult& record = hop.m_record;
        const bool answered = record.dwError == 0;
        csv += std::to_string(hop.m_number) + ',' + (answered ? Dotted(record.Address) : std::string()) + ',' +
               CsvField(hop.m_name) + ',' + std::to_string(record.dwError) + ',' + CsvField(Words(record.dwError));
        for (DWORD ms : {record.MinRTT, record.AvgRTT, record.MaxRTT})
            csv += ',' + (answered ? std::to_string(ms) : std::string());
        csv += "\r\n";
    }
    return csv;
}
