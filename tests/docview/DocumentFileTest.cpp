// The listing file through the program's open and save: bytes written by hand in, bytes
// checked out, and damaged or unwritable files changing nothing.

#include "QuorailTestApp.h"

#include "FileDialog.h"
#include "MessageBox.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/resource.h>

namespace {

class DocumentFileTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }

    // Shows four lines in the document and the list, as a finished trace leaves them.
    void ShowTrace(CStartedApp& started, const std::vector<std::string>& lines)
    {
        CQuorailView* view = started.View();
        view->m_ListBox.ResetContent();
        for (const std::string& line : lines) {
            view->m_ListBox.AddString(line);
        }
        view->m_bHasResults = TRUE;
        view->CopyToDocument();
    }

    QTemporaryDir m_dir;
};

std::vector<std::string> NumberedLines(int count)
{
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        lines.push_back(std::to_string(i) + "\t1\t2\t3\t[10.0.0.1]\t\thop");
    }
    return lines;
}

TEST_F(DocumentFileTest, OpensTheSevenByteExampleAndAnEmptyListing)
{
    CStartedApp started;
    WriteBytes(Path("example"), {0x02, 0x00, 0x03, 0x4E, 0x72, 0x2E, 0x00});
    ASSERT_NE(started.App().OpenDocumentFile(Path("example")), nullptr);
    EXPECT_EQ(started.Doc()->m_Listing, (CStringArray{{"Nr.", ""}}));
    EXPECT_FALSE(started.Doc()->IsModified());
    EXPECT_EQ(started.Doc()->GetTitle(), "example");

    WriteBytes(Path("empty"), {0x00, 0x00});
    ASSERT_NE(started.App().OpenDocumentFile(Path("empty")), nullptr);
    EXPECT_TRUE(started.Doc()->m_Listing.empty());
}

TEST_F(DocumentFileTest, OpensLargeCountsIntoDocumentAndList)
{
    for (const int count : {65535, 70000}) {
        CStartedApp started;
        const auto lines = NumberedLines(count);
        const Bytes bytes = ListingBytes(lines);
        ASSERT_EQ(bytes[0], 0xFF);
        ASSERT_EQ(bytes[1], 0xFF); // the long count form
        WriteBytes(Path("large"), bytes);
        ASSERT_NE(started.App().OpenDocumentFile(Path("large")), nullptr);
        ASSERT_EQ(started.Doc()->m_Listing.GetSize(), count);
        EXPECT_EQ(started.Doc()->m_Listing.GetAt(count - 1), lines.back());
        EXPECT_EQ(started.View()->m_ListBox.GetCount(), count + 2); // start-up advert, lines, advert
        EXPECT_TRUE(started.View()->m_bHasResults);
    }
}

TEST_F(DocumentFileTest, LinesOf254And255BytesRoundTripWithTheirPrefixes)
{
    CStartedApp started;
    const std::string line254(254, 'a');
    const std::string line255(255, 'b');
    ShowTrace(started, {line254, line255, "x\ty", ""});
    started.Doc()->DoSave(Path("long"));
    const Bytes saved = ReadBytes(Path("long"));
    ASSERT_EQ(saved.size(), 2u + 1 + 254 + 3 + 255 + 1 + 3 + 1);
    EXPECT_EQ(saved[2], 0xFE);
    EXPECT_EQ(Bytes(saved.begin() + 257, saved.begin() + 260), (Bytes{0xFF, 0xFF, 0x00}));
    EXPECT_EQ(saved[515], 3);
    EXPECT_EQ(saved[517], 0x09); // the tab stays a tab

    CStartedApp reopened({Path("long")});
    ASSERT_TRUE(reopened.m_bStarted);
    EXPECT_EQ(reopened.Doc()->m_Listing, started.Doc()->m_Listing);
}

TEST_F(DocumentFileTest, SavesEmptyDocumentAsTwoBytesUnderTheExactName)
{
    CStartedApp started;
    started.View()->OnFileNew();
    SetFileDialogHook([this](BOOL, const std::string&) { return Path("noext"); });
    started.Command(ID_FILE_SAVE);
    SetFileDialogHook({});
    EXPECT_EQ(ReadBytes(Path("noext")), (Bytes{0x00, 0x00}));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"noext"});
    EXPECT_FALSE(started.Doc()->IsModified());
    EXPECT_EQ(started.Doc()->GetTitle(), "noext");
}

