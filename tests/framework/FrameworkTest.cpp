// The framework layer: code page conversion, dialogs built from templates, the event
// filter in front of dispatch, and the command line.

#include "QuorailTestApp.h"

#include "CodePage.h"
#include "CommandLineInfo.h"
#include "DataExchange.h"
#include "Dialog.h"
#include "DialogBuilder.h"
#include "DialogTemplateRegistrar.h"
#include "ListBoxDelegate.h"
#include "RecentFileList.h"
#include "WaitCursor.h"
#include "MessageBox.h"
#include "WinStyles.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QFile>
#include <QDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPageSize>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QLineEdit>
#include <QFontMetrics>
#include <QListView>
#include <QPushButton>
#include <QShortcut>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(CodePageTest, ConvertsWindows1252BothWaysAndMarksWhatItCannotHold)
{
    const std::string bytes = "\x80\x84\x96\x9F \xC4\xD6\xDC\xE4\xF6\xFC\xDF\xFF\x81";
    const QString text = CCodePage::ToQString(bytes);
    EXPECT_EQ(text, QString::fromUtf8("€„–Ÿ ÄÖÜäöüßÿ\u0081"));
    EXPECT_EQ(CCodePage::FromQString(text), bytes);
    EXPECT_EQ(CCodePage::FromQString(QString::fromUtf8("a\u0416b😀c")), "a?b?c");
    EXPECT_EQ(CCodePage::FromUtf8("Öffnen"), "\xD6" "ffnen");
}

// A small dialog of this test's own, registered like the program's templates.
constexpr UINT kTestDialog = 9001;
const CDialogTemplateRegistrar s_testDialog({
    kTestDialog,
    "Test",
    200,
    80,
    DS_SETFONT | DS_MODALFRAME,
    "MS Sans Serif",
    8,
    {
        {10, EControlClass::Static, "&Name:", 7, 7, 40, 8, WS_CHILD | WS_VISIBLE | SS_RIGHT},
        {11, EControlClass::ComboBox, "", 50, 7, 140, 60, WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN},
        {IDOK, EControlClass::Button, "OK", 50, 60, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON},
        {IDCANCEL, EControlClass::Button, "Abbrechen", 110, 60, 50, 14, WS_CHILD | WS_VISIBLE | WS_TABSTOP},
    },
});

class CTestDialog : public CDialog {
public:
    CTestDialog() : CDialog(kTestDialog) {}
    void DoDataExchange(CDataExchange* pDX) override
    {
        DDX_CBString(pDX, 11, m_strName);
        ++m_nExchanges;
    }
    std::string m_strName = "start";
    int m_nExchanges = 0;
};

