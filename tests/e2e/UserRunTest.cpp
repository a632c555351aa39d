// The program as a user runs it, started on a private X server inside the test network's
// source namespace: a trace to the far host of the router chain chosen from the menu bar
// and typed into the address dialog, the listing saved with Ctrl+S under a typed name and
// checked byte for byte (only the round-trip times are not known in advance); the same
// trace stopped with Esc and saved; and a saved listing opened from the command line and
// saved again under a new name.

#include "ListingFile.h"
#include "Process.h"
#include "XSession.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kTargetName = "dst.lab.quorail.test";
// The third router drops what goes there without a word, so nothing behind the silent second
// router answers and its probes wait their full time.
constexpr const char* kSilentEndName = "blackhole.lab.quorail.test";
constexpr const char* kListingName = "listing";

constexpr int kWindowMs = 20000;
constexpr int kDialogMs = 10000;
// The silent second router is given up once the routers behind it have answered.
constexpr int kTraceMs = 90000;
constexpr int kSaveRetryMs = 1000;
constexpr int kExitMs = 15000;
// Long enough for the first hop to be finished, well inside the second hop's wait.
constexpr int kIntoTheWaitMs = 5000;
constexpr int kStoppedMs = 8000;

const std::string kHopOne = "1\t{rtt}\t{rtt}\t{rtt}\t[198.18.1.2]\tr1.lab.quorail.test";

// The saved lines as patterns: "{rtt}" stands for a round-trip time in whole milliseconds.
std::vector<std::string> ExpectedListing(const std::vector<std::string>& hopLines, const std::string& closing,
                                         const std::string& target = kTargetName)
{
    std::vector<std::string> lines{
        "Ok. Bitte etwas warten (ca. 30 sek. je nach Server) ...",
        "Verbinde mit:\t" + target,
        " ",
        "OK zeige nun die Quorail an von:\t" + target,
        " ",
        " ",
        "Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse",
        " ",
    };
    lines.insert(lines.end(), hopLines.begin(), hopLines.end());
    lines.insert(lines.end(), {" ", closing, " ", "ENDE von Quorail 1.0 von https://www.velmora.example/quorail/"});
    return lines;
}

// r2 sends no time-exceeded message: its probe is given up as timed out.
const std::vector<std::string> kRoutersOneToThree = {
    kHopOne, "2\t*\t*\t*\tFehler:\t\t11010", "3\t{rtt}\t{rtt}\t{rtt}\t[198.18.3.2]\tr3.lab.quorail.test"};

std::vector<std::string> CompleteListing()
{
    std::vector<std::string> hops = kRoutersOneToThree;
    hops.push_back("4\t{rtt}\t{rtt}\t{rtt}\t[198.18.4.2]\t" + std::string(kTargetName));
    return ExpectedListing(hops, "OK");
}

// The same trace by the lab's IPv6 name: the routers' IPv6 addresses and names.
constexpr const char* kTargetName6 = "dst6.lab.quorail.test";

std::vector<std::string> CompleteListing6()
{
    return ExpectedListing({"1\t{rtt}\t{rtt}\t{rtt}\t[2001:2:0:1::2]\tr1.v6.lab.quorail.test", "2\t*\t*\t*\tFehler:\t\t11010",
                            "3\t{rtt}\t{rtt}\t{rtt}\t[2001:2:0:3::2]\tr3.v6.lab.quorail.test",
                            "4\t{rtt}\t{rtt}\t{rtt}\t[2001:2:0:4::2]\t" + std::string(kTargetName6)},
                           "OK", kTargetName6);
}

// Stopped during the second hop's wait on the way to the silent end.
std::vector<std::string> StoppedListing()
{
    return ExpectedListing({kHopOne}, "Abgebrochen", kSilentEndName);
}

std::regex PatternRegex(const std::string& pattern)
{
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    std::string escaped = std::regex_replace(pattern, special, R"(\$&)");
    const std::string rttToken = R"(\{rtt\})";
    for (std::size_t at = escaped.find(rttToken); at != std::string::npos; at = escaped.find(rttToken))
        escaped.replace(at, rttToken.size(), "([0-9]+)");
    return std::regex(escaped);
}

