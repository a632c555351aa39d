#pragma once
// One probe's outcome at one hop, as the chart shows it.

struct CWatchSample {
    unsigned nRound = 0; // the round the probe belonged to, from 1
    double dRttMs = 0;   // ms; 0 when lost
    bool bLost = false;
};