TEST(DialogTest, BuildsControlsInDialogUnitsWithIdsStylesAndTabOrder)
{
    CTestDialog dialog;
    ASSERT_TRUE(dialog.Create());
    QDialog* window = dialog.GetDialogWindow();
    const QFont font = CDialogBuilder::DialogFont(*FindDialogTemplate(kTestDialog));
    const QSize base = CDialogBuilder::BaseUnits(font);
    ASSERT_GT(base.width(), 0);
    EXPECT_EQ(window->size(), QSize((200 * base.width() + 2) / 4, (80 * base.height() + 4) / 8));

    QWidget* combo = dialog.GetDlgItem(11);
    ASSERT_NE(qobject_cast<QComboBox*>(combo), nullptr);
    EXPECT_EQ(combo->geometry().topLeft(), QPoint((50 * base.width() + 2) / 4, (7 * base.height() + 4) / 8));
    EXPECT_EQ(combo->property("winStyle").toUInt(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | CBS_DROPDOWN);
    std::vector<int> tabOrder;
    for (QWidget* w = window->nextInFocusChain(); w != window; w = w->nextInFocusChain()) {
        if (w->objectName().toInt() > 0 && (w->focusPolicy() & Qt::TabFocus)) {
            tabOrder.push_back(w->objectName().toInt());
        }
    }
    EXPECT_EQ(tabOrder, (std::vector<int>{11, IDOK, IDCANCEL}));
    EXPECT_EQ(qobject_cast<QComboBox*>(combo)->currentText(), "start"); // exchanged towards the controls
}

TEST(DialogTest, EnterRunsTheDefaultButtonAndEscapeCancels)
{
    CTestDialog ok;
    ASSERT_TRUE(ok.Create());
    qobject_cast<QComboBox*>(ok.GetDlgItem(11))->setEditText(QString::fromUtf8("Größe"));
    QTest::keyClick(ok.GetDialogWindow(), Qt::Key_Return);
    EXPECT_EQ(ok.GetResult(), IDOK);
    EXPECT_EQ(ok.m_strName, "Gr\xF6\xDF" "e");

    CTestDialog cancel;
    ASSERT_TRUE(cancel.Create());
    qobject_cast<QComboBox*>(cancel.GetDlgItem(11))->setEditText("changed");
    QTest::keyClick(cancel.GetDialogWindow(), Qt::Key_Escape);
    EXPECT_EQ(cancel.GetResult(), IDCANCEL);
    EXPECT_EQ(cancel.m_strName, "start");
    EXPECT_EQ(cancel.m_nExchanges, 1);
}

TEST(DialogTest, ResultFormListHasTabStopsEveryThirtyTwoUnitsAndNoSelection)
{
    CStartedApp started;
    auto* list = qobject_cast<QListView*>(started.View()->m_ListBox.GetSafeHwnd());
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->selectionMode(), QAbstractItemView::NoSelection);
    EXPECT_TRUE(list->uniformItemSizes());
    const QSize base = CDialogBuilder::BaseUnits(CDialogBuilder::DialogFont(*FindDialogTemplate(IDD_RESULT_FORM)));
    auto* delegate = qobject_cast<CListBoxDelegate*>(list->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    EXPECT_EQ(delegate->TabStop(), 8 * base.width());
    EXPECT_EQ(list->property("winStyle").toUInt() & (LBS_NOSEL | LBS_USETABSTOPS | LBS_SORT), LBS_NOSEL | LBS_USETABSTOPS);
}

// A long IPv6 address moves the list's name column right of its end, for every line; once
// the list is emptied and holds IPv4 lines alone again the column is back at the sixth stop.
TEST(DialogTest, NameColumnMakesRoomForTheLongestAddressInTheList)
{
    CStartedApp started;
    CListBox& box = started.View()->m_ListBox;
    auto* list = qobject_cast<QListView*>(box.GetSafeHwnd());
    auto* delegate = qobject_cast<CListBoxDelegate*>(list->itemDelegate());
    ASSERT_NE(delegate, nullptr);
    const int stop = delegate->TabStop();
    const QFontMetrics metrics(list->font());
    box.ResetContent();
    box.AddString("1\t0\t0\t0\t[198.18.1.2]\tr1.lab.quorail.test");
    list->grab();
    const int v4 = delegate->NameColumn();
    EXPECT_EQ(v4, 6 * stop);
    const QString v6 = "[2001:2:0:200:ffff:ffff:c612:c8d2]";
    box.AddString("2\t0\t0\t0\t" + v6.toStdString() + "\thop2.sim6.lab.quorail.test");
    list->grab();
    const int wide = delegate->NameColumn();
    EXPECT_GT(wide, 4 * stop + metrics.horizontalAdvance(v6));
    EXPECT_GT(wide, v4);
    EXPECT_EQ(wide % stop, 0);
    box.ResetContent();
    box.AddString("1\t0\t0\t0\t[198.18.1.2]\tr1.lab.quorail.test");
    list->grab();
    EXPECT_EQ(delegate->NameColumn(), v4);
}

// Swallows key presses while armed, as the splash window does.
class CFilteringApp : public CQuorailApp {
public:
    BOOL PreTranslateMessage(QObject* target, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            ++m_nKeyPresses;
            if (m_bSwallow) {
                return TRUE;
            }
        }
        return CQuorailApp::PreTranslateMessage(target, event);
    }
    bool m_bSwallow = true;
    int m_nKeyPresses = 0;
};

TEST(ApplicationTest, SeesEveryInputEventBeforeDispatchAndCanSwallowIt)
{
    CFilteringApp app;
    QLineEdit edit;
    QTest::keyClicks(&edit, "ab");
    EXPECT_EQ(app.m_nKeyPresses, 2);
    EXPECT_EQ(edit.text(), "");
    app.m_bSwallow = false;
    QTest::keyClicks(&edit, "cd");
    EXPECT_EQ(edit.text(), "cd");
}

TEST(ApplicationTest, SwallowedKeyReachesNoShortcutEither)
{
    CFilteringApp app;
    QWidget window;
    auto* edit = new QLineEdit(&window);
    int activations = 0;
    auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_K), &window);
    QObject::connect(shortcut, &QShortcut::activated, [&] { ++activations; });
    window.show();
    edit->setFocus();
    QApplication::setActiveWindow(&window);

    QTest::keyClick(edit, Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(activations, 0);
    EXPECT_EQ(app.m_nKeyPresses, 2); // Alt, then K: each seen once, though Qt offers K twice
    app.m_bSwallow = false;
    QTest::keyClick(edit, Qt::Key_K, Qt::AltModifier);
    EXPECT_EQ(activations, 1);
    QTest::keyClick(edit, Qt::Key_X);
    EXPECT_EQ(edit->text(), "x");
}

