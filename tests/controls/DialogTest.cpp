#include "AboutDialog.h"
#include "AddressDialog.h"
#include "CodePage.h"
#include "ControlsTestKit.h"
#include "DialogBuilder.h"
#include "DialogTemplateRegistrar.h"
#include "FakeTools.h"
#include "MessageBox.h"
#include "Resource.h"
#include "WinApp.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using Texts = std::vector<std::string>;

namespace {

QRect Mapped(const CDialogTemplate& dialogTemplate, const CDialogItemTemplate& item)
{
    return CDialogBuilder::MapDialogRect(CDialogBuilder::DialogFont(dialogTemplate),
                                         QRect(item.m_x, item.m_y, item.m_cx, item.m_cy));
}

// The controls that take the focus, in tab order, by their ids.
std::vector<int> FocusChain(QWidget* window)
{
    std::vector<int> ids;
    QWidget* widget = window;
    for (int step = 0; step < 20; ++step) {
        widget = widget->nextInFocusChain();
        if (widget == window) {
            break;
        }
        if (widget->parentWidget() == window && widget->focusPolicy() & Qt::TabFocus) {
            ids.push_back(widget->objectName().toInt());
        }
    }
    return ids;
}

void Press(CDialog& dialog, Qt::Key key)
{
    QWidget* target = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : dialog.m_hWnd;
    QTest::keyClick(target, key);
}

std::string EditText(CDialog& dialog)
{
    return CCodePage::FromQString(qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_HISTORY_COMBO))->currentText());
}

} // namespace

TEST(AddressDialog, LayoutFromDialogUnitsAndTabOrder)
{
    ClearHistory("Settings");
    const CDialogTemplate* dialogTemplate = FindDialogTemplate(IDD_ADDRESS);
    ASSERT_NE(dialogTemplate, nullptr);
    CAddressDialog dialog;
    ASSERT_TRUE(dialog.Create());

    EXPECT_EQ(dialog.m_hWnd->windowTitle(), QString("URL Eingabe"));
    EXPECT_EQ(dialog.m_hWnd->size(), CDialogBuilder::DialogSize(*dialogTemplate));
    for (const CDialogItemTemplate& item : dialogTemplate->m_items) {
        if (item.m_id == IDOK || item.m_id == IDCANCEL) {
            EXPECT_EQ(dialog.GetDlgItem(item.m_id)->geometry(), Mapped(*dialogTemplate, item)) << item.m_id;
        }
    }
    const QRect link = dialog.GetDlgItem(IDC_LINK_LABEL)->geometry();
    const QRect linkTemplate = Mapped(*dialogTemplate, dialogTemplate->m_items[4]);
    EXPECT_EQ(link.topLeft(), linkTemplate.topLeft());
    EXPECT_EQ(link.width(), QFontMetrics(dialog.GetDlgItem(IDC_LINK_LABEL)->font())
                                .horizontalAdvance("https://www.velmora.example/quorail/"));
    const QRect combo = dialog.GetDlgItem(IDC_HISTORY_COMBO)->geometry();
    EXPECT_EQ(combo.topLeft(), Mapped(*dialogTemplate, dialogTemplate->m_items[5]).topLeft());

    EXPECT_EQ(FocusChain(dialog.m_hWnd), (std::vector<int>{IDOK, IDCANCEL, IDC_HISTORY_COMBO}));
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.m_hWnd));
    QWidget* host = dialog.GetDlgItem(IDC_HISTORY_COMBO);
    EXPECT_TRUE(QApplication::focusWidget() == host || host->isAncestorOf(QApplication::focusWidget()))
        << "what is typed first goes into the host field";
    EXPECT_EQ(dialog.GetDlgItem(IDOK)->property("winStyle").toUInt() & 0xF, BS_DEFPUSHBUTTON);
    EXPECT_EQ(EditText(dialog), "");
    EXPECT_EQ(qobject_cast<QComboBox*>(dialog.GetDlgItem(IDC_HISTORY_COMBO))->count(), 0);
    EXPECT_EQ(CCodePage::FromQString(qobject_cast<QLabel*>(dialog.m_hWnd->findChildren<QLabel*>()[0])->text()),
              "Eingabe der URL ( z.b. www.velmora.example oder IP)");
}

