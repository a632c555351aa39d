#include "HyperlinkLabel.h"

#include "CodePage.h"
#include "MessageBeep.h"
#include "MessageBox.h"
#include "ShellExecute.h"
#include "BusyScope.h"
#include "WinDefs.h"
#include "WinExec.h"
#include "WinStyles.h"

#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPalette>

#include <cstring>

namespace {

constexpr std::size_t kRegistryValueBytes = 260; // a registry default value with its terminator
constexpr std::size_t kCommandBytes = 520;        // the ".htm" class and its command key path

const char* LaunchErrorText(int code)
{
    switch (static_cast<unsigned>(code)) {
    case 0: return "The operating system is out\nof memory or resources.";
    case 2: return "The specified file was not found.";
    case 3: return "The specified path was not found.";
    case 5: return "The operating system denied\naccess to the specified file.";
    case 8: return "There was not enough memory to complete the operation.";
    case 11: return "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image).";
    case 26: return "A sharing violation occurred. ";
    case 27: return "The filename association is\nincomplete or invalid.";
    case 28: return "The DDE transaction could not\nbe completed because the request timed out.";
    case 29: return "The DDE transaction failed.";
    case 30: return "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed.";
    case 31: return "There is no application associated\nwith the given filename extension.";
    case 32: return "The specified dynamic-link library was not found.";
    default: return nullptr;
    }
}

// Moves start and length in by the same margin on each side so that content sits centred.
void CentreSpan(int& start, int& length, int content)
{
    const int margin = (length - content) / 2;
    start += margin;
    length -= 2 * margin;
}

} // namespace

CHyperlinkLabel::CHyperlinkLabel() : m_hoverColor(QApplication::palette().color(QPalette::Highlight))
{
}

CHyperlinkLabel::~CHyperlinkLabel()
{
    if (m_hovering && m_hWnd != nullptr) {
        m_hWnd->releaseMouse();
    }
}

void CHyperlinkLabel::PreSubclassWindow()
{
    ModifyStyle(0, SS_NOTIFY);
    if (m_url.empty()) {
        m_url = GetWindowText();
    }
    if (GetWindowText().empty()) {
        SetWindowText(m_url);
    }
    m_underlineFont = m_hWnd->font();
    m_underlineFont.setUnderline(m_underline != FALSE);
    m_hWnd->setFont(m_underlineFont);
    FitWindowToText();
    LoadLinkCursor();
    if (m_linkCursor) {
        m_hWnd->setCursor(*m_linkCursor);
    }
    m_hWnd->setMouseTracking(true);
    m_hWnd->setToolTip(CCodePage::ToQString(m_url));
    CStatic::PreSubclassWindow();
}

void CHyperlinkLabel::FitWindowToText()
{
    if (m_hWnd == nullptr || !m_fitToText) {
        return;
    }
    QRect rect = m_hWnd->geometry(); // already in the parent's coordinates
    const QFontMetrics metrics(m_underlineFont);
    const int cx = metrics.horizontalAdvance(CCodePage::ToQString(GetWindowText()));
    const int cy = metrics.height();
    const DWORD style = GetStyle();

    int top = rect.top();
    int height = rect.height();
    if (style & SS_CENTERIMAGE) {
        CentreSpan(top, height, cy);
    } else {
        height = cy;
    }
    int left = rect.left();
    int width = rect.width();
    if (style & SS_CENTER) {
        CentreSpan(left, width, cx);
    } else if (style & SS_RIGHT) {
        left = left + width - cx;
        width = cx;
    } else {
        width = cx;
    }
    m_hWnd->setGeometry(left, top, width, height);
}

void CHyperlinkLabel::LoadLinkCursor()
{
    if (m_linkCursor) {
        return;
    }
    m_linkCursor = QCursor(Qt::PointingHandCursor);
}

QColor CHyperlinkLabel::TextColor() const
{
    if (m_hovering) {
        return m_hoverColor;
    }
    return m_visited ? m_visitedColor : m_linkColor;
}

void CHyperlinkLabel::MarkVisited(BOOL visited)
{
    m_visited = visited;
    if (m_hWnd != nullptr) {
        m_hWnd->update();
    }
}

