#include "FakeTools.h"
#include "HelpCommand.h"
#include "MessageBox.h"
#include "WinDefs.h"

#include <QTimer>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <filesystem>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace quorail_test;
using Args = std::vector<std::string>;

TEST(HelpCommand, PresentFileIsOpenedByTheShellInTheProgramFolder)
{
    CFakeDesktop desktop(0, 1); // the viewer takes a second to answer
    CMessageBoxHook boxes;
    const std::string folder = desktop.File("prog");
    WriteFile(folder + "/quorail.chm", ""); // empty still counts as present
    QObject during;
    bool eventsRan = false; // the window goes on painting meanwhile
    QTimer::singleShot(100, &during, [&] { eventsRan = true; });

    CHelpCommand::RunFor(folder + "/quorail");

    EXPECT_TRUE(eventsRan);
    EXPECT_EQ(desktop.Recorded("args"), Args{folder + "/quorail.chm"});
    EXPECT_EQ(ReadFile(desktop.File("cwd")), folder + "\n");
    EXPECT_TRUE(boxes.m_boxes.empty());
}

// Installed, the program lies in PREFIX/bin and its help file in PREFIX/share/quorail.
TEST(HelpCommand, WithoutAFileBesideTheProgramTheInstalledOneIsOpened)
{
    CFakeDesktop desktop;
    CMessageBoxHook boxes;
    const std::string prefix = desktop.File("usr");
    WriteFile(prefix + "/bin/quorail", "");
    WriteFile(prefix + "/share/quorail/quorail.chm", "x");

    CHelpCommand::RunFor(prefix + "/bin/quorail");

    EXPECT_EQ(desktop.Recorded("args"), Args{prefix + "/share/quorail/quorail.chm"});
    EXPECT_EQ(ReadFile(desktop.File("cwd")), prefix + "/share/quorail\n");
    EXPECT_TRUE(boxes.m_boxes.empty());
}

TEST(HelpCommand, MissingOrLockedFileAsksAndNoDoesNothing)
{
    CFakeDesktop desktop;
    CMessageBoxHook boxes(IDNO);
    const std::string folder = desktop.File("Gr\xC3\xBC\xC3\x9F" "e");
    const std::string question = "Kann die Quorail.CHM Datei nicht finden, sie mu\xDF sein in: \"" +
                                 desktop.File("Gr\xFC\xDF" "e") + "/quorail.chm\"\n\nWillst Du im Internet danach suchen?";

    CHelpCommand::RunFor(folder + "/quorail");
    WriteFile(folder + "/quorail.chm", "x");
    const int holder = open((folder + "/quorail.chm").c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_SH), 0); // a reader holding it: no exclusive open
    CHelpCommand::RunFor(folder + "/quorail");
    close(holder);

    ASSERT_EQ(boxes.m_boxes.size(), 2u);
    for (const auto& box : boxes.m_boxes) {
        EXPECT_EQ(box.m_text, question);
        EXPECT_EQ(box.m_type, MB_YESNO);
    }
    EXPECT_FALSE(desktop.Exists("cwd"));

    // A folder name beyond 1252 shows as it is.
    const std::string cyrillic = desktop.File("\xD0\x9F\xD0\xBE\xD0\xBC\xD0\xBE\xD1\x89\xD1\x8C");
    CHelpCommand::RunFor(cyrillic + "/quorail");
    ASSERT_EQ(boxes.m_boxes.size(), 3u);
    EXPECT_TRUE(boxes.m_boxes[2].m_shown.contains(QString::fromUtf8(cyrillic.c_str()) + "/quorail.chm\""));
}

TEST(HelpCommand, FolderOrFifoOfThatNameCountsAsMissingWithoutWaiting)
{
    CFakeDesktop desktop;
    CMessageBoxHook boxes(IDNO);
    const std::string folder = desktop.File("prog");
    const std::string fifoFolder = desktop.File("fifo");
    std::filesystem::create_directories(folder + "/quorail.chm");
    std::filesystem::create_directories(fifoFolder);
    ASSERT_EQ(mkfifo((fifoFolder + "/quorail.chm").c_str(), 0644), 0);

    CHelpCommand::RunFor(folder + "/quorail");
    CHelpCommand::RunFor(fifoFolder + "/quorail"); // an open that waited for a writer would hang here

    EXPECT_EQ(boxes.m_boxes.size(), 2u);
    EXPECT_FALSE(desktop.Exists("cwd"));
}

TEST(HelpCommand, YesOpensTheHelpPage)
{
    CFakeDesktop desktop;
    CMessageBoxHook boxes(IDYES);

    CHelpCommand::RunFor("quorail");

    ASSERT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_NE(boxes.m_boxes[0].m_text.find("\"/quorail.chm\""), std::string::npos);
    EXPECT_EQ(desktop.Recorded("args"), Args{"https://www.velmora.example/quorail/hilfe/"});
}

// A help file that nothing can show: a box names the program that is missing, xdg-open
// itself or a viewer for the file.
TEST(HelpCommand, MissingOpenerOrViewerIsNamedInABox)
{
    for (const bool withOpener : {false, true}) {
        CFakeDesktop desktop(3); // xdg-open's "no program for this file"
        if (!withOpener) {
            std::filesystem::remove(desktop.BinPath("xdg-open"));
        }
        CMessageBoxHook boxes;
        const std::string folder = desktop.File("prog");
        WriteFile(folder + "/quorail.chm", "");

        CHelpCommand::RunFor(folder + "/quorail");

        ASSERT_EQ(boxes.m_boxes.size(), 1u) << withOpener;
        EXPECT_TRUE(boxes.m_boxes[0].m_shown.contains(withOpener ? "xchm" : "xdg-open (Paket xdg-utils)"))
            << boxes.m_boxes[0].m_shown.toStdString();
    }
}
