#include "WatchReport.h"

#include <cstdio>

namespace {

std::string Node(const CHopStatistics& hop, bool bNames)
{
    if (hop.Responder().empty())
        return "???";
    return bNames && !hop.Name().empty() ? hop.Name() : hop.Responder();
}

std::string Format(const char* format, auto... values)
{
    char text[512];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

} // namespace

std::string CWatchReport::Lines(const CWatchSnapshot& snapshot, bool bNames)
{
    std::string lines = Format("HOST: %-34s Verlust%% Gesendet  Letzte  Mittel   Beste Schlechteste  StdAbw\n",
                               (snapshot.strTarget + " (" + snapshot.strAddress + ")").c_str());
    for (std::size_t i = 0; i < snapshot.hops.size(); ++i) {
        const CHopStatistics& hop = snapshot.hops[i];
        auto time = [&hop](double ms) { return hop.HasTimes() ? ms : 0.0; };
        lines += Format("%3zu.|-- %-34s %7.1f%% %8u %7.1f %7.1f %7.1f %12.1f %7.1f\n", i + 1, Node(hop, bNames).c_str(),
                        hop.LossPercent(), hop.Sent(), time(hop.LastMs()), time(hop.MeanMs()), time(hop.BestMs()),
                        time(hop.WorstMs()), time(hop.StdDevMs()));
        for (const std::string& other : hop.OtherResponders())
            lines += "    |  `|-- " + other + "\n";
    }
    return lines;
}
