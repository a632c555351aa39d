// The result view: initial update and filling from the document, copying into it, File/New
// with its save question, resizing, printing, and command routing through the frame.

#include "QuorailTestApp.h"

#include "DC.h"
#include "FileDialog.h"
#include "MessageBox.h"
#include "PrintInfo.h"
#include "PrintedListing.h"

#include <QImage>
#include <QKeyEvent>
#include <QListView>
#include <QScrollBar>
#include <QPainter>
#include <QApplication>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QTimer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

namespace {

// Records the text a view draws instead of drawing it.
class CRecordingDC : public CDC {
public:
    using CDC::CDC;
    struct CCall {
        int m_x;
        int m_y;
        std::string m_text;
        int m_tabStop; // 0 for TextOut
        bool operator==(const CCall&) const = default;
    };

    bool TextOut(int x, int y, const std::string& text1252) override
    {
        m_calls.push_back({x, y, text1252, 0});
        return true;
    }
    bool TabbedTextOut(int x, int y, const std::string& text1252, int tabStop) override
    {
        m_calls.push_back({x, y, text1252, tabStop});
        return true;
    }

    std::vector<CCall> m_calls;
};

void ShowLines(CStartedApp& started, const std::vector<std::string>& lines)
{
    started.View()->m_ListBox.ResetContent();
    for (const std::string& line : lines) {
        started.View()->m_ListBox.AddString(line);
    }
    started.View()->m_bHasResults = TRUE;
}

class ResultViewTest : public ::testing::Test {
protected:
    std::string Path(const std::string& name) const { return m_dir.filePath(QString::fromStdString(name)).toStdString(); }

