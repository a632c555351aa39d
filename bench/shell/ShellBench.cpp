// Measures the shell with a listing of 100,000 lines:
//  - open (file read into the document and the list filled) and save, each against the time
//    a plain read or write of the same bytes takes;
//  - the program's peak memory (VmHWM) with that listing open, against the empty program;
//  - the time from start to the main window, in this process (InitInstance until the window
//    has painted once) and for the program itself (until its process first goes idle).
// Usage: quorail-bench-shell PATH-OF-quorail

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
constexpr int kRuns = 5;

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
    if (app.GetDocTemplate()->GetView()->GetSafeHwnd() == nullptr ||
        static_cast<CQuorailDoc*>(app.GetDocTemplate()->GetDocument())->m_Listing.GetSize() != kLines) {
        std::fprintf(stderr, "the listing did not open\n");
    }

    timer.restart();
    app.GetDocTemplate()->GetDocument()->DoSave(copy, FALSE);
    const double saveMs = Ms(timer);
    app.ExitInstance();
    app.GetDocTemplate()->CloseAll();
    return {openMs, saveMs, startMs};
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
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-quorail\n", argv[0]);
        return 2;
    }
    const std::string program = argv[1];
    QTemporaryDir home;
    setenv("XDG_CONFIG_HOME", home.path().toLocal8Bit().constData(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication application(argc, argv);
    SetMessageBoxHook([](const std::string&, UINT) { return IDNO; });

    const QString listing = home.filePath("listing");
    const QByteArray bytes = ListingBytes();
    QFile file(listing);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
    file.close();

    std::vector<double> reads, writes, opens, saves, starts;
    for (int run = 0; run < kRuns; ++run) {
        reads.push_back(PlainReadMs(listing));
        writes.push_back(PlainWriteMs(home.filePath("plain"), bytes));
        const COpenSave figures = MeasureOpenSave(listing.toStdString(), home.filePath("copy").toStdString());
        opens.push_back(figures.m_openMs);
        saves.push_back(figures.m_saveMs);
        starts.push_back(figures.m_startMs);
    }
    std::printf("listing: %d lines, %lld bytes; medians of %d runs\n", kLines, static_cast<long long>(bytes.size()),
                kRuns);
    std::printf("open (read, parse, fill, paint): %8.1f ms   bound: plain read of the file %6.2f ms   target < 1000 ms\n",
                Median(opens), Median(reads));
    std::printf("save (through a temporary file): %8.1f ms   bound: plain write of the bytes %6.2f ms\n", Median(saves),
                Median(writes));
    std::printf("start to window, in process:     %8.1f ms   target < 500 ms\n", Median(starts));

    std::vector<double> emptyIdle, fullIdle;
    long emptyPeak = 0;
    long fullPeak = 0;
    for (int run = 0; run < kRuns; ++run) {
        const CProcessFigures empty = MeasureProgram(program, {"-nologo"});
        const CProcessFigures full = MeasureProgram(program, {"-nologo", listing.toStdString()});
        emptyIdle.push_back(empty.m_idleMs);
        fullIdle.push_back(full.m_idleMs);
        emptyPeak = std::max(emptyPeak, empty.m_peakKb);
        fullPeak = std::max(fullPeak, full.m_peakKb);
    }
    std::printf("program start until idle, empty: %8.1f ms   target < 500 ms\n", Median(emptyIdle));
    std::printf("program start until idle, 100k: %8.1f ms   target < 1000 ms\n", Median(fullIdle));
    std::printf("peak memory (VmHWM), empty:      %8ld kB\n", emptyPeak);
    std::printf("peak memory (VmHWM), 100k open:  %8ld kB   bound: empty + file size %ld kB\n", fullPeak,
                emptyPeak + static_cast<long>(bytes.size() / 1024));
    return 0;
}
