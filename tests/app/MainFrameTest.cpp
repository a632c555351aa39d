// The main frame: menu bar, toolbar and accelerators as the resources order them, the bar
// toggles with their check marks, the status bar panes and the caption.

#include "QuorailTestApp.h"

#include "KeyboardLocks.h"
#include "MessageBox.h"
#include "StatusBar.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

QStringList Texts(const QList<QAction*>& actions)
{
    QStringList texts;
    for (QAction* action : actions) {
        if (action->isVisible()) {
            texts << (action->isSeparator() ? QStringLiteral("-") : action->text());
        }
    }
    return texts;
}

QMenu* Popup(CStartedApp& started, int index)
{
    return started.Frame()->GetWindow()->menuBar()->actions().at(index)->menu();
}

TEST(MainFrameTest, MenuBarHoldsTheFiveEntriesInOrder)
{
    CStartedApp started;
    started.Frame()->UpdateCommandUI();
    QMenuBar* bar = started.Frame()->GetWindow()->menuBar();
    EXPECT_EQ(Texts(bar->actions()), (QStringList{"&Datei", "&Verbinden", "&Beobachten", "&Ansicht", "&?"}));
    EXPECT_EQ(bar->actions().at(1)->menu(), nullptr); // a command on the bar itself
    EXPECT_EQ(bar->actions().at(1)->data().toUInt(), ID_CONNECT);
    EXPECT_EQ(bar->actions().at(2)->data().toUInt(), ID_WATCH);
    EXPECT_EQ(Texts(Popup(started, 0)->actions()),
              (QStringList{"&Neu\tStrg+N", QString::fromUtf8("&Öffnen ..."), "S&peichern\tStrg+S",
                           "Speichern &unter...", "-", "&Drucken...\tStrg+P", "Sei&tenansicht",
                           "Drucker&einrichtung...", "-", "Letzte Datei", "-", "&Beenden"}));
    EXPECT_FALSE(started.Frame()->FindMenuAction(ID_FILE_MRU_FILE1)->isEnabled());
    EXPECT_EQ(Texts(Popup(started, 3)->actions()), (QStringList{"&Symbolleiste", "S&tatusleiste"}));
    EXPECT_EQ(Texts(Popup(started, 4)->actions()),
              (QStringList{"&Hilfe ...", QString::fromUtf8("Inf&o über Quorail...")}));
}

TEST(MainFrameTest, ToolbarHasFourteenSlotsWithTipsAndPrompts)
{
    CStartedApp started;
    auto* bar = started.Frame()->GetWindow()->findChild<QToolBar*>(QString::number(AFX_IDW_TOOLBAR));
    ASSERT_NE(bar, nullptr);
    std::vector<UINT> ids;
    for (QAction* action : bar->actions()) {
        ids.push_back(action->isSeparator() ? 0 : action->data().toUInt());
    }
    EXPECT_EQ(ids, (std::vector<UINT>{ID_APP_EXIT, 0, ID_FILE_OPEN, ID_FILE_NEW, ID_FILE_SAVE, 0, ID_CONNECT, ID_WATCH,
                                      0, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT, 0, ID_APP_ABOUT, ID_HELP_MANUAL}));
    QAction* connect = bar->actions().at(6);
    EXPECT_EQ(connect->toolTip(), "Verbinden");
    EXPECT_EQ(connect->statusTip(), "Verbinde mit zu untersuchende URL");
    EXPECT_EQ(bar->iconSize(), QSize(16, 15));
    EXPECT_TRUE(bar->isMovable());
    EXPECT_TRUE(bar->isFloatable());
    EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);

    // Pointing at the button shows its prompt in the message pane; leaving brings "Bereit" back.
    started.Frame()->GetSafeHwnd()->show();
    QWidget* button = bar->widgetForAction(connect);
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), button->mapToGlobal(QPointF(2, 2)));
    QCoreApplication::sendEvent(button, &enter);
    EXPECT_EQ(started.Frame()->m_wndStatusBar.GetPaneText(0), "Verbinde mit zu untersuchende URL");
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(button, &leave);
    EXPECT_EQ(started.Frame()->m_wndStatusBar.GetPaneText(0), "Bereit");
}

