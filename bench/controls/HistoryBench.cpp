// Opening the address dialog with a long history in the profile: the time to open it with
// 1,000 and with 10,000 stored entries, and the ratio of the two against 10, the ratio of a
// cost that grows linearly with the history (a cost per entry that grows with the history
// too shows near 100). The profile lives in a temporary settings folder.
// Usage: quorail-bench-controls

#include "AddressDialog.h"
#include "WinApp.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kRuns = 3;

void StoreHistory(int entries)
{
    QSettings store(QString::fromStdString(AfxGetApp()->GetProfileFileName()), QSettings::NativeFormat);
    store.remove(QStringLiteral("Settings"));
    for (int index = 0; index < entries; ++index) {
        store.setValue(QStringLiteral("Settings/HistoryCombo%1").arg(index), QStringLiteral("host-%1.example").arg(index));
    }
    store.setValue(QStringLiteral("Settings/HistoryCombo"), QStringLiteral("host-7.example"));
}

// The best of kRuns openings, in ms; negative when the dialog did not show every entry.
double OpenMs(int entries)
{
    StoreHistory(entries);
    std::vector<double> times;
    for (int run = 0; run < kRuns; ++run) {
        QElapsedTimer timer;
        timer.start();
        CAddressDialog dialog;
        if (!dialog.Create() || dialog.m_historyCombo.GetCount() != entries) {
            return -1;
        }
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    return *std::min_element(times.begin(), times.end());
}

} // namespace

int main(int argc, char** argv)
{
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    QApplication application(argc, argv);
    const double small = OpenMs(1000);
    const double large = OpenMs(10000);
    if (small <= 0 || large <= 0) {
        std::fprintf(stderr, "the address dialog did not open with its history\n");
        return 1;
    }
    std::printf("address dialog with  1,000 history entries: %8.1f ms\n", small);
    std::printf("address dialog with 10,000 history entries: %8.1f ms (bound: well under 1000 ms)\n", large);
    std::printf("ratio 10,000 / 1,000: %.1f (linear: 10; quadratic: 100)\n", large / small);
    return 0;
}