BOOL CHyperlinkLabel::OnEvent(QEvent* event)
{
    switch (event->type()) {
    case QEvent::Paint:
        Paint();
        return TRUE;
    case QEvent::MouseMove:
        OnMouseMove(static_cast<QMouseEvent*>(event)->position().toPoint());
        return FALSE;
    case QEvent::Leave:
    case QEvent::Hide:
        // Where the platform delivers no moves outside the window (no pointer grab), the
        // pointer leaving it, or the label going away, ends the hover too.
        EndHover();
        return FALSE;
    case QEvent::MouseButtonPress: {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton && m_hWnd->rect().contains(mouse->position().toPoint()) &&
            (GetStyle() & SS_NOTIFY) != 0) {
            OnClicked();
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

// Draws the text in the state's colour on the parent's background, like the colour
// request of a static control that returns no brush.
void CHyperlinkLabel::Paint()
{
    QLabel* label = GetLabel();
    if (label == nullptr) {
        return;
    }
    QPainter painter(label);
    painter.setFont(label->font());
    painter.setPen(TextColor());
    painter.drawText(label->contentsRect(), static_cast<int>(label->alignment()), label->text());
}

void CHyperlinkLabel::Repaint()
{
    m_hWnd->repaint();
}

void CHyperlinkLabel::EndHover()
{
    if (!m_hovering) {
        return;
    }
    m_hovering = FALSE;
    m_hWnd->releaseMouse();
    Repaint();
}

void CHyperlinkLabel::OnMouseMove(const QPoint& point)
{
    if (m_hovering) {
        if (!m_hWnd->rect().contains(point)) {
            EndHover();
        }
        return;
    }
    m_hovering = TRUE;
    Repaint();
    m_hWnd->grabMouse();
}

void CHyperlinkLabel::OnClicked()
{
    // The launch may wait for the desktop's opener; the mouse is not held meanwhile, and a
    // grab left on the label would also take the error box's clicks.
    EndHover();
    const int code = LaunchUrl(m_url, SW_SHOW);
    m_visited = code > 32;
    if (m_visited) {
        MarkVisited(TRUE);
        return;
    }
    MessageBeep(MB_ICONEXCLAMATION);
    ShowLaunchError(code);
}

void CHyperlinkLabel::ShowLaunchError(int code)
{
    const char* reason = LaunchErrorText(code);
    std::string text = reason != nullptr ? reason : "Unknown Error (" + std::to_string(code) + ") occurred.";
    AfxMessageBox("Unable to open hyperlink:\n\n" + text, MB_ICONEXCLAMATION);
}

int CHyperlinkLabel::LaunchUrl(const std::string& url1252, int showCmd)
{
    // The windows go on painting while the opener is waited for; input meanwhile is dropped.
    const CBusyScope busy;
    const int shellCode = win::ShellExecuteA(nullptr, "open", url1252.c_str(), nullptr, nullptr, showCmd);
    if (shellCode > 32) {
        return shellCode;
    }
    char buffer[kCommandBytes] = {};
    if (ReadRegistryDefault(win::HKEY_CLASSES_ROOT, ".htm", buffer) != 0) {
        return shellCode;
    }
    std::strcat(buffer, "\\shell\\open\\command"); // at most 259 + 19 bytes of the 520
    if (ReadRegistryDefault(win::HKEY_CLASSES_ROOT, buffer, buffer) != 0) {
        return shellCode;
    }
    const std::string commandLine = ComposeCommandLine(buffer, url1252);
    return static_cast<int>(win::WinExec(commandLine.c_str(), static_cast<UINT>(showCmd)));
}

// Built as a string of its own length: a long URL neither overruns nor gets cut.
std::string CHyperlinkLabel::ComposeCommandLine(const std::string& registeredCommand, const std::string& url1252)
{
    std::string command = registeredCommand;
    std::size_t placeholder = command.find("\"%1\"");
    if (placeholder == std::string::npos) {
        placeholder = command.find("%1");
    }
    if (placeholder != std::string::npos) {
        command.resize(placeholder);
    }
    return command + " " + url1252;
}

win::LONG CHyperlinkLabel::ReadRegistryDefault(win::HKEY root, const char* subKey, char* output)
{
    win::HKEY key = nullptr;
    const win::LONG status = win::RegOpenKeyExA(root, subKey, 0, win::KEY_QUERY_VALUE, &key);
    if (status != 0) {
        return status;
    }
    // A value that is absent or longer than 259 characters reads as empty: a cut command
    // could name another program.
    char value[kRegistryValueBytes] = {};
    win::LONG size = sizeof value;
    if (win::RegQueryValueA(key, nullptr, value, &size) != 0) {
        value[0] = '\0';
    }
    std::memcpy(output, value, std::strlen(value) + 1);
    win::RegCloseKey(key);
    return 0;
}
