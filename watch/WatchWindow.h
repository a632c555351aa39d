#pragma once
// A window of its own that watches the path to one host: it runs the rounds of a
// CPathWatch and shows each hop's figures in a table, at most ten times a second and only
// when something changed, with the chosen hop's round trips and every hop's mean in a
// chart below. Esc stops the rounds and keeps the figures; closing the window stops them
// and deletes it. Ctrl+S saves the figures as CSV or JSON, as the file name ends.

#include "PathWatch.h"

#include <QTimer>
#include <QWidget>

#include <string>

class CWatchChart;
class QLabel;
class QTableWidget;

class CWatchWindow : public QWidget {
public:
    // host: the host as the address dialog gives it (Windows-1252).
    explicit CWatchWindow(std::string host, QWidget* parent = nullptr);
    ~CWatchWindow() override;

    // Opens a window watching host beside mainWindow, which owns it, with the default
    // options; the window shows why when the watch cannot start.
    static CWatchWindow* Open(const std::string& host, QWidget* mainWindow);
    // The options of a watch of host as the menu starts it.
    static CPathWatch::Options DefaultOptions(const std::string& host);

    bool Start(const CPathWatch::Options& options);
    // Ends the rounds and shows the figures as they stand; the table stays.
    void Stop();
    bool IsRunning() const { return m_watch.IsRunning(); }
    // Asks for a file name and saves the figures there; false when cancelled or failed.
    bool SaveAs();
    // Writes the figures to path as CSV (".csv") or JSON (".json"); a failure is shown in a
    // message box and leaves any file of that name as it was.
    bool SaveTo(const std::string& path);

    // The figures the table shows.
    const CWatchSnapshot& Shown() const { return m_shown; }

    static constexpr int s_nPollMs = 100; // how often the window looks for news
    static const QStringList& ColumnTitles();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void OnPoll();
    void ShowSnapshot();
    void ShowRow(int row, const CHopStatistics& hop);
    void SetCell(int row, int column, const QString& text);
    void ShowChart();
    void ShowState();
    // The hop the chart shows, from 1: the row chosen, else the last one; 0 when none.
    unsigned ChosenHop() const;

    std::string m_strHost; // Windows-1252
    CPathWatch m_watch;
    CWatchSnapshot m_shown;
    unsigned m_nShownGeneration = 0;
    bool m_bShownAny = false;
    bool m_bStartFailed = false; // the error shown is the start's, not a probe's
    QTableWidget* m_pTable = nullptr;
    CWatchChart* m_pChart = nullptr;
    QLabel* m_pState = nullptr;
    QTimer m_poll;
};
