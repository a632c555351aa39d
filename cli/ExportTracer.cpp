#include "ExportTracer.h"

#include "ConsoleText.h"
#include "ErrorText.h"
#include "WatchExport.h"

#include <arpa/inet.h>
#include <nlohmann/json.hpp>

namespace {

// Dotted IPv4, or IPv6 in its short form.
std::string Dotted(const win::CIpAddress& address)
{
    return address.Text();
}

// Exports are UTF-8 whatever the terminal uses.
std::string Words(DWORD status)
{
    return CConsoleText::Convert(CErrorText::HopStatusFor(status), CConsoleText::ECharset::Utf8);
}

nlohmann::ordered_json TextOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(text);
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
    root["status_text"] =
        status == 0 ? "fertig" : CConsoleText::Convert(CErrorText::ReasonFor(status), CConsoleText::ECharset::Utf8);
    root["hops"] = std::move(hops);
    // A host text that is no UTF-8 (Latin-1 typed on the command line) must not end the program.
    return root.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string CExportTracer::Csv() const
{
    std::string csv = "hop,address,name,status,status_text,best_ms,avg_ms,worst_ms\r\n";
    for (const CHop& hop : m_hops) {
        const HopResult& record = hop.m_record;
        const bool answered = record.dwError == 0;
        csv += std::to_string(hop.m_number) + ',' + (answered ? Dotted(record.Address) : std::string()) + ',' +
               CWatchExport::CsvField(hop.m_name) + ',' + std::to_string(record.dwError) + ',' + CWatchExport::CsvField(Words(record.dwError));
        for (DWORD ms : {record.MinRTT, record.AvgRTT, record.MaxRTT})
            csv += ',' + (answered ? std::to_string(ms) : std::string());
        csv += "\r\n";
    }
    return csv;
}
