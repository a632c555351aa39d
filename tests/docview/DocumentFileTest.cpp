// The listing file through the program's open and save: bytes written by hand in, bytes
// checked out, and damaged or unwritable files changing nothing.

#include "QuorailTestApp.h"

#include "FileDialog.h"
#include "MessageBox.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

// Lowers a resource's soft limit for its lifetime.
class CResourceLimit {
public:
    CResourceLimit(int resource, rlim_t limit) : m_nResource(resource)
    {
        getrlimit(resource, &m_previous);
        struct rlimit lowered = m_previous;
        lowered.rlim_cur = limit;
        setrlimit(resource, &lowered);
    }
    ~CResourceLimit() { setrlimit(m_nResource, &m_previous); }

private:
    int m_nResource;
    struct rlimit m_previous {};
};

// A tmpfs of 64 KiB mounted over a new folder for its lifetime; mounting needs root.
class CSmallDisk {
public:
    explicit CSmallDisk(const std::string& path) : m_strPath(path)
    {
        QDir().mkpath(QString::fromStdString(path));
        m_bMounted = mount("tmpfs", path.c_str(), "tmpfs", 0, "size=64k") == 0;
    }
    ~CSmallDisk()
    {
        if (m_bMounted) {
            umount2(m_strPath.c_str(), MNT_DETACH);
        }
    }
    // Writes a filler file until the disk is full.
    void FillUp() const
    {
        std::FILE* filler = std::fopen((m_strPath + "/filler").c_str(), "wb");
        const std::vector<char> block(4096, 'f');
        while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
        }
        std::fclose(filler);
    }

    std::string m_strPath;
    bool m_bMounted = false;
};

// The address space this process uses, in bytes.
rlim_t AddressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string field;
    while (status >> field) {
        if (field == "VmSize:") {
            rlim_t kilobytes = 0;
            status >> kilobytes;
            return kilobytes * 1024;
        }
    }
    return 0;
}

// A listing of lines of 60,000 bytes, about totalBytes long, written without holding it.
void WriteLongLines(const std::string& path, std::size_t totalBytes)
{
    constexpr std::size_t kLineBytes = 60000;
    const auto count = static_cast<std::uint32_t>(totalBytes / (kLineBytes + 3));
    Bytes head;
    AppendCount(head, count);
    Bytes line = {0xFF, kLineBytes & 0xFF, kLineBytes >> 8};
    line.resize(3 + kLineBytes, 'x');
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
    for (std::uint32_t i = 0; i < count; ++i) {
        file.write(reinterpret_cast<const char*>(line.data()), static_cast<std::streamsize>(line.size()));
    }
}

// Bytes under a name that need not be UTF-8.
void WriteRawName(const std::string& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes ReadRawName(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

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

    // A file size limit below the new content makes the write fail, for a listing that
    // fits into one buffer as for a large one.
    for (const auto& [lines, limit] : {std::pair{4, 16}, std::pair{2000, 4096}}) {
        ShowTrace(started, NumberedLines(lines));
        BOOL saved = TRUE;
        CMessageBoxHook boxes;
        {
            const CResourceLimit fileSize(RLIMIT_FSIZE, static_cast<rlim_t>(limit));
            saved = started.Doc()->DoSave(Path("target"));
        }
        EXPECT_FALSE(saved) << lines;
        EXPECT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_EQ(ReadBytes(Path("target")), old);
        EXPECT_TRUE(started.Doc()->IsModified());
        EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"target"}); // no temporary left
    }

    CMessageBoxHook boxes;
    EXPECT_FALSE(started.Doc()->DoSave(Path("no-such-folder/target")));
    EXPECT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
}

TEST_F(DocumentFileTest, SaveOntoAFullDiskKeepsTheOldFile)
{
    const CSmallDisk disk(Path("disk"));
    if (!disk.m_bMounted) {
        GTEST_SKIP() << "mounting a small tmpfs needs root";
    }
    const std::string target = disk.m_strPath + "/trace";
    const Bytes old = ListingBytes({"old", "file", "kept", "here"});
    WriteBytes(target, old);
    disk.FillUp();
    CStartedApp started;
    for (const int lines : {4, 2000}) {
        ShowTrace(started, NumberedLines(lines));
        CMessageBoxHook boxes;
        EXPECT_FALSE(started.Doc()->DoSave(target)) << lines;
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_NE(boxes.m_boxes[0].m_text.find("kann nicht gespeichert werden"), std::string::npos);
        EXPECT_EQ(ReadBytes(target), old);
        EXPECT_TRUE(started.Doc()->IsModified());
        EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
    }
    EXPECT_EQ(QDir(QString::fromStdString(disk.m_strPath)).entryList(QDir::Files | QDir::Hidden),
              (QStringList{"filler", "trace"}));
}

