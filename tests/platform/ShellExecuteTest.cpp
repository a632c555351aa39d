#include "FakeTools.h"
#include "ShellExecute.h"

#include <gtest/gtest.h>

using namespace quorail_test;
using namespace std::chrono_literals;

TEST(ShellExecute, OpenHandsTheFileAloneToXdgOpenInTheGivenFolder)
{
    CFakeDesktop desktop;
    const std::string url = "https://www.velmora.example/quorail/?a=1&b=$(id) x";

    EXPECT_EQ(win::ShellExecuteA(nullptr, "open", url.c_str(), "--ignored", desktop.Folder().Path().c_str(),
                                 win::SW_SHOW),
              42);
    EXPECT_EQ(desktop.Recorded("args"), std::vector<std::string>{url});
    EXPECT_EQ(ReadFile(desktop.File("cwd")), desktop.Folder().Path() + "\n");
}

TEST(ShellExecute, XdgOpenExitStatusMapsOntoShellCodes)
{
    const std::vector<std::pair<int, int>> cases{{1, 2}, {2, 2}, {3, 31}, {4, 31}, {9, 31}};
    for (const auto& [status, code] : cases) {
        CFakeDesktop desktop(status);
        EXPECT_EQ(win::ShellExecuteA(nullptr, "open", "/tmp/file.chm", "", nullptr, win::SW_SHOW), code)
            << "exit status " << status;
    }
}

TEST(ShellExecute, RefusalsThatNeverStartXdgOpen)
{
    CFakeDesktop desktop;
    EXPECT_EQ(win::ShellExecuteA(nullptr, "print", "/tmp/x", "", nullptr, win::SW_SHOW), win::SE_ERR_NOASSOC);
    EXPECT_EQ(win::ShellExecuteA(nullptr, "open", "", "", nullptr, win::SW_SHOW), win::SE_ERR_FNF);
    EXPECT_EQ(win::ShellExecuteA(nullptr, "open", "/tmp/x", "", desktop.File("no-such-folder").c_str(),
                                 win::SW_SHOW),
              win::SE_ERR_PNF);
    EXPECT_FALSE(desktop.Exists("cwd"));
}

TEST(ShellExecute, MissingXdgOpenMeansNoAssociation)
{
    CTempFolder empty;
    CEnvOverride path("PATH", empty.Path());
    EXPECT_EQ(win::ShellExecuteA(nullptr, nullptr, "https://www.velmora.example/", nullptr, nullptr, win::SW_SHOW),
              win::SE_ERR_NOASSOC);
}

TEST(ShellExecute, LeadingDashIsNotTakenAsAnOption)
{
    CFakeDesktop desktop;
    EXPECT_EQ(win::ShellExecuteA(nullptr, "open", "--version", "", nullptr, win::SW_SHOW), 42);
    EXPECT_EQ(desktop.Recorded("args"), std::vector<std::string>{"./--version"});
}

TEST(ShellExecute, StillRunningXdgOpenCountsAsSuccessAfterTheWait)
{
    CFakeDesktop desktop(4, 2);
    const auto savedWait = win::GetShellOpenWait();
    win::SetShellOpenWait(200ms);
    const auto start = std::chrono::steady_clock::now();
    const int code = win::ShellExecuteA(nullptr, "open", "/tmp/slow", "", nullptr, win::SW_SHOW);
    const auto elapsed = std::chrono::steady_clock::now() - start;
    win::SetShellOpenWait(savedWait);

    EXPECT_EQ(code, 42);
    EXPECT_LT(elapsed, 1500ms);
    EXPECT_EQ(desktop.Recorded("args"), std::vector<std::string>{"/tmp/slow"});
}