// The saved line where it fits the pattern, with its times in order min <= mean <= max;
// the pattern itself otherwise, so that the comparison shows what was expected.
std::string Resolve(const std::string& pattern, const std::string& saved)
{
    std::smatch match;
    if (!std::regex_match(saved, match, PatternRegex(pattern)))
        return pattern;
    if (match.size() == 4) {
        const long min = std::stol(match[1]), mean = std::stol(match[2]), max = std::stol(match[3]);
        if (!(min <= mean && mean <= max))
            return pattern + " (times out of order)";
    }
    return saved;
}

std::string ReadAll(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::stringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

std::string MakeTempFolder()
{
    std::string name = "/tmp/quorail-e2e.XXXXXX";
    return mkdtemp(name.data()) != nullptr ? name : std::string();
}

class UserRunTest : public testing::Test {
protected:
    void SetUp() override
    {
        m_work = MakeTempFolder();
        ASSERT_FALSE(m_work.empty());
        for (const char* folder : {"home", "config", "runtime"})
            ASSERT_EQ(mkdir((m_work + "/" + folder).c_str(), 0700), 0);
        const std::string problem = m_x.Start(m_work + "/xvfb.log");
        ASSERT_TRUE(problem.empty()) << problem;
    }

    void TearDown() override
    {
        if (HasFailure()) {
            m_x.DumpScreen(m_work + "/screen.xwd");
            std::fprintf(stderr, "kept for a look: %s (program.log, screen.xwd)\n", m_work.c_str());
        }
        m_program.Kill();
        m_x.Stop();
        if (!HasFailure() && !m_work.empty())
            std::filesystem::remove_all(m_work);
    }

    void StartProgram(const std::vector<std::string>& arguments = {})
    {
        const std::vector<std::string> environment{
            "DISPLAY=" + m_x.Display(), "HOME=" + m_work + "/home", "XDG_CONFIG_HOME=" + m_work + "/config",
            "XDG_RUNTIME_DIR=" + m_work + "/runtime", "QT_QPA_PLATFORM=xcb", "WAYLAND_DISPLAY="};
        std::vector<std::string> argv{QUORAIL_BINARY, "/nologo"};
        argv.insert(argv.end(), arguments.begin(), arguments.end());
        ASSERT_TRUE(m_program.Start(argv, environment, m_work + "/program.log")) << m_program.StartError();
    }

    // Types the path into the save dialog and waits for the main window to carry the
    // file's name; that window's id, or empty.
    std::string SaveUnder(const std::string& dialog, const std::string& name)
    {
        if (!m_x.Focus(dialog) || !m_x.Keys({"ctrl+a"}) || !m_x.Type(m_work + "/" + name) || !m_x.Keys({"Return"}))
            return {};
        return m_x.WaitForWindow("^" + name + " - Quorail$", kDialogMs);
    }

    void QuitFromMenu(const std::string& mainWindow)
    {
        ASSERT_TRUE(m_x.Focus(mainWindow));
        ASSERT_TRUE(m_x.Keys({"alt+d", "b"}));
        EXPECT_EQ(m_program.WaitExit(kExitMs), std::optional<int>(0)) << "the program did not end from \"&Beenden\"";
    }

    // Presses Ctrl+S in the main window until the save dialog answers: while the trace
    // runs the program drops all input, so the first press that takes effect comes after it.
    std::string SaveDialogAfterTrace(const std::string& mainWindow, int timeoutMs = kTraceMs)
    {
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (Clock::now() < deadline && m_program.IsRunning()) {
            m_x.Focus(mainWindow);
            m_x.Keys({"ctrl+s"});
            const std::string dialog = m_x.WaitForWindow("^Speichern unter$", kSaveRetryMs);
            if (!dialog.empty())
                return dialog;
        }
        return {};
    }

    // Chooses "&Verbinden" from the menu bar and types the far host into the address dialog.
    void StartTrace(const std::string& mainWindow, const std::string& host = kTargetName)
    {
        ASSERT_TRUE(m_x.Focus(mainWindow));
        ASSERT_TRUE(m_x.Keys({"alt+v"}));
        const std::string addressDialog = m_x.WaitForWindow("^URL Eingabe$", kDialogMs);
        ASSERT_FALSE(addressDialog.empty()) << "\"&Verbinden\" did not open the address dialog";
        ASSERT_TRUE(m_x.Focus(addressDialog));
        // The dialog opens with the host field focused and its text selected: the user types.
        ASSERT_TRUE(m_x.Type(host));
        ASSERT_TRUE(m_x.Keys({"Return"}));
        ASSERT_TRUE(m_x.WaitUntilGone("^URL Eingabe$", kDialogMs));
    }

    // The file holds the listing byte for byte, the round-trip times matched as numbers.
    static void ExpectSaved(const std::string& path, const std::vector<std::string>& expected)
    {
        const std::string bytes = ReadAll(path);
        const std::optional<std::vector<std::string>> saved = CListingFile::Parse(bytes);
        ASSERT_TRUE(saved.has_value()) << "not a listing file: " << bytes.size() << " bytes";
        std::vector<std::string> resolved;
        for (std::size_t i = 0; i < expected.size(); ++i)
            resolved.push_back(Resolve(expected[i], i < saved->size() ? (*saved)[i] : std::string()));
        EXPECT_EQ(*saved, resolved);
        EXPECT_EQ(bytes, CListingFile::Compose(resolved));
    }

    std::string m_work;
    CXSession m_x;
    CProcess m_program;
};

// One family's trace from the menu: the name typed and the listing it gives.
struct CMenuTrace {
    const char* m_host;
    std::vector<std::string> (*m_listing)();
};

class UserRunByFamily : public UserRunTest, public testing::WithParamInterface<CMenuTrace> {};

INSTANTIATE_TEST_SUITE_P(Families, UserRunByFamily,
                         testing::Values(CMenuTrace{kTargetName, &CompleteListing},
                                         CMenuTrace{kTargetName6, &CompleteListing6}),
                         [](const testing::TestParamInfo<CMenuTrace>& info) {
                             return info.index == 0 ? "IPv4" : "IPv6";
                         });

TEST_P(UserRunByFamily, TraceChosenFromTheMenuIsSavedByTypedNameAndKeptInTheProfile)
{
    const std::string host = GetParam().m_host;
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::string mainWindow = m_x.WaitForWindow("^Unbenannt - Quorail$", kWindowMs);
    ASSERT_FALSE(mainWindow.empty()) << "no main window";

    ASSERT_NO_FATAL_FAILURE(StartTrace(mainWindow, host));

    const std::string saveDialog = SaveDialogAfterTrace(mainWindow);
    ASSERT_FALSE(saveDialog.empty()) << "Ctrl+S brought no save dialog";
    const std::string listingPath = m_work + "/" + kListingName;
    const std::string savedWindow = SaveUnder(saveDialog, kListingName);
    ASSERT_FALSE(savedWindow.empty()) << "the title does not name the saved file";
    // For a look at the window with its listing: QUORAIL_E2E_SCREEN names an xwd file.
    if (const char* shot = std::getenv("QUORAIL_E2E_SCREEN"))
        m_x.DumpScreen(shot);

    // Exactly the name typed: no extension added.
    ExpectSaved(listingPath, GetParam().m_listing());

    QuitFromMenu(savedWindow);

    // The typed host went into the history and the saved file into the recent-file list.
    const std::string profile = ReadAll(m_work + "/config/Velmora/Quorail.conf");
    EXPECT_NE(profile.find(host), std::string::npos) << profile;
    EXPECT_NE(profile.find(listingPath), std::string::npos) << profile;
}

// Esc during the silent router's wait stops the trace with the first hop's line kept; the
// stopped listing is saved at once.
TEST_F(UserRunTest, TraceStoppedWithEscDuringAWaitIsSavedWithCtrlS)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::string mainWindow = m_x.WaitForWindow("^Unbenannt - Quorail$", kWindowMs);
    ASSERT_FALSE(mainWindow.empty()) << "no main window";
    ASSERT_NO_FATAL_FAILURE(StartTrace(mainWindow, kSilentEndName));

    std::this_thread::sleep_for(std::chrono::milliseconds(kIntoTheWaitMs));
    ASSERT_TRUE(m_x.Focus(mainWindow));
    ASSERT_TRUE(m_x.Keys({"Escape"}));
    // Far less than the rest of the wait: a save dialog in time comes from a stopped trace.
    const std::string saveDialog = SaveDialogAfterTrace(mainWindow, kStoppedMs);
    ASSERT_FALSE(saveDialog.empty()) << "Ctrl+S after Esc brought no save dialog";
    const std::string savedWindow = SaveUnder(saveDialog, "stopped");
    ASSERT_FALSE(savedWindow.empty()) << "the title does not name the saved file";
    ExpectSaved(m_work + "/stopped", StoppedListing());

    QuitFromMenu(savedWindow);
}