TEST_F(DocumentFileTest, DamagedFilesLeaveDocumentAndViewAsTheyWere)
{
    CStartedApp started;
    const std::vector<std::string> trace = {"a", "b\tc", "d", "e"};
    ShowTrace(started, trace);
    const auto listBefore = started.ListLines();

    Bytes truncated = ListingBytes({"first", "second"});
    truncated.pop_back();
    Bytes oversized;
    AppendCount(oversized, 4000000000u);
    AppendLine(oversized, "x");
    Bytes longLine = {0x01, 0x00, 0xFF, 0xFF, 0xFF, 0xF0, 0xFF, 0xFF, 0x7F, 'a'};
    const std::vector<std::pair<std::string, Bytes>> damaged = {
        {"truncated", truncated}, {"oversized", oversized}, {"longline", longLine}, {"garbage", {0x07}}};
    for (const auto& [name, bytes] : damaged) {
        WriteBytes(Path(name), bytes);
        CMessageBoxHook boxes(IDNO); // do not save the trace first
        EXPECT_EQ(started.App().OpenDocumentFile(Path(name)), nullptr) << name;
        ASSERT_EQ(boxes.m_boxes.size(), 2u) << name;
        EXPECT_NE(boxes.m_boxes[1].m_text.find("kann nicht gelesen werden"), std::string::npos);
        EXPECT_EQ(started.Doc()->m_Listing, CStringArray(trace));
        EXPECT_EQ(started.ListLines(), listBefore);
        EXPECT_TRUE(started.Doc()->IsModified());
        EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
    }
}

TEST_F(DocumentFileTest, MissingFileIsReportedAndNothingChanges)
{
    CStartedApp started;
    CMessageBoxHook boxes;
    EXPECT_EQ(started.App().OpenDocumentFile(Path("absent")), nullptr);
    ASSERT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_NE(boxes.m_boxes[0].m_text.find("kann nicht ge\xF6" "ffnet werden"), std::string::npos);
    EXPECT_EQ(started.App().OpenDocumentFile(m_dir.path().toStdString()), nullptr); // a folder
    EXPECT_EQ(boxes.m_boxes.size(), 2u);
    EXPECT_EQ(started.ListLines(), std::vector<std::string>{kAdvertLine});
    EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
}

TEST_F(DocumentFileTest, SaveThatFailsPartWayKeepsTheOldFile)
{
    CStartedApp started;
    const Bytes old = ListingBytes({"old", "file", "kept", "here"});
    WriteBytes(Path("target"), old);
    ShowTrace(started, NumberedLines(2000));

    // A file size limit below the new content makes the write fail in the middle.
    struct rlimit previous {};
    getrlimit(RLIMIT_FSIZE, &previous);
    const auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit limit = previous;
    limit.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &limit);
    BOOL saved = TRUE;
    std::size_t boxCount = 0;
    {
        CMessageBoxHook boxes;
        saved = started.Doc()->DoSave(Path("target"));
        boxCount = boxes.m_boxes.size();
    }
    setrlimit(RLIMIT_FSIZE, &previous);
    std::signal(SIGXFSZ, previousHandler);

    EXPECT_FALSE(saved);
    EXPECT_EQ(boxCount, 1u);
    EXPECT_EQ(ReadBytes(Path("target")), old);
    EXPECT_TRUE(started.Doc()->IsModified());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{"target"}); // no temporary left

    CMessageBoxHook boxes;
    EXPECT_FALSE(started.Doc()->DoSave(Path("no-such-folder/target")));
    EXPECT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
}

TEST_F(DocumentFileTest, SavePromptOnCloseAndBeforeOpen)
{
    CStartedApp started;
    ShowTrace(started, {"a", "b", "c", "d"});
    WriteBytes(Path("other"), ListingBytes({"1", "2", "3", "4"}));
    {
        CMessageBoxHook boxes(IDCANCEL);
        EXPECT_EQ(started.App().OpenDocumentFile(Path("other")), nullptr);
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_EQ(boxes.m_boxes[0].m_text, "\xC4nderungen in Unbenannt speichern?");
        EXPECT_EQ(boxes.m_boxes[0].m_type & MB_TYPEMASK, MB_YESNOCANCEL);
        EXPECT_FALSE(started.Frame()->OnClose());
    }
    EXPECT_EQ(started.Doc()->m_Listing, (CStringArray{{"a", "b", "c", "d"}}));
    {
        CMessageBoxHook boxes(IDYES);
        SetFileDialogHook([this](BOOL, const std::string&) { return Path("saved"); });
        EXPECT_NE(started.App().OpenDocumentFile(Path("other")), nullptr);
        SetFileDialogHook({});
    }
    EXPECT_EQ(ReadBytes(Path("saved")), ListingBytes({"a", "b", "c", "d"}));
    EXPECT_EQ(started.Doc()->m_Listing, (CStringArray{{"1", "2", "3", "4"}}));
    EXPECT_TRUE(started.Frame()->OnClose());
}

} // namespace