    QTemporaryDir m_dir;
};

TEST_F(ResultViewTest, StartsWithTheAdvertisementLineOnly)
{
    CStartedApp started;
    ASSERT_TRUE(started.m_bStarted);
    EXPECT_EQ(started.ListLines(), std::vector<std::string>{kAdvertLine});
    EXPECT_FALSE(started.View()->m_bHasResults);
    EXPECT_EQ(started.View()->m_strHost, "www.velmora.example");
    EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
    EXPECT_FALSE(started.Doc()->IsModified());
}

TEST_F(ResultViewTest, FillsOnlyFromListingsOfFourLinesOrMore)
{
    CStartedApp started;
    WriteBytes(Path("three"), ListingBytes({"1", "2", "3"}));
    WriteBytes(Path("four"), ListingBytes({"a", "b", "c", "d"}));

    ASSERT_NE(started.App().OpenDocumentFile(Path("three")), nullptr);
    EXPECT_EQ(started.ListLines(), (std::vector<std::string>{kAdvertLine, kAdvertLine}));
    EXPECT_FALSE(started.View()->m_bHasResults);

    ShowLines(started, {"trace 1", "trace 2"});
    ASSERT_NE(started.App().OpenDocumentFile(Path("four")), nullptr);
    EXPECT_EQ(started.ListLines(),
              (std::vector<std::string>{"trace 1", "trace 2", "a", "b", "c", "d", kAdvertLine}));
    EXPECT_TRUE(started.View()->m_bHasResults);
}

TEST_F(ResultViewTest, CopiesTheListIntoTheDocumentOnlyWithResults)
{
    CStartedApp started;
    started.View()->CopyToDocument();
    EXPECT_TRUE(started.Doc()->m_Listing.empty());
    EXPECT_FALSE(started.Doc()->IsModified());

    const std::vector<std::string> lines = {"Nr.\tmin./ms", "", " ", "\xE4\xF6\xFC\xDF"};
    ShowLines(started, lines);
    started.View()->CopyToDocument();
    EXPECT_EQ(started.Doc()->m_Listing, CStringArray(lines));
    EXPECT_TRUE(started.Doc()->IsModified());
}

TEST_F(ResultViewTest, FileNewAsksFirstAndLeavesAnUntitledEmptyDocument)
{
    CStartedApp started;
    WriteBytes(Path("trace"), ListingBytes({"a", "b", "c", "d"}));
    ASSERT_NE(started.App().OpenDocumentFile(Path("trace")), nullptr);
    ShowLines(started, {"w", "x", "y", "z"});
    started.View()->CopyToDocument();

    {
        CMessageBoxHook boxes(IDCANCEL);
        started.Command(ID_FILE_NEW);
        ASSERT_EQ(boxes.m_boxes.size(), 1u);
    }
    EXPECT_EQ(started.Doc()->m_Listing.GetSize(), 4);
    EXPECT_EQ(started.View()->m_ListBox.GetCount(), 4);
    EXPECT_EQ(started.Doc()->GetTitle(), "trace");

    {
        CMessageBoxHook boxes(IDNO);
        started.Command(ID_FILE_NEW);
    }
    EXPECT_TRUE(started.Doc()->m_Listing.empty());
    EXPECT_EQ(started.View()->m_ListBox.GetCount(), 0);
    EXPECT_TRUE(started.Doc()->IsModified());
    EXPECT_TRUE(started.View()->m_bHasResults);
    EXPECT_EQ(started.Doc()->GetTitle(), "Unbenannt");
    EXPECT_EQ(started.Frame()->GetSafeHwnd()->windowTitle(), QStringLiteral("Unbenannt - Quorail"));

    // Save now asks for a name and leaves the file last opened alone.
    std::string proposed;
    SetFileDialogHook([&](BOOL open, const std::string& name) {
        EXPECT_FALSE(open);
        proposed = name;
        return Path("fresh");
    });
    started.Command(ID_FILE_SAVE);
    SetFileDialogHook({});
    EXPECT_EQ(proposed, "Unbenannt");
    EXPECT_EQ(ReadBytes(Path("trace")), ListingBytes({"a", "b", "c", "d"}));
    EXPECT_EQ(ReadBytes(Path("fresh")), (Bytes{0x00, 0x00}));
}

TEST_F(ResultViewTest, ListBoxFillsTheViewWhenResized)
{
    CStartedApp started;
    started.Frame()->GetSafeHwnd()->resize(900, 700);
    started.Frame()->GetSafeHwnd()->show();
    QCoreApplication::processEvents();
    QWidget* view = started.View()->GetSafeHwnd();
    EXPECT_EQ(started.View()->m_ListBox.GetSafeHwnd()->geometry(), QRect(QPoint(0, 0), view->size()));
    started.Frame()->GetSafeHwnd()->resize(500, 400);
    QCoreApplication::processEvents();
    EXPECT_EQ(started.View()->m_ListBox.GetSafeHwnd()->geometry(), QRect(QPoint(0, 0), view->size()));
}

// A line wider than the list scrolls it sideways to the line's end; emptied, it no longer
// scrolls.
TEST_F(ResultViewTest, ListScrollsSidewaysToALineWiderThanItself)
{
    CStartedApp started;
    started.Frame()->GetSafeHwnd()->resize(400, 300);
    auto* list = qobject_cast<QListView*>(started.View()->m_ListBox.GetSafeHwnd());
    ASSERT_NE(list, nullptr);
    QScrollBar* bar = list->horizontalScrollBar();
    ShowLines(started, {"1\t11\t21\t31\t[198.18.1.2]\t\t" + std::string(150, 'n') + ".example", "b", "c", "d"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() > 0; }, 3000));
    const int lineWidth = list->sizeHintForIndex(list->model()->index(0, 0)).width();
    EXPECT_GT(lineWidth, QFontMetrics(list->font()).horizontalAdvance(QString(150, 'n')));
    EXPECT_GE(bar->maximum() + list->viewport()->width(), lineWidth);

    ShowLines(started, {"a", "b", "c", "d"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->maximum() == 0; }, 3000));
}