TEST(AddressDialog, EnterConfirmsTheStrippedHostAndWritesTheHistory)
{
    StoreHistory("Settings", {"beta.example", "Alpha.example"});
    CAddressDialog dialog;
    ASSERT_TRUE(dialog.Create());
    EXPECT_EQ(Items(dialog.GetDlgItem(IDC_HISTORY_COMBO)), (Texts{"Alpha.example", "beta.example"}));
    dialog.m_historyCombo.SetWindowText("  ALPHA.example ");

    Press(dialog, Qt::Key_Return);

    EXPECT_EQ(dialog.GetResult(), IDOK);
    EXPECT_EQ(dialog.m_strAddress, "ALPHA.example");
    EXPECT_EQ(StoredHistory("Settings"), (Texts{"ALPHA.example", "beta.example"}));
    EXPECT_EQ(Profile("Settings", "HistoryCombo"), "ALPHA.example");

    // Opening again shows the host selected; Enter at once confirms it again.
    CAddressDialog again;
    ASSERT_TRUE(again.Create());
    EXPECT_EQ(EditText(again), "ALPHA.example");
    EXPECT_EQ(again.m_historyCombo.GetCurSel(), 0);
    Press(again, Qt::Key_Return);
    EXPECT_EQ(again.GetResult(), IDOK);
    EXPECT_EQ(again.m_strAddress, "ALPHA.example");
    EXPECT_EQ(StoredHistory("Settings"), (Texts{"ALPHA.example", "beta.example"}));

    // A host typed at once, without a click, replaces the one shown.
    CAddressDialog typed;
    ASSERT_TRUE(typed.Create());
    ASSERT_TRUE(QTest::qWaitForWindowActive(typed.m_hWnd));
    QTest::keyClicks(QApplication::focusWidget(), "gamma.example");
    Press(typed, Qt::Key_Return);
    EXPECT_EQ(typed.m_strAddress, "gamma.example");
}

TEST(AddressDialog, HostTypedInTheFieldAndEnterReplacesACaseVariantAtTheTop)
{
    StoreHistory("Settings", {"b.example", "Host.example", "a.example"});
    CAddressDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.m_hWnd));
    QWidget* combo = dialog.GetDlgItem(IDC_HISTORY_COMBO);
    combo->setFocus();

    QTest::keyClicks(QApplication::focusWidget(), "HOST.example");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);

    EXPECT_EQ(dialog.GetResult(), IDOK);
    EXPECT_EQ(dialog.m_strAddress, "HOST.example");
    EXPECT_EQ(StoredHistory("Settings"), (Texts{"HOST.example", "a.example", "b.example"}));
}

TEST(AddressDialog, BlankTextStillClosesWithOkAndIsHandedOver)
{
    StoreHistory("Settings", {"a.example"});
    CAddressDialog dialog;
    ASSERT_TRUE(dialog.Create());
    dialog.m_historyCombo.SetWindowText(" \t ");
    qobject_cast<QPushButton*>(dialog.GetDlgItem(IDOK))->click();

    EXPECT_EQ(dialog.GetResult(), IDOK);
    EXPECT_EQ(dialog.m_strAddress, " \t ");
    EXPECT_EQ(StoredHistory("Settings"), Texts{"a.example"});
}

TEST(AddressDialog, EscapeAndCancelWriteNothing)
{
    StoreHistory("Settings", {"a.example"});
    AfxGetApp()->WriteProfileString("Settings", "HistoryCombo", "a.example");
    for (bool useButton : {false, true}) {
        CAddressDialog dialog;
        ASSERT_TRUE(dialog.Create());
        dialog.m_historyCombo.SetWindowText("new.example");
        if (useButton) {
            qobject_cast<QPushButton*>(dialog.GetDlgItem(IDCANCEL))->click();
        } else {
            Press(dialog, Qt::Key_Escape);
        }
        EXPECT_EQ(dialog.GetResult(), IDCANCEL);
        EXPECT_EQ(dialog.m_strAddress, "");
        EXPECT_EQ(StoredHistory("Settings"), Texts{"a.example"});
        EXPECT_EQ(Profile("Settings", "HistoryCombo"), "a.example");
    }
}