TEST(ApplicationTest, ProfileStringsReadBackAndMissingOnesGiveTheDefault)
{
    CWinApp* app = AfxGetApp();
    EXPECT_EQ(app->GetProfileString("Settings", "Missing", "fallback"), "fallback");
    EXPECT_TRUE(app->WriteProfileString("Settings", "HistoryCombo0", "m\xFCnchen.example"));
    EXPECT_EQ(app->GetProfileString("Settings", "HistoryCombo0"), "m\xFCnchen.example");
}

CCommandLineInfo Parse(std::vector<std::string> arguments)
{
    CWinApp app;
    app.SetArguments(std::move(arguments));
    CCommandLineInfo info;
    app.ParseCommandLine(info);
    return info;
}

TEST(CommandLineTest, KnowsFilesPrintSwitchesAndTheSplashFlag)
{
    EXPECT_EQ(Parse({}).m_nShellCommand, CCommandLineInfo::FileNew);
    const CCommandLineInfo open = Parse({"/tmp/trace"});
    EXPECT_EQ(open.m_nShellCommand, CCommandLineInfo::FileOpen);
    EXPECT_EQ(open.m_strFileName, "/tmp/trace");
    EXPECT_TRUE(open.m_bShowSplash);

    const CCommandLineInfo print = Parse({"/p", "listing"});
    EXPECT_EQ(print.m_nShellCommand, CCommandLineInfo::FilePrint);
    EXPECT_EQ(print.m_strFileName, "listing");

    const CCommandLineInfo printTo = Parse({"-PT", "listing", "Laser"});
    EXPECT_EQ(printTo.m_nShellCommand, CCommandLineInfo::FilePrintTo);
    EXPECT_EQ(printTo.m_strPrinterName, "Laser");

    EXPECT_EQ(Parse({"/p", "/tmp/p"}).m_strFileName, "/tmp/p"); // a path, though it begins with "/"
    EXPECT_FALSE(Parse({"/nologo"}).m_bShowSplash);
    EXPECT_FALSE(Parse({"-nologo", "file"}).m_bShowSplash);
    EXPECT_EQ(Parse({"-nologo", "file"}).m_nShellCommand, CCommandLineInfo::FileOpen);
}

} // namespace

namespace {

TEST(ListBoxTest, ReportsErrorsForMissingWindowAndIndexesOutOfRange)
{
    CListBox unattached;
    EXPECT_EQ(unattached.AddString("x"), LB_ERR);
    EXPECT_EQ(unattached.GetCount(), LB_ERR);

    CListBox list;
    QWidget parent;
    ASSERT_TRUE(list.SubclassWindow(CListBox::CreateListWidget(&parent, 64)));
    EXPECT_EQ(list.AddString("b"), 0);
    EXPECT_EQ(list.AddString("a"), 1); // no sorting: added at the end
    EXPECT_EQ(list.InsertString(0, "first"), 0);
    EXPECT_EQ(list.InsertString(9, "beyond"), LB_ERR);
    std::string text = "unchanged";
    EXPECT_EQ(list.GetText(3, text), LB_ERR);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(list.GetText(2, text), 1);
    EXPECT_EQ(text, "a");
    EXPECT_EQ(list.DeleteString(-1), LB_ERR);
    EXPECT_EQ(list.DeleteString(0), 2);
    list.ResetContent();
    EXPECT_EQ(list.GetCount(), 0);
}

TEST(WindowTest, StyleWordAndTextsCrossAsWindows1252)
{
    QWidget parent;
    CDialogItemTemplate item{42, EControlClass::Static, "Grüße", 0, 0, 40, 8, WS_CHILD | SS_CENTER};
    QWidget* label = CDialogBuilder::CreateControl(item, &parent, parent.font());
    CWnd wnd;
    ASSERT_TRUE(wnd.SubclassWindow(label));
    EXPECT_FALSE(wnd.SubclassWindow(label)); // attached once only
    EXPECT_EQ(wnd.GetDlgCtrlID(), 42);
    EXPECT_EQ(wnd.GetWindowText(), "Gr\xFC\xDF" "e");
    wnd.SetWindowText("\x80 5");
    EXPECT_EQ(qobject_cast<QLabel*>(label)->text(), QString::fromUtf8("€ 5"));
    EXPECT_EQ(wnd.GetStyle(), WS_CHILD | SS_CENTER);
    EXPECT_TRUE(wnd.ModifyStyle(SS_CENTER, SS_NOTIFY));
    EXPECT_EQ(wnd.GetStyle(), WS_CHILD | SS_NOTIFY);
    EXPECT_FALSE(wnd.ModifyStyle(0, SS_NOTIFY));
    delete label;
    EXPECT_EQ(wnd.GetSafeHwnd(), nullptr); // the object lets go of a destroyed widget
}

TEST(WaitCursorTest, NestsAndNeverRestoresMoreThanItSet)
{
    CWinApp* app = AfxGetApp();
    app->EndWaitCursor();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    {
        CWaitCursor outer;
        {
            CWaitCursor inner;
        }
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(RecentFileListTest, KeepsNewestFirstWithoutDuplicatesAndEscapesAmpersands)
{
    CRecentFileList list(ID_FILE_MRU_FILE1, "Recent File List", "File%d", 4);
    for (const char* path : {"/a", "/b", "/c", "/d", "/e", "/c"}) {
        list.Add(path);
    }
    ASSERT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list[0], "/c");
    EXPECT_EQ(list[3], "/b");
    list.Add("/x & y");
    EXPECT_EQ(list.GetMenuText(0), "&1 /x && y");
    EXPECT_EQ(list.GetMenuText(1), "&2 /c");
}

} // namespace

namespace {

TEST(MessageBoxTest, CarriesTheProgramTitleAndReturnsTheButtonPressed)
{
    QString title;
    QString text;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        for (QAbstractButton* button : box->buttons()) {
            if (button->text() == "&Nein") {
                button->click();
            }
        }
    });
    EXPECT_EQ(AfxMessageBox("Weiter mit \xC4nderungen?", MB_YESNO | MB_ICONEXCLAMATION), IDNO);
    EXPECT_EQ(title, "Quorail");
    EXPECT_EQ(text, QString::fromUtf8("Weiter mit Änderungen?"));
}

