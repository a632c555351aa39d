// The CSV and JSON files of a watch, byte for byte: a hop that answered from two nodes, one
// whose name needs quoting, and a silent hop.

#include "WatchExport.h"

#include <gtest/gtest.h>

namespace {

CWatchSnapshot TwoHops()
{
    CWatchSnapshot snapshot;
    snapshot.strTarget = "dst.lab.quorail.test";
    snapshot.strAddress = "198.18.4.2";
    snapshot.dIntervalS = 0.5;
    snapshot.nRounds = 4;
    CHopStatistics answered;
    for (double ms : {1.25, 2.5, 3.75}) {
        answered.AddSent();
        answered.AddAnswer("198.18.1.2", ms, 1);
    }
    answered.AddSent();
    answered.AddAnswer("198.18.9.9", 0.5, 4);
    answered.SetName("r1, \"edge\"");
    CHopStatistics silent;
    for (unsigned round = 1; round <= 4; ++round) {
        silent.AddSent();
        silent.AddLoss(round);
    }
    snapshot.hops = {answered, silent};
    return snapshot;
}

TEST(WatchExport, CsvAfterRfc4180)
{
    EXPECT_EQ(CWatchExport::Csv(TwoHops()),
              "hop,address,name,sent,received,loss_pct,last_ms,avg_ms,best_ms,worst_ms,stdev_ms\r\n"
              "1,198.18.1.2,\"r1, \"\"edge\"\"\",4,4,0.0,0.500,2.000,0.500,3.750,1.429\r\n"
              "2,,,4,0,100.0,,,,,\r\n");
}

TEST(WatchExport, JsonWithNullsWhereNothingAnswered)
{
    EXPECT_EQ(CWatchExport::Json(TwoHops()), R"({
  "target": "dst.lab.quorail.test",
  "address": "198.18.4.2",
  "cycles": 4,
  "interval_s": 0.5,
  "hops": [
    {
      "hop": 1,
      "address": "198.18.1.2",
      "others": [
        "198.18.9.9"
      ],
      "name": "r1, \"edge\"",
      "sent": 4,
      "received": 4,
      "loss_pct": 0.0,
      "last_ms": 0.5,
      "avg_ms": 2.0,
      "best_ms": 0.5,
      "worst_ms": 3.75,
      "stdev_ms": 1.429
    },
    {
      "hop": 2,
      "address": null,
      "others": [],
      "name": null,
      "sent": 4,
      "received": 0,
      "loss_pct": 100.0,
      "last_ms": null,
      "avg_ms": null,
      "best_ms": null,
      "worst_ms": null,
      "stdev_ms": null
    }
  ]
}
)");
}

} // namespace
