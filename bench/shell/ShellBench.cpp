// Measures the shell with a listing of 100,000 lines:
//  - open (file read into the document and the list filled) and save, each against the time
//    a plain read or write of the same bytes takes;
//  - the program's peak memory (VmHWM) with that listing open, and with 16 MB of empty
//    lines, above the empty program's, against 3 times the file size plus 16 bytes a line;
//  - the time from start to the main window, in this process (InitInstance until the window
//    has painted once) and for the program itself (until its process first goes idle).
// Usage: quorail-bench-shell [--quick] PATH-OF-quorail
// --quick: one run of each, for the tests; the figures are printed all the same.

#include "FileDialog.h"
#include "MainFrame.h"
#include "MessageBox.h"
#include "QuorailApp.h"
#include "QuorailDoc.h"
#include "QuorailView.h"
#include "SingleDocTemplate.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMainWindow>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kLines = 100000;
constexpr int kFullRuns = 5;
constexpr std::uint32_t kEmptyLines = 16u << 20;
constexpr long kBytesPerLine = 16; // of the memory bound, besides 3 times the file

std::string HopLine(int index)
{
    return std::to_string(index % 30 + 1) + "\t12\t15\t19\t[198.18.0." + std::to_string(index % 250 + 1) +
           "]\t\trouter-" + std::to_string(index) + ".lab.example";
}

QByteArray ListingBytes()
{
    QByteArray bytes;
    const auto count = static_cast<std::uint32_t>(kLines);
    bytes.append('\xFF').append('\xFF');
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.append(static_cast<char>((count >> shift) & 0xFF));
    }
    for (int i = 0; i < kLines; ++i) {
        const std::string line = HopLine(i);
        bytes.append(static_cast<char>(line.size()));
        bytes.append(line.data(), static_cast<qsizetype>(line.size()));
    }
    return bytes;
}

QByteArray EmptyLinesBytes()
{
    QByteArray bytes(6 + static_cast<qsizetype>(kEmptyLines), '\0');
    bytes[0] = '\xFF';
    bytes[1] = '\xFF';
    for (int shift = 0; shift < 32; shift += 8) {
        bytes[2 + shift / 8] = static_cast<char>((kEmptyLines >> shift) & 0xFF);
    }
    return bytes;
}

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

// Peak memory above the empty program's against the bound for a file of that size.
void PrintMemory(const char* what, long peakKb, long emptyPeakKb, qsizetype fileBytes, long lines)
{
    const long aboveKb = peakKb - emptyPeakKb;
    const long boundKb = (3 * static_cast<long>(fileBytes) + kBytesPerLine * lines) / 1024;
    std::printf("peak memory above empty, %-8s %8ld kB   bound 3 x file + 16 B/line %8ld kB   ratio %.2f (<= 1)\n",
                what, aboveKb, boundKb, static_cast<double>(aboveKb) / static_cast<double>(boundKb));
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Ms(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

double PlainReadMs(const QString& path)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    const QByteArray content = file.readAll();
    return content.isEmpty() ? -1 : Ms(timer);
}

double PlainWriteMs(const QString& path, const QByteArray& bytes)
{
    QElapsedTimer timer;
    timer.start();
    QFile file(path);
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(bytes);
    file.close();
    return Ms(timer);
}

struct COpenSave {
    double m_openMs;
    double m_saveMs;
    double m_startMs;
    bool m_bOpened;
};

COpenSave MeasureOpenSave(const std::string& listing, const std::string& copy)
{
    QElapsedTimer timer;
    timer.start();
    CQuorailApp app;
    app.InitInstance();
    QApplication::processEvents();
    app.GetMainWnd()->grab();
    const double startMs = Ms(timer);

    timer.restart();
    app.OpenDocumentFile(listing);
    app.GetMainWnd()->grab(); // the list painted with its lines
    const double openMs = Ms(timer);
    const bool opened = app.GetDocTemplate()->GetView()->GetSafeHwnd() != nullptr &&
                        static_cast<CQuorailDoc*>(app.GetDocTemplate()->GetDocument())->m_Listing.GetSize() == kLines;
    if (!opened) {
        std::fprintf(stderr, "the listing did not open\n");
    }

    timer.restart();
    app.GetDocTemplate()->GetDocument()->DoSave(copy, FALSE);
    const double saveMs = Ms(timer);
    app.ExitInstance();
    app.GetDocTemplate()->CloseAll();
    return {openMs, saveMs, startMs, opened};
}

long StatusField(pid_t pid, const std::string& field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream values(line.substr(field.size() + 1));
            long value = 0;
            values >> value;
            return value;
        }
    }
    return -1;
}