TEST(MainFrameTest, BarTogglesHideAndShowWithTheCheckMarkFollowing)
{
    CStartedApp started;
    CMainFrame* frame = started.Frame();
    frame->GetSafeHwnd()->show();
    for (const UINT id : {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}) {
        QWidget* bar = frame->GetControlBar(id);
        ASSERT_NE(bar, nullptr);
        frame->UpdateCommandUI();
        EXPECT_TRUE(frame->FindMenuAction(id)->isChecked());
        started.Command(id);
        frame->UpdateCommandUI();
        EXPECT_TRUE(bar->isHidden());
        EXPECT_FALSE(frame->FindMenuAction(id)->isChecked());
        started.Command(id);
        frame->UpdateCommandUI();
        EXPECT_FALSE(bar->isHidden());
        EXPECT_TRUE(frame->FindMenuAction(id)->isChecked());
    }
    auto* toolBar = qobject_cast<QToolBar*>(frame->GetControlBar(ID_VIEW_TOOLBAR));
    EXPECT_EQ(frame->GetWindow()->toolBarArea(toolBar), Qt::TopToolBarArea);
}

TEST(MainFrameTest, StatusBarShowsReadyAndLockIndicatorsWhereKnown)
{
    QTemporaryDir leds;
    const auto led = [&](const QString& name, const char* brightness) {
        QDir(leds.path()).mkpath(name);
        QFile file(leds.filePath(name + "/brightness"));
        file.open(QIODevice::WriteOnly);
        file.write(brightness);
    };
    led("input3::capslock", "1\n");
    led("input3::numlock", "0\n");
    led("input4::numlock", "1\n");
    CKeyboardLocks::SetLedRoot(leds.path().toStdString());

    CStartedApp started;
    CStatusBar& status = started.Frame()->m_wndStatusBar;
    status.UpdateIndicators();
    EXPECT_EQ(status.GetPaneText(0), "Bereit");
    EXPECT_EQ(status.GetPaneText(1), "UF");
    EXPECT_EQ(status.GetPaneText(2), "NUM");
    EXPECT_EQ(status.GetPaneText(3), ""); // no scroll lock LED: unknown, empty

    led("input3::capslock", "0\n");
    status.UpdateIndicators();
    EXPECT_EQ(status.GetPaneText(1), "");
    CKeyboardLocks::SetLedRoot("/sys/class/leds");
}

TEST(MainFrameTest, AcceleratorsRouteTheirCommandsAndSwallowTheKey)
{
    CStartedApp started;
    CQuorailView* view = started.View();
    view->m_ListBox.AddString("line");
    QTest::keyClick(view->m_ListBox.GetSafeHwnd(), Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(view->m_ListBox.GetCount(), 0);
    // Shift+Insert and Alt+Backspace belong to commands nobody handles: nothing happens.
    view->m_ListBox.AddString("line");
    QTest::keyClick(view->m_ListBox.GetSafeHwnd(), Qt::Key_Insert, Qt::ShiftModifier);
    QTest::keyClick(view->m_ListBox.GetSafeHwnd(), Qt::Key_Backspace, Qt::AltModifier);
    EXPECT_EQ(view->m_ListBox.GetCount(), 1);
}

TEST(MainFrameTest, CaptionIsDocumentTitleThenQuorail)
{
    QTemporaryDir dir;
    const std::string path = dir.filePath("route-1").toStdString();
    WriteBytes(path, ListingBytes({"a", "b", "c", "d"}));
    CStartedApp started;
    EXPECT_EQ(started.Frame()->GetSafeHwnd()->windowTitle(), "Unbenannt - Quorail");
    started.App().OpenDocumentFile(path);
    EXPECT_EQ(started.Frame()->GetSafeHwnd()->windowTitle(), "route-1 - Quorail");
}

} // namespace

namespace {

TEST(MainFrameTest, ClosingAModifiedListingAsksAndCancelKeepsTheWindow)
{
    CStartedApp started;
    started.View()->m_ListBox.AddString("line");
    started.View()->m_bHasResults = TRUE;
    started.View()->CopyToDocument();
    QWidget* window = started.Frame()->GetSafeHwnd();
    {
        CMessageBoxHook boxes(IDCANCEL);
        EXPECT_FALSE(window->close());
        EXPECT_EQ(boxes.m_boxes.size(), 1u);
    }
    EXPECT_TRUE(window->isVisible());
    CMessageBoxHook boxes(IDNO);
    started.Command(ID_APP_EXIT);
    EXPECT_FALSE(window->isVisible());
}

} // namespace