TEST_F(ResultViewTest, PrintsEachLineAtItsRowWithItsTabs)
{
    CStartedApp started;
    QImage page(800, 600, QImage::Format_RGB32);
    QPainter painter(&page);
    painter.setFont(CDC::PrintFont());
    CRecordingDC dc(&painter);
    CPrintInfo info;
    started.View()->OnPrint(&dc, &info);
    EXPECT_TRUE(dc.m_calls.empty()); // no results yet: an empty page

    ShowLines(started, {"Nr.\tmin./ms", "1\t\t2", "", "last"});
    started.View()->OnPrint(&dc, &info);
    const int tabStop = 8 * dc.GetBaseUnitX(); // the list's 32 dialog units in the print font
    ASSERT_GT(tabStop, 0);
    const std::vector<CRecordingDC::CCall> expected = {
        {20, 20, "Nr.\tmin./ms", tabStop}, {20, 75, "1\t\t2", tabStop}, {20, 130, "", tabStop}, {20, 185, "last", tabStop}};
    EXPECT_EQ(dc.m_calls, expected);
}

TEST_F(ResultViewTest, PrintsAReadableListingOfFortyTwoLinesToAPdfPrinter)
{
    CStartedApp started;
    const std::vector<std::string> listing = HopListing(42);
    ShowLines(started, listing);
    QPrinter* printer = started.App().GetPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(Path("out.pdf")));
    EXPECT_TRUE(started.Command(ID_FILE_PRINT_DIRECT));
    EXPECT_EQ(WithoutBlanks(PdfLines(Path("out.pdf"))), WithoutBlanks(AsRead(listing)));
    EXPECT_TRUE(PrintedInColumns(PdfLayoutLines(Path("out.pdf"))));
}

TEST_F(ResultViewTest, CommandsReachTheViewFirstAndUnhandledOnesDoNothing)
{
    CStartedApp started;
    ShowLines(started, {"a", "b", "c", "d"});
    started.View()->CopyToDocument();
    started.Doc()->SetModifiedFlag(FALSE);

    // Ctrl+N is the view's File/New: the list empties and no new document is made.
    CQuorailDoc* document = started.Doc();
    QWidget* list = started.View()->m_ListBox.GetSafeHwnd();
    QTest::keyClick(list, Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(started.Doc(), document);
    EXPECT_EQ(started.View()->m_ListBox.GetCount(), 0);
    EXPECT_TRUE(started.Doc()->IsModified());

    // Edit and pane keys have no handler: nothing happens and nothing is asked.
    ShowLines(started, {"a", "b", "c", "d"});
    CMessageBoxHook boxes;
    for (const auto& [key, modifiers] : std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>>{
             {Qt::Key_C, Qt::ControlModifier},
             {Qt::Key_F6, Qt::NoModifier},
             {Qt::Key_F6, Qt::ShiftModifier},
             {Qt::Key_Z, Qt::ControlModifier},
             {Qt::Key_Delete, Qt::ShiftModifier}}) {
        QTest::keyClick(list, key, modifiers);
    }
    EXPECT_EQ(started.ListLines(), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_TRUE(boxes.m_boxes.empty());
    EXPECT_FALSE(started.Command(ID_EDIT_COPY));
    EXPECT_FALSE(started.Command(ID_NEXT_PANE));
}

} // namespace

namespace {

TEST(ResultViewPreviewTest, PreviewShowsTheListingOnOnePage)
{
    CStartedApp started;
    ShowLines(started, {"a", "b", "c", "d"});
    int pages = -1;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QPrintPreviewDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* preview = dialog->findChild<QPrintPreviewWidget*>();
        ASSERT_NE(preview, nullptr);
        pages = preview->pageCount();
        dialog->reject();
    });
    EXPECT_TRUE(started.Command(ID_FILE_PRINT_PREVIEW));
    EXPECT_EQ(pages, 1);
}

} // namespace