// "&Beenden" during a wait stops the trace, then asks to save the stopped
// listing: "&Ja" saves it under a typed name and the program ends.
TEST_F(UserRunTest, BeendenDuringATraceAsksToSaveTheStoppedListingAndEnds)
{
    ASSERT_NO_FATAL_FAILURE(StartProgram());
    const std::string mainWindow = m_x.WaitForWindow("^Unbenannt - Quorail$", kWindowMs);
    ASSERT_FALSE(mainWindow.empty()) << "no main window";
    ASSERT_NO_FATAL_FAILURE(StartTrace(mainWindow, kSilentEndName));

    std::this_thread::sleep_for(std::chrono::milliseconds(kIntoTheWaitMs));
    ASSERT_TRUE(m_x.Focus(mainWindow));
    ASSERT_TRUE(m_x.Keys({"alt+d", "b"}));
    const std::string question = m_x.WaitForWindow("^Quorail$", kStoppedMs);
    ASSERT_FALSE(question.empty()) << "\"&Beenden\" during the trace brought no save question";
    ASSERT_TRUE(m_x.Focus(question));
    ASSERT_TRUE(m_x.Keys({"alt+j"}));
    const std::string saveDialog = m_x.WaitForWindow("^Speichern unter$", kDialogMs);
    ASSERT_FALSE(saveDialog.empty()) << "\"&Ja\" brought no save dialog";
    ASSERT_TRUE(m_x.Focus(saveDialog));
    ASSERT_TRUE(m_x.Keys({"ctrl+a"}));
    ASSERT_TRUE(m_x.Type(m_work + "/closed"));
    ASSERT_TRUE(m_x.Keys({"Return"}));
    EXPECT_EQ(m_program.WaitExit(kExitMs), std::optional<int>(0)) << "the program did not end after saving";
    ExpectSaved(m_work + "/closed", StoppedListing());
}