TEST_F(DocumentFileTest, FilesWithTheLongestNamesAreSavedOver)
{
    CStartedApp started;
    ShowTrace(started, {"a", "b", "c", "d"});
    for (const std::size_t length : {249u, 255u}) {
        const std::string target = Path(std::string(length, 'n'));
        WriteBytes(target, ListingBytes({"old"}));
        CMessageBoxHook boxes;
        EXPECT_TRUE(started.Doc()->DoSave(target)) << length;
        EXPECT_TRUE(boxes.m_boxes.empty());
        EXPECT_EQ(ReadBytes(target), ListingBytes({"a", "b", "c", "d"}));
    }
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

TEST_F(DocumentFileTest, DevicesAndFifosAreRefusedWithoutReadingOrWaiting)
{
    CStartedApp started;
    const std::vector<std::string> trace = {"a", "b", "c", "d"};
    ShowTrace(started, trace);
    const auto listBefore = started.ListLines();
    ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
    for (const std::string& path : {std::string("/dev/zero"), Path("fifo")}) {
        CMessageBoxHook boxes(IDNO); // do not save the trace first
        EXPECT_EQ(started.App().OpenDocumentFile(path), nullptr) << path;
        ASSERT_EQ(boxes.m_boxes.size(), 2u);
        EXPECT_NE(boxes.m_boxes[1].m_text.find("kann nicht ge\xF6" "ffnet werden"), std::string::npos);
        EXPECT_EQ(started.Doc()->m_Listing, CStringArray(trace));
        EXPECT_EQ(started.ListLines(), listBefore);
    }
    CMessageBoxHook boxes;
    CStartedApp fromCommandLine({"/dev/zero"});
    EXPECT_FALSE(fromCommandLine.m_bStarted);
    EXPECT_EQ(boxes.m_boxes.size(), 1u);
    // Saving onto the FIFO is refused: it is not replaced by a file.
    EXPECT_FALSE(started.Doc()->DoSave(Path("fifo")));
    EXPECT_EQ(boxes.m_boxes.size(), 2u);
    struct stat status {};
    ASSERT_EQ(stat(Path("fifo").c_str(), &status), 0);
    EXPECT_TRUE(S_ISFIFO(status.st_mode));
}

// A listing opened from a shared sticky folder, whose name another user then turns into a
// link to one of this user's files: saving asks for a name and never writes through that
// link. Elsewhere a name that now stands for another file asks too; the user's own links
// are followed and stay links.
TEST_F(DocumentFileTest, SaveNeverWritesThroughAnotherUsersLinkNorOntoAReplacedName)
{
    if (geteuid() != 0) {
        GTEST_SKIP() << "giving a file to another user needs root";
    }
    constexpr uid_t kOther = 65534;
    const std::string shared = Path("shared");
    ASSERT_EQ(mkdir(shared.c_str(), 01777), 0);
    ASSERT_EQ(chmod(shared.c_str(), 01777), 0);
    const std::string victim = Path("bashrc");
    const Bytes victimBytes = {'t', 'r', 'u', 'e', '\n'};
    WriteBytes(victim, victimBytes);
    const std::string listing = shared + "/listing";
    WriteBytes(listing, ListingBytes({"1", "2", "3", "4"}));
    ASSERT_EQ(chown(listing.c_str(), kOther, kOther), 0);

    CStartedApp started;
    ASSERT_NE(started.App().OpenDocumentFile(listing), nullptr);
    ShowTrace(started, {"a", "b", "c", "d"});
    ASSERT_EQ(unlink(listing.c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), listing.c_str()), 0);
    ASSERT_EQ(lchown(listing.c_str(), kOther, kOther), 0);
    int asked = 0;
    std::string chosen = listing;
    SetFileDialogHook([&](BOOL, const std::string&) { ++asked; return chosen; });
    {
        CMessageBoxHook boxes;
        EXPECT_FALSE(started.Doc()->DoFileSave()); // the same name chosen again: refused
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(boxes.m_boxes.size(), 1u);
    }
    EXPECT_EQ(ReadBytes(victim), victimBytes);
    chosen = Path("elsewhere");
    EXPECT_TRUE(started.Doc()->DoFileSave());
    EXPECT_EQ(ReadBytes(chosen), ListingBytes({"a", "b", "c", "d"}));
    EXPECT_EQ(ReadBytes(victim), victimBytes);

    // In a folder of its own, too, a name that now stands for another file asks first.
    ASSERT_EQ(unlink(chosen.c_str()), 0);
    ASSERT_EQ(symlink(victim.c_str(), chosen.c_str()), 0);
    chosen.clear(); // the dialog cancelled
    EXPECT_FALSE(started.Doc()->DoFileSave());
    EXPECT_EQ(asked, 3);
    EXPECT_EQ(ReadBytes(victim), victimBytes);

    // The user's own link in the shared folder leads to the file it names, save after save.
    const std::string dotfile = Path("dotfile");
    const std::string own = shared + "/own";
    WriteBytes(dotfile, ListingBytes({"5", "6", "7", "8"}));
    ASSERT_EQ(symlink(dotfile.c_str(), own.c_str()), 0);
    ASSERT_NE(started.App().OpenDocumentFile(own), nullptr);
    for (const char* line : {"x", "y"}) {
        ShowTrace(started, {line, "b", "c", "d"});
        EXPECT_TRUE(started.Doc()->DoFileSave());
        EXPECT_EQ(ReadBytes(dotfile), ListingBytes({line, "b", "c", "d"}));
    }
    EXPECT_EQ(asked, 3);
    struct stat status {};
    ASSERT_EQ(lstat(own.c_str(), &status), 0);
    EXPECT_TRUE(S_ISLNK(status.st_mode));
    SetFileDialogHook({});
}

