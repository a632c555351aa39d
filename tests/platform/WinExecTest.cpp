#include "FakeTools.h"
#include "WinExec.h"

#include <gtest/gtest.h>

using namespace quorail_test;
using Args = std::vector<std::string>;

TEST(SplitCommandLine, FollowsTheWindowsRules)
{
    const std::vector<std::pair<std::string, Args>> cases{
        {"prog a b", {"prog", "a", "b"}},
        {"  \t", {""}},
        {"prog\t  a   b  ", {"prog", "a", "b"}},
        {"\"C:\\Program Files\\b.exe\" x", {"C:\\Program Files\\b.exe", "x"}},
        {"\"unterminated name", {"unterminated name"}},
        {"a\\\"b \"c", {"a\\\"b", "c"}},                  // the program name knows no escapes
        {"p \"a b\" c\"d e\"f", {"p", "a b", "cd ef"}},
        {"p a\\\\b a\\\\\\\"b", {"p", "a\\\\b", "a\\\"b"}}, // 3 backslashes + quote: 1 and a quote
        {"p a\\\\\"b c\"", {"p", "a\\b c"}},              // 2 backslashes + quote: 1 and a toggle
        {"p \"\" \"a\"\"b\"", {"p", "", "a\"b"}},
        {"p \"open", {"p", "open"}},
    };
    for (const auto& [line, expected] : cases)
        EXPECT_EQ(win::SplitCommandLine(line), expected) << line;
}

TEST(WinExec, StartsTheProgramWithItsArgumentsAndNoShell)
{
    CFakeDesktop desktop;
    const std::string marker = desktop.File("ran");
    const std::string url = "https://h.example/?q=$(touch " + marker + ");touch " + marker + "&`touch " + marker +
                            "`|x>y 'single' a b";
    const std::string line = "fakebrowser --new  \"" + url + "\" last";

    EXPECT_EQ(win::WinExec(line.c_str(), 5), 33u);
    EXPECT_EQ(desktop.Recorded("browser-args"), (Args{"--new", url, "last"}));
    EXPECT_FALSE(desktop.Exists("ran"));
}

TEST(WinExec, UnquotedUrlWithBlanksBecomesSeveralArgumentsButStillRunsNothing)
{
    CFakeDesktop desktop;
    const std::string marker = desktop.File("ran");
    const std::string line = "fakebrowser  http://h.example/a;touch${IFS}" + marker + " $(touch " + marker + ")";

    EXPECT_EQ(win::WinExec(line.c_str(), 5), 33u);
    EXPECT_EQ(desktop.Recorded("browser-args"),
              (Args{"http://h.example/a;touch${IFS}" + marker, "$(touch", marker + ")"}));
    EXPECT_FALSE(desktop.Exists("ran"));
}

TEST(WinExec, FailureCodesAsWindowsGivesThem)
{
    CFakeDesktop desktop;
    WriteFile(desktop.BinPath("not-executable"), "#!/bin/sh\n");
    WriteFile(desktop.BinPath("not-a-program"), "just text\n", true);

    EXPECT_EQ(win::WinExec("no-such-program x", 5), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::WinExec((desktop.BinPath("missing") + " x").c_str(), 5), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(win::WinExec((desktop.File("no-folder/prog") + " x").c_str(), 5), win::ERROR_PATH_NOT_FOUND);
    EXPECT_EQ(win::WinExec(desktop.BinPath("not-executable").c_str(), 5), ERROR_ACCESS_DENIED);
    EXPECT_EQ(win::WinExec(desktop.BinPath("not-a-program").c_str(), 5), win::ERROR_BAD_FORMAT);
    EXPECT_EQ(win::WinExec("", 5), ERROR_FILE_NOT_FOUND);
}