// Opened from the command line and saved under a new name, a listing keeps every byte:
// Windows-1252 letters, an empty line, a line long enough for the three-byte prefix, and
// none of the lines the window shows beyond the document's own.
TEST_F(UserRunTest, ListingOpenedFromTheCommandLineIsSavedUnderANewNameByteForByte)
{
    const std::string bytes = CListingFile::Compose({
        "Ok. Bitte etwas warten (ca. 30 sek. je nach Server) ...",
        "Verbinde mit:\tm\xFCller.example",
        "",
        "Nr.\tmin./ms\tmittel/ms\tmax./ms\t[IP]\t\tAdresse",
        std::string(255, 'x'),
        "ENDE von Quorail 1.0 von https://www.velmora.example/quorail/",
    });
    {
        std::ofstream file(m_work + "/opened", std::ios::binary);
        file << bytes;
    }
    ASSERT_NO_FATAL_FAILURE(StartProgram({m_work + "/opened"}));
    const std::string mainWindow = m_x.WaitForWindow("^opened - Quorail$", kWindowMs);
    ASSERT_FALSE(mainWindow.empty()) << "the listing named on the command line was not opened";

    ASSERT_TRUE(m_x.Focus(mainWindow));
    ASSERT_TRUE(m_x.Keys({"alt+d", "u"}));
    const std::string saveDialog = m_x.WaitForWindow("^Speichern unter$", kDialogMs);
    ASSERT_FALSE(saveDialog.empty()) << "\"Speichern &unter...\" brought no save dialog";
    const std::string savedWindow = SaveUnder(saveDialog, "copy");
    ASSERT_FALSE(savedWindow.empty()) << "the title does not name the saved file";
    EXPECT_EQ(ReadAll(m_work + "/copy"), bytes);

    QuitFromMenu(savedWindow);
}

} // namespace