TEST_F(DocumentFileTest, RunningOutOfMemoryWhileOpeningShowsTheBoxAndChangesNothing)
{
    constexpr std::size_t kSpare = 64u << 20; // address space left to the open
    CStartedApp started;
    const std::vector<std::string> trace = {"a", "b", "c", "d"};
    ShowTrace(started, trace);
    const auto listBefore = started.ListLines();
    // Too large to read at all; and readable, but not a second time over to hold its lines.
    WriteLongLines(Path("huge"), 2 * kSpare);
    WriteLongLines(Path("large"), kSpare * 3 / 4);
    for (const char* name : {"huge", "large"}) {
        CMessageBoxHook boxes(IDNO);
        {
            const CResourceLimit addressSpace(RLIMIT_AS, AddressSpaceInUse() + kSpare);
            EXPECT_EQ(started.App().OpenDocumentFile(Path(name)), nullptr) << name;
        }
        ASSERT_EQ(boxes.m_boxes.size(), 2u);
        EXPECT_EQ(boxes.m_boxes[1].m_text.rfind("Nicht gen\xFCgend Arbeitsspeicher", 0), 0u) << name;
        EXPECT_EQ(started.Doc()->m_Listing, CStringArray(trace));
        EXPECT_EQ(started.ListLines(), listBefore);
        EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
    }
}

TEST_F(DocumentFileTest, NamesShowInBoxesAsInTheCaptionAndAnyNameOpens)
{
    CStartedApp started;
    const QString name = QString::fromUtf8("\xD0\xA2\xD1\x80\xD0\xB0\xD1\x81\xD1\x81\xD0\xB0"); // Cyrillic
    const std::string path = Path(name.toStdString());
    {
        CMessageBoxHook boxes;
        EXPECT_EQ(started.App().OpenDocumentFile(path), nullptr);
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_TRUE(boxes.m_boxes[0].m_shown.contains(name));
    }
    WriteBytes(path, ListingBytes({"a", "b", "c", "d"}));
    ASSERT_NE(started.App().OpenDocumentFile(path), nullptr);
    EXPECT_EQ(started.Frame()->GetSafeHwnd()->windowTitle(), name + " - Quorail");
    started.Doc()->SetModifiedFlag(TRUE);
    {
        CMessageBoxHook boxes(IDCANCEL);
        EXPECT_FALSE(started.Frame()->OnClose());
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
        EXPECT_EQ(boxes.m_boxes[0].m_shown, QString::fromUtf8("\xC3\x84nderungen in ") + name + " speichern?");
    }

    // A name in Latin-1 bytes, which are not UTF-8, opens and is saved over under the same name.
    const std::string latin1 = Path("Gr\xFC\xDF" "e");
    WriteRawName(latin1, ListingBytes({"1", "2", "3", "4"}));
    CStartedApp fromCommandLine({latin1});
    ASSERT_TRUE(fromCommandLine.m_bStarted);
    EXPECT_EQ(fromCommandLine.Doc()->m_Listing, (CStringArray{{"1", "2", "3", "4"}}));
    ShowTrace(fromCommandLine, {"e", "f", "g", "h"});
    EXPECT_TRUE(fromCommandLine.Doc()->DoFileSave());
    EXPECT_EQ(ReadRawName(latin1), ListingBytes({"e", "f", "g", "h"}));
    // The open dialog gives the name back as it showed it, with a replacement character.
    EXPECT_EQ(AfxFileSystemPath(QString::fromUtf8(latin1.data(), static_cast<qsizetype>(latin1.size()))), latin1);
    fromCommandLine.App().ExitInstance(); // writes the recent files
    EXPECT_EQ(fromCommandLine.App().GetProfilePath("Recent File List", "File1"), latin1);
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