// The page size of a PDF as pdfinfo reports it, in points.
QSizeF PdfPageSize(const QString& path)
{
    QProcess pdfinfo;
    pdfinfo.start(QStringLiteral("pdfinfo"), {path});
    pdfinfo.waitForFinished(60000);
    const QRegularExpressionMatch size = QRegularExpression(QStringLiteral("Page size:\\s+([\\d.]+) x ([\\d.]+) pts"))
                                             .match(QString::fromUtf8(pdfinfo.readAllStandardOutput()));
    return size.hasMatch() ? QSizeF(size.captured(1).toDouble(), size.captured(2).toDouble()) : QSizeF();
}

TEST(PrintSetupTest, ChoosesPaperAndOrientationWithoutPrintingAndTheNextPrintUsesThem)
{
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("out.pdf"));
    CStartedApp started({"/nologo"});
    QPrinter* printer = started.App().GetPrinter();
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(pdf);
    QStringList buttons;
    QTimer::singleShot(0, [&] {
        QWidget* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
            buttons << button->text();
        }
        auto* size = dialog->findChild<QComboBox*>(QStringLiteral("pageSize"));
        auto* landscape = dialog->findChild<QAbstractButton*>(QStringLiteral("landscape"));
        if (size == nullptr || landscape == nullptr) {
            dialog->close();
            return;
        }
        size->setCurrentIndex(size->findData(static_cast<int>(QPageSize::A5)));
        landscape->click();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    EXPECT_TRUE(started.Command(ID_FILE_PRINT_SETUP));
    EXPECT_TRUE(buttons.contains(QStringLiteral("OK"))) << buttons.join(QLatin1Char('|')).toStdString();
    EXPECT_FALSE(buttons.join(QLatin1Char('|')).contains(QRegularExpression(QStringLiteral("Print|Drucken"))));
    EXPECT_FALSE(QFile::exists(pdf)); // setting up prints nothing

    started.View()->m_ListBox.AddString("a");
    started.View()->m_bHasResults = TRUE;
    EXPECT_TRUE(started.Command(ID_FILE_PRINT_DIRECT));
    const QSizeF page = PdfPageSize(pdf);
    EXPECT_NEAR(page.width(), 595.3, 1.0); // A5 turned on its side
    EXPECT_NEAR(page.height(), 419.5, 1.0);
}

TEST(MessageBoxTest, PrintingWithoutAPrinterIsReportedNotSilent)
{
    CStartedApp started;
    started.App().GetPrinter()->setOutputFileName("/no-such-folder/out.pdf");
    CMessageBoxHook boxes;
    started.Command(ID_FILE_PRINT_DIRECT);
    ASSERT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(boxes.m_boxes[0].m_text.rfind("Das Dokument kann nicht gedruckt werden.", 0), 0u);
}

} // namespace
