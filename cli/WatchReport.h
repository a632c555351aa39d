#pragma once
// A watch's figures as mtr's report shows them: a header line, then one line per hop with
// its node (name where found, else address, "???" where none answered), loss, probes
// sent and the round trips in ms with one decimal; the other nodes of a hop on lines below it.

#include "WatchSnapshot.h"

#include <string>

class CWatchReport {
public:
    static std::string Lines(const CWatchSnapshot& snapshot, bool bNames);
};
