#include "ConnectTestKit.h"

#include "AddressDialog.h"
#include "CodePage.h"
#include "TraceBusyScope.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>


namespace {

constexpr int kDialogPollMs = 10;

// Key clicks for the text; Qt Test's own typing knows ASCII only. Letters beyond it go as
// the key of their capital (Qt's key codes of Latin-1 letters) with the letter as text.
void TypeText(QWidget* field, const QString& text)
{
    for (const QChar letter : text) {
        if (letter.unicode() < 0x80) {
            QTest::keyClick(field, letter.toLatin1());
            continue;
        }
        QTest::sendKeyEvent(QTest::Click, field, static_cast<Qt::Key>(letter.toUpper().unicode()), QString(letter),
                            Qt::NoModifier);
    }
}

} // namespace

std::vector<std::string> Listing(const std::string& host, const std::vector<std::string>& hopLines,
                                 const std::string& closing)
{
    std::vector<std::string> lines = {kWaitLine,
                                      "Verbinde mit:\t" + host,
                                      " ",
                                      "OK zeige nun die Quorail an von:\t" + host,
                                      " ",
                                      " ",
                                      kHeading,
                                      " "};
    lines.insert(lines.end(), hopLines.begin(), hopLines.end());
    lines.insert(lines.end(), {" ", closing, " ", kEndLine});
    return lines;
}

std::vector<std::string> FailedListing(const std::string& host, const std::string& errorLine,
                                       const std::string& reason)
{
    std::vector<std::string> lines = {kWaitLine, "Verbinde mit:\t" + host, " ", errorLine};
    if (!reason.empty())
        lines.push_back(reason);
    return lines;
}

std::string TimeoutLine(int hop)
{
    return std::to_string(hop) + "\t*\t*\t*\tFehler:\t\t11010";
}

std::string RouterLine(int hop)
{
    return std::to_string(hop) + "\t7\t7\t7\t[198.18.0." + std::to_string(hop) + "]";
}

CAddressDialogAnswer::CAddressDialogAnswer(std::optional<std::string> host) : m_host(std::move(host))
{
    QObject::connect(&m_timer, &QTimer::timeout, [this] { Answer(); });
    m_timer.start(kDialogPollMs);
}

void CAddressDialogAnswer::Answer()
{
    QWidget* dialog = QApplication::activeModalWidget();
    auto* combo = dialog != nullptr ? dialog->findChild<QComboBox*>(QString::number(IDC_HISTORY_COMBO)) : nullptr;
    if (combo == nullptr || combo->lineEdit() == nullptr)
        return;
    m_timer.stop();
    m_bAnswered = true;
    [[maybe_unused]] const bool active = QTest::qWaitForWindowActive(dialog);
    if (!m_host) {
        QTest::keyClick(dialog, Qt::Key_Escape);
        return;
    }
    combo->setFocus();
    QWidget* field = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : combo->lineEdit();
    combo->lineEdit()->clear();
    TypeText(field, CCodePage::ToQString(*m_host));
    QTest::keyClick(field, Qt::Key_Return);
}

bool Connect(CStartedApp& started, std::optional<std::string> host)
{
    CAddressDialogAnswer answer(std::move(host));
    started.Frame()->ExecuteCommand(ID_CONNECT);
    return answer.Answered();
}

QWidget* ToolbarButton(CStartedApp& started, UINT id)
{
    auto* bar = started.Frame()->GetWindow()->findChild<QToolBar*>(QString::number(AFX_IDW_TOOLBAR));
    if (bar == nullptr)
        return nullptr;
    for (QAction* action : bar->actions()) {
        if (action->data().toUInt() == id)
            return bar->widgetForAction(action);
    }
    return nullptr;
}

std::string MessagePane(CStartedApp& started)
{
    return started.Frame()->m_wndStatusBar.GetPaneText(0);
}

CBusyPaintCounter::CBusyPaintCounter(QWidget* widget) : QObject(widget)
{
    widget->installEventFilter(this);
}

bool CBusyPaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint && CTraceBusyScope::IsActive())
        ++m_nPaints;
    return QObject::eventFilter(watched, event);
}
