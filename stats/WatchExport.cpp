#include "WatchExport.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdio>

namespace {

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
}

nlohmann::json TimeOrNull(const CHopStatistics& hop, double dMs)
{
    return hop.HasTimes() ? nlohmann::json(CWatchExport::RoundTime(dMs)) : nlohmann::json(nullptr);
}

nlohmann::json TextOrNull(const std::string& text)
{
    return text.empty() ? nlohmann::json(nullptr) : nlohmann::json(text);
}

} // namespace

double CWatchExport::RoundTime(double dMs)
{
    return std::round(dMs * 1000.0) / 1000.0;
}

double CWatchExport::RoundLoss(double dPercent)
{
    return std::round(dPercent * 10.0) / 10.0;
}

std::string CWatchExport::CsvField(const std::string& text)
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

std::string CWatchExport::Csv(const CWatchSnapshot& snapshot)
{
    std::string csv = "hop,address,name,sent,received,loss_pct,last_ms,avg_ms,best_ms,worst_ms,stdev_ms\r\n";
    for (std::size_t i = 0; i < snapshot.hops.size(); ++i) {
        const CHopStatistics& hop = snapshot.hops[i];
        csv += std::to_string(i + 1) + ',' + CsvField(hop.Responder()) + ',' + CsvField(hop.Name()) + ',' +
               std::to_string(hop.Sent()) + ',' + std::to_string(hop.Received()) + ',' +
               Fixed(RoundLoss(hop.LossPercent()), 1);
        for (double ms : {hop.LastMs(), hop.MeanMs(), hop.BestMs(), hop.WorstMs(), hop.StdDevMs()})
            csv += ',' + (hop.HasTimes() ? Fixed(RoundTime(ms), 3) : std::string());
        csv += "\r\n";
    }
    return csv;
}

std::string CWatchExport::Json(const CWatchSnapshot& snapshot)
{
    nlohmann::ordered_json hops = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < snapshot.hops.size(); ++i) {
        const CHopStatistics& hop = snapshot.hops[i];
        nlohmann::ordered_json entry;
        entry["hop"] = i + 1;
        entry["address"] = TextOrNull(hop.Responder());
        entry["others"] = hop.OtherResponders();
        entry["name"] = TextOrNull(hop.Name());
        entry["sent"] = hop.Sent();
        entry["received"] = hop.Received();
        entry["loss_pct"] = RoundLoss(hop.LossPercent());
        entry["last_ms"] = TimeOrNull(hop, hop.LastMs());
        entry["avg_ms"] = TimeOrNull(hop, hop.MeanMs());
        entry["best_ms"] = TimeOrNull(hop, hop.BestMs());
        entry["worst_ms"] = TimeOrNull(hop, hop.WorstMs());
        entry["stdev_ms"] = TimeOrNull(hop, hop.StdDevMs());
        hops.push_back(std::move(entry));
    }
    nlohmann::ordered_json root;
    root["target"] = snapshot.strTarget;
    root["address"] = TextOrNull(snapshot.strAddress);
    root["cycles"] = snapshot.nRounds;
    root["interval_s"] = snapshot.dIntervalS;
    root["hops"] = std::move(hops);
    return root.dump(2) + "\n";
}
