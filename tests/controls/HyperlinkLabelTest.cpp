#include "ControlsTestKit.h"
#include "FakeTools.h"
#include "HyperlinkLabel.h"
#include "MessageBeep.h"
#include "MessageBox.h"
#include "ShellExecute.h"
#include "WinDefs.h"
#include "WinStyles.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPalette>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quorail_test;
using Args = std::vector<std::string>;

namespace {

const std::string kUrl = "https://www.velmora.example/quorail/";

CDialogItemTemplate LinkItem(const std::string& text, DWORD style, int cx = 118, int cy = 8)
{
    return {1004, EControlClass::Static, text, 7, 35, cx, cy, WS_CHILD | WS_VISIBLE | WS_GROUP | style};
}

QFont Underlined(const CControlHost& host)
{
    QFont font = host.Font();
    font.setUnderline(true);
    return font;
}

void MoveMouse(QWidget* widget, const QPoint& point)
{
    QMouseEvent move(QEvent::MouseMove, QPointF(point), widget->mapToGlobal(QPointF(point)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

class CPaintCounter : public QObject {
public:
    explicit CPaintCounter(QWidget* widget) { widget->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        m_count += event->type() == QEvent::Paint ? 1 : 0;
        return false;
    }
    int m_count = 0;
};

} // namespace

TEST(HyperlinkLabel, AttachingMakesALinkOfTheControlText)
{
    CControlHost host;
    QWidget* widget = host.Add(LinkItem("mailto:quorail@velmora.example", SS_LEFT));
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));

    EXPECT_TRUE(label.GetStyle() & SS_NOTIFY);
    EXPECT_EQ(label.GetUrl(), "mailto:quorail@velmora.example");
    EXPECT_TRUE(widget->font().underline());
    EXPECT_EQ(widget->font().pointSize(), host.Font().pointSize());
    EXPECT_EQ(widget->toolTip(), QString("mailto:quorail@velmora.example"));
    EXPECT_EQ(widget->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_EQ(label.TextColor(), QColor(0, 0, 238));
}

TEST(HyperlinkLabel, FitsItsRectangleToTheTextForEachAlignment)
{
    CControlHost host;
    const QFontMetrics metrics(Underlined(host));
    const QString wide(30, QLatin1Char('W')); // wider than the 20-unit controls below
    const int cx = metrics.horizontalAdvance(wide);
    auto attach = [&](DWORD style, int cxUnits, int cyUnits, QRect& before) {
        QWidget* widget = host.Add(LinkItem(wide.toStdString(), style, cxUnits, cyUnits));
        before = widget->geometry();
        auto label = std::make_unique<CHyperlinkLabel>();
        EXPECT_TRUE(label->SubclassWindow(widget));
        return label;
    };
    QRect before;

    auto left = attach(SS_LEFT, 20, 8, before);
    EXPECT_EQ(left->m_hWnd->geometry(), QRect(before.topLeft(), QSize(cx, metrics.height())));

    auto right = attach(SS_RIGHT, 20, 8, before);
    EXPECT_EQ(right->m_hWnd->geometry().right(), before.right());
    EXPECT_EQ(right->m_hWnd->width(), cx);

    auto centred = attach(SS_CENTER | SS_CENTERIMAGE, 300, 20, before);
    const QRect after = centred->m_hWnd->geometry();
    EXPECT_LE(std::abs(after.center().x() - before.center().x()), 1);
    EXPECT_LE(std::abs(after.center().y() - before.center().y()), 1);
    EXPECT_LE(std::abs(after.width() - cx), 1);
    EXPECT_LE(std::abs(after.height() - metrics.height()), 1);
}

TEST(HyperlinkLabel, CentringTruncatesTowardZero)
{
    CControlHost host;
    QWidget* widget = host.Add(LinkItem("x", SS_CENTER | SS_CENTERIMAGE));
    widget->setGeometry(10, 10, 40, 20);
    const QFontMetrics metrics(Underlined(host));
    // Pick a text whose width is odd and larger than 40 and a height below 20.
    QString text = "W";
    while (metrics.horizontalAdvance(text) <= 40 || metrics.horizontalAdvance(text) % 2 == 0) {
        text += metrics.horizontalAdvance(text) <= 40 ? "W" : "i";
    }
    static_cast<QLabel*>(widget)->setText(text);
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));

    const int cx = metrics.horizontalAdvance(text);
    EXPECT_EQ(widget->width(), cx - 1); // d = (40 - cx) / 2 loses the odd pixel
    EXPECT_EQ(widget->x(), 10 - (cx - 40) / 2);
    const int dy = (20 - metrics.height()) / 2;
    EXPECT_EQ(widget->y(), 10 + dy);
    EXPECT_EQ(widget->height(), 20 - 2 * dy);
}