long CpuTicks(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stol(field);
        } else if (i == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

struct CProcessFigures {
    double m_idleMs;
    long m_peakKb;
};

// Starts the program and waits until it has used no processor time for 300 ms.
CProcessFigures MeasureProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    std::vector<char*> argv;
    std::vector<std::string> all = {program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    for (std::string& argument : all) {
        argv.push_back(argument.data());
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        return {-1, -1};
    }
    long lastTicks = -1;
    auto lastChange = start;
    auto now = start;
    while (now - lastChange < std::chrono::milliseconds(300) && now - start < std::chrono::seconds(20)) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        now = std::chrono::steady_clock::now();
        const long ticks = CpuTicks(pid);
        if (ticks != lastTicks) {
            lastTicks = ticks;
            lastChange = now;
        }
    }
    const double idleMs = std::chrono::duration<double, std::milli>(lastChange - start).count();
    const long peakKb = StatusField(pid, "VmHWM");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return {idleMs, peakKb};
}

} // namespace

int main(int argc, char** argv)
{
    const bool quick = argc > 1 && std::string(argv[1]) == "--quick";
    if (argc != (quick ? 3 : 2)) {
        std::fprintf(stderr, "usage: %s [--quick] PATH-OF-quorail\n", argv[0]);
        return 2;
    }
    const int runs = quick ? 1 : kFullRuns;
    const std::string program = argv[argc - 1];
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    SetMessageBoxHook([](const std::string&, UINT) { return IDNO; });

    const QString listing = home.filePath("listing");
    const QByteArray bytes = ListingBytes();
    WriteFile(listing, bytes);
    const QString emptyLines = home.filePath("empty-lines");
    WriteFile(emptyLines, EmptyLinesBytes());

    std::vector<double> reads, writes, opens, saves, starts;
    bool failed = false;
    for (int run = 0; run < runs; ++run) {
        reads.push_back(PlainReadMs(listing));
        writes.push_back(PlainWriteMs(home.filePath("plain"), bytes));
        const COpenSave figures = MeasureOpenSave(listing.toStdString(), home.filePath("copy").toStdString());
        opens.push_back(figures.m_openMs);
        saves.push_back(figures.m_saveMs);
        starts.push_back(figures.m_startMs);
        failed = failed || !figures.m_bOpened;
    }
    std::printf("listing: %d lines, %lld bytes; medians of %d runs\n", kLines, static_cast<long long>(bytes.size()),
                runs);
    std::printf("open (read, parse, fill, paint): %8.1f ms   bound: plain read of the file %6.2f ms   target < 1000 ms\n",
                Median(opens), Median(reads));
    std::printf("save (through a temporary file): %8.1f ms   bound: plain write of the bytes %6.2f ms\n", Median(saves),
                Median(writes));
    std::printf("start to window, in process:     %8.1f ms   target < 500 ms\n", Median(starts));

    std::vector<double> emptyIdle, fullIdle;
    long emptyPeak = 0;
    long fullPeak = 0;
    long emptyLinesPeak = 0;
    for (int run = 0; run < runs; ++run) {
        const CProcessFigures empty = MeasureProgram(program, {"-nologo"});
        const CProcessFigures full = MeasureProgram(program, {"-nologo", listing.toStdString()});
        const CProcessFigures blank = MeasureProgram(program, {"-nologo", emptyLines.toStdString()});
        emptyIdle.push_back(empty.m_idleMs);
        fullIdle.push_back(full.m_idleMs);
        emptyPeak = std::max(emptyPeak, empty.m_peakKb);
        fullPeak = std::max(fullPeak, full.m_peakKb);
        emptyLinesPeak = std::max(emptyLinesPeak, blank.m_peakKb);
        failed = failed || empty.m_peakKb < 0 || full.m_peakKb < 0 || blank.m_peakKb < 0;
    }
    std::printf("program start until idle, empty: %8.1f ms   target < 500 ms\n", Median(emptyIdle));
    std::printf("program start until idle, 100k: %8.1f ms   target < 1000 ms\n", Median(fullIdle));
    std::printf("peak memory (VmHWM), empty:      %8ld kB\n", emptyPeak);
    PrintMemory("100k:", fullPeak, emptyPeak, bytes.size(), kLines);
    PrintMemory("16 MB of empty lines:", emptyLinesPeak, emptyPeak, 6 + static_cast<qsizetype>(kEmptyLines), kEmptyLines);
    return failed ? 1 : 0;
}