TEST(AddressDialog, EnterPressesTheFocusedButtonInEveryDialog)
{
    StoreHistory("Settings", {"a.example"});
    AfxGetApp()->WriteProfileString("Settings", "HistoryCombo", "a.example");
    CAddressDialog dialog;
    ASSERT_TRUE(dialog.Create());
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog.m_hWnd));
    dialog.m_historyCombo.SetWindowText("new.example");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    ASSERT_EQ(QApplication::focusWidget(), dialog.GetDlgItem(IDCANCEL));
    EXPECT_TRUE(qobject_cast<QPushButton*>(dialog.GetDlgItem(IDCANCEL))->isDefault()); // shown as the default
    EXPECT_FALSE(qobject_cast<QPushButton*>(dialog.GetDlgItem(IDOK))->isDefault());

    Press(dialog, Qt::Key_Return);

    EXPECT_EQ(dialog.GetResult(), IDCANCEL);
    EXPECT_EQ(StoredHistory("Settings"), Texts{"a.example"});
    EXPECT_EQ(Profile("Settings", "HistoryCombo"), "a.example");

    // The message boxes follow the same rule: "Nein" focused, Enter answers no.
    QTimer::singleShot(0, [] {
        QWidget* box = QApplication::activeModalWidget();
        for (QPushButton* button : box->findChildren<QPushButton*>()) {
            if (button->text() == "&Nein") {
                button->setFocus();
                QTest::keyClick(button, Qt::Key_Return);
            }
        }
        if (box->isVisible()) {
            box->close();
        }
    });
    EXPECT_EQ(AfxMessageBox("?", MB_YESNO), IDNO);
}

TEST(AboutDialog, LinksAttachedAndSizedOnlyOkTakesTheFocus)
{
    const CDialogTemplate* dialogTemplate = FindDialogTemplate(IDD_ABOUTBOX);
    ASSERT_NE(dialogTemplate, nullptr);
    CAboutDialog dialog;
    ASSERT_TRUE(dialog.Create());

    EXPECT_EQ(dialog.m_hWnd->windowTitle(), QString::fromUtf8("Info über Quorail"));
    EXPECT_EQ(dialog.m_hWnd->size(), CDialogBuilder::DialogSize(*dialogTemplate));
    EXPECT_EQ(dialog.m_mailLink.GetUrl(), "mailto:quorail@velmora.example");
    EXPECT_EQ(dialog.m_homePageLink.GetUrl(), "https://www.velmora.example/quorail/");
    for (CHyperlinkLabel* link : {&dialog.m_mailLink, &dialog.m_homePageLink}) {
        EXPECT_TRUE(link->GetStyle() & SS_NOTIFY);
        EXPECT_EQ(link->m_hWnd->toolTip(), CCodePage::ToQString(link->GetUrl()));
        EXPECT_EQ(link->m_hWnd->width(),
                  QFontMetrics(link->m_hWnd->font()).horizontalAdvance(CCodePage::ToQString(link->GetUrl())));
        EXPECT_EQ(link->m_hWnd->x(), Mapped(*dialogTemplate, dialogTemplate->m_items[4]).x());
    }
    EXPECT_EQ(FocusChain(dialog.m_hWnd), std::vector<int>{IDOK});
}

TEST(AboutDialog, EnterAndEscapeCloseClickingALinkDoesNot)
{
    quorail_test::CFakeDesktop desktop;
    CMessageBoxHook boxes;
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
        CAboutDialog dialog;
        ASSERT_TRUE(dialog.Create());
        QTest::mouseClick(dialog.m_mailLink.m_hWnd, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        EXPECT_TRUE(dialog.m_hWnd->isVisible());
        EXPECT_TRUE(dialog.m_mailLink.IsVisited());
        Press(dialog, key);
        EXPECT_FALSE(dialog.m_hWnd->isVisible());
        EXPECT_EQ(dialog.GetResult(), key == Qt::Key_Return ? IDOK : IDCANCEL);
    }
    EXPECT_TRUE(boxes.m_boxes.empty());
}