TEST(HyperlinkLabel, HoverGrabsTheMouseAndTakesTheHighlightColour)
{
    CControlHost host;
    QWidget* widget = host.Add(LinkItem(kUrl, SS_LEFT));
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));
    host.Window()->show();

    MoveMouse(widget, QPoint(2, 2));
    EXPECT_TRUE(label.IsHovering());
    EXPECT_EQ(QWidget::mouseGrabber(), widget);
    EXPECT_EQ(label.TextColor(), QApplication::palette().color(QPalette::Highlight));

    ASSERT_TRUE(QTest::qWaitForWindowExposed(host.Window()));
    CPaintCounter paints(widget);
    MoveMouse(widget, QPoint(3, 3));
    EXPECT_TRUE(label.IsHovering());
    EXPECT_EQ(paints.m_count, 0); // moving within the link does not repaint it

    MoveMouse(widget, QPoint(-5, 3));
    EXPECT_FALSE(label.IsHovering());
    EXPECT_EQ(paints.m_count, 1); // leaving repaints at once
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    EXPECT_EQ(label.TextColor(), QColor(0, 0, 238));

    label.MarkVisited(TRUE);
    EXPECT_EQ(label.TextColor(), QColor(85, 26, 139));
    MoveMouse(widget, QPoint(1, 1));
    EXPECT_EQ(label.TextColor(), QApplication::palette().color(QPalette::Highlight)); // hover wins
    MoveMouse(widget, QPoint(1, 500));

    // Leaving the window, or the label being hidden, ends the hover without a move outside.
    for (QEvent::Type type : {QEvent::Leave, QEvent::Hide}) {
        MoveMouse(widget, QPoint(1, 1));
        ASSERT_TRUE(label.IsHovering());
        QEvent event(type);
        QApplication::sendEvent(widget, &event);
        EXPECT_FALSE(label.IsHovering());
        EXPECT_EQ(QWidget::mouseGrabber(), nullptr);
    }
}

TEST(HyperlinkLabel, ClickOpensTheUrlWithTheShellAndMarksItVisited)
{
    CFakeDesktop desktop;
    CMessageBoxHook boxes;
    CControlHost host;
    QWidget* widget = host.Add(LinkItem("mailto:quorail@velmora.example", SS_LEFT));
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));
    host.Window()->show();

    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));

    EXPECT_EQ(desktop.Recorded("args"), Args{"mailto:quorail@velmora.example"});
    EXPECT_TRUE(label.IsVisited());
    EXPECT_EQ(label.TextColor(), QColor(85, 26, 139));
    EXPECT_TRUE(boxes.m_boxes.empty());
}

TEST(HyperlinkLabel, WindowPaintsAndTheMouseIsFreeWhileTheOpenerRuns)
{
    CFakeDesktop desktop(0, 1); // xdg-open answers after a second
    CMessageBoxHook boxes;
    CControlHost host;
    QWidget* widget = host.Add(LinkItem(kUrl, SS_LEFT));
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));
    host.Window()->show();
    MoveMouse(widget, QPoint(2, 2));
    ASSERT_EQ(QWidget::mouseGrabber(), widget);

    CPaintCounter paints(host.Window());
    QObject during;
    QWidget* grabber = widget;
    int paintsSeen = -1;
    QTimer::singleShot(100, &during, [&] {
        grabber = QWidget::mouseGrabber();
        host.Window()->update();
    });
    QTimer::singleShot(400, &during, [&] { paintsSeen = paints.m_count; });
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));

    EXPECT_EQ(grabber, nullptr);
    EXPECT_GT(paintsSeen, 0);
    EXPECT_TRUE(label.IsVisited());
    EXPECT_TRUE(boxes.m_boxes.empty());
}

TEST(HyperlinkLabel, FailedClickAfterASuccessfulOneReportsAndDropsTheVisitedState)
{
    CMessageBoxHook boxes;
    CControlHost host;
    QWidget* widget = host.Add(LinkItem(kUrl, SS_LEFT));
    CHyperlinkLabel label;
    ASSERT_TRUE(label.SubclassWindow(widget));
    host.Window()->show();
    {
        CFakeDesktop working;
        QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
        ASSERT_TRUE(label.IsVisited());
    }
    CFakeDesktop failing(3); // xdg-open finds no tool, and no program is registered
    CMessageBeepHook beeps;

    MoveMouse(widget, QPoint(2, 2));
    QTest::mouseClick(widget, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));

    EXPECT_EQ(beeps.m_beeps, std::vector<UINT>{MB_ICONEXCLAMATION});
    EXPECT_FALSE(label.IsVisited());
    EXPECT_EQ(QWidget::mouseGrabber(), nullptr); // the error box gets the mouse
    EXPECT_EQ(label.TextColor(), QColor(0, 0, 238));
    ASSERT_EQ(boxes.m_boxes.size(), 1u);
    EXPECT_EQ(boxes.m_boxes[0].m_text,
              "Unable to open hyperlink:\n\nThere is no application associated\nwith the given filename extension.");
    EXPECT_EQ(boxes.m_boxes[0].m_type, MB_ICONEXCLAMATION);
}

