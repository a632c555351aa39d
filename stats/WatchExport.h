#pragma once
// A watch's figures as files other programs read: CSV after RFC 4180 (CRLF line ends,
// fields quoted where they must be, empty where nothing answered) and JSON (times null
// where nothing answered). Both name the fields alike; times are ms to the microsecond,
// loss in percent to a tenth.

#include "WatchSnapshot.h"

#include <string>

class CWatchExport {
public:
    static std::string Csv(const CWatchSnapshot& snapshot);
    static std::string Json(const CWatchSnapshot& snapshot);
    // Rounds as the files do: times to 0.001 ms, loss to 0.1 %.
    static double RoundTime(double dMs);
    static double RoundLoss(double dPercent);
    // One CSV field: as it is, or quoted with inner quotes doubled where it holds a comma,
    // a quote or a line end.
    static std::string CsvField(const std::string& text);
};