TEST(HyperlinkLabel, ErrorTextsByCode)
{
    CMessageBoxHook boxes;
    const std::vector<std::pair<int, std::string>> cases{
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {32, "The specified dynamic-link library was not found."},
        {1, "Unknown Error (1) occurred."},
        {33, "Unknown Error (33) occurred."},
        {-2, "Unknown Error (-2) occurred."},
    };
    for (const auto& [code, text] : cases) {
        CHyperlinkLabel::ShowLaunchError(code);
        EXPECT_EQ(boxes.m_boxes.back().m_text, "Unable to open hyperlink:\n\n" + text) << code;
    }
}

TEST(HyperlinkLabel, ComposedCommandLine)
{
    const std::string url = "http://h.example/?a=1";
    EXPECT_EQ(CHyperlinkLabel::ComposeCommandLine("browser \"%1\" -new", url), "browser  " + url);
    EXPECT_EQ(CHyperlinkLabel::ComposeCommandLine("browser -url %1 -x", url), "browser -url  " + url);
    EXPECT_EQ(CHyperlinkLabel::ComposeCommandLine("browser -new", url), "browser -new " + url);
    const std::string longUrl = "http://h.example/" + std::string(2000, 'a');
    EXPECT_EQ(CHyperlinkLabel::ComposeCommandLine("browser %1", longUrl), "browser  " + longUrl);
}

TEST(HyperlinkLabel, LaunchFallsBackToTheRegisteredProgramAfterTheShell)
{
    for (const std::string& exec : {std::string("fakebrowser --new-window %u --profile x"),
                                    std::string("fakebrowser --new-window \"%U\" --profile x")}) {
        CFakeDesktop desktop(4);
        desktop.InstallBrowser(exec);
        const std::string url = "https://www.velmora.example/quorail/?q=$(touch${IFS}" + desktop.File("ran") + ");`id`";

        EXPECT_EQ(CHyperlinkLabel::LaunchUrl(url, SW_SHOW), 33) << exec;
        EXPECT_EQ(desktop.Recorded("args"), Args{url}) << "the shell is tried first";
        EXPECT_EQ(desktop.Recorded("browser-args"), (Args{"--new-window", url}));
        EXPECT_FALSE(desktop.Exists("ran"));
    }
}

TEST(HyperlinkLabel, LaunchReportsTheShellCodeWithoutRegistrationAndWinExecCodesWithIt)
{
    CFakeDesktop desktop(3);
    EXPECT_EQ(CHyperlinkLabel::LaunchUrl(kUrl, SW_SHOW), 31);

    desktop.InstallBrowser("missing-browser %u");
    EXPECT_EQ(CHyperlinkLabel::LaunchUrl(kUrl, SW_SHOW), 2);
    desktop.InstallBrowser("/no/such/folder/browser %u");
    EXPECT_EQ(CHyperlinkLabel::LaunchUrl(kUrl, SW_SHOW), 3);
}

TEST(HyperlinkLabel, RegistryDefaultValueTooLongReadsEmpty)
{
    CFakeDesktop desktop;
    desktop.InstallBrowser("fakebrowser " + std::string(300, 'x') + " %u");
    char buffer[520] = "text/html\\shell\\open\\command";
    EXPECT_EQ(CHyperlinkLabel::ReadRegistryDefault(win::HKEY_CLASSES_ROOT, buffer, buffer), 0);
    EXPECT_STREQ(buffer, "");
    std::strcpy(buffer, ".htm");
    EXPECT_EQ(CHyperlinkLabel::ReadRegistryDefault(win::HKEY_CLASSES_ROOT, buffer, buffer), 0);
    EXPECT_STREQ(buffer, "text/html");
    EXPECT_EQ(CHyperlinkLabel::ReadRegistryDefault(win::HKEY_CLASSES_ROOT, ".nothing", buffer), 2);
    EXPECT_STREQ(buffer, "text/html");
}
