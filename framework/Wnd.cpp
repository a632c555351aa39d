#include "Wnd.h"

#include "CodePage.h"
#include "WinDefs.h"
#include "WndEventFilter.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QVariant>
#include <QWidget>

namespace {

const char* const kStyleProperty = "winStyle";

} // namespace

CWnd::CWnd() = default;

CWnd::~CWnd()
{
    delete m_pFilter;
}

BOOL CWnd::SubclassWindow(QWidget* widget)
{
    if (widget == nullptr || m_hWnd != nullptr) {
        return FALSE;
    }
    m_hWnd = widget;
    PreSubclassWindow();
    m_pFilter = new CWndEventFilter(this, widget);
    return TRUE;
}

QWidget* CWnd::UnsubclassWindow()
{
    QWidget* widget = m_hWnd;
    delete m_pFilter;
    m_pFilter = nullptr;
    m_hWnd = nullptr;
    return widget;
}

QWidget* CWnd::GetSafeHwnd() const
{
    return m_hWnd;
}

DWORD CWnd::GetStyle() const
{
    if (m_hWnd == nullptr) {
        return 0;
    }
    return m_hWnd->property(kStyleProperty).toUInt();
}

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const DWORD old = GetStyle();
    const DWORD style = (old & ~remove) | add;
    SetStyle(m_hWnd, style);
    return old != style;
}

void CWnd::SetStyle(QWidget* widget, DWORD style)
{
    widget->setProperty(kStyleProperty, QVariant::fromValue(static_cast<uint>(style)));
}

std::string CWnd::GetWindowText() const
{
    if (m_hWnd == nullptr) {
        return {};
    }
    if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        return CCodePage::FromQString(label->text());
    }
    if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        return CCodePage::FromQString(button->text());
    }
    if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        return CCodePage::FromQString(edit->text());
    }
    if (auto* combo = qobject_cast<QComboBox*>(m_hWnd)) {
        return CCodePage::FromQString(combo->currentText());
    }
    return CCodePage::FromQString(m_hWnd->windowTitle());
}

void CWnd::SetWindowText(const std::string& text1252)
{
    if (m_hWnd == nullptr) {
        return;
    }
    const QString text = CCodePage::ToQString(text1252);
    if (auto* label = qobject_cast<QLabel*>(m_hWnd)) {
        label->setText(text);
    } else if (auto* button = qobject_cast<QAbstractButton*>(m_hWnd)) {
        button->setText(text);
    } else if (auto* edit = qobject_cast<QLineEdit*>(m_hWnd)) {
        edit->setText(text);
    } else if (auto* combo = qobject_cast<QComboBox*>(m_hWnd); combo && combo->isEditable()) {
        combo->setEditText(text);
    } else {
        m_hWnd->setWindowTitle(text);
    }
}

QWidget* CWnd::GetDlgItem(int id) const
{
    if (m_hWnd == nullptr) {
        return nullptr;
    }
    return m_hWnd->findChild<QWidget*>(QString::number(id));
}

int CWnd::GetDlgCtrlID() const
{
    return m_hWnd != nullptr ? m_hWnd->objectName().toInt() : 0;
}

BOOL CWnd::ShowWindow(int showCommand)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = m_hWnd->isVisible();
    m_hWnd->setVisible(showCommand != SW_HIDE);
    return wasVisible;
}

BOOL CWnd::EnableWindow(BOOL enable)
{
    if (m_hWnd == nullptr) {
        return FALSE;
    }
    const BOOL wasDisabled = !m_hWnd->isEnabled();
    m_hWnd->setEnabled(enable != FALSE);
    return wasDisabled;
}

void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint)
{
    if (m_hWnd == nullptr) {
        return;
    }
    m_hWnd->setGeometry(x, y, width, height);
    if (repaint) {
        m_hWnd->update();
    }
}

void CWnd::Invalidate(BOOL /*erase*/)
{
    if (m_hWnd != nullptr) {
        m_hWnd->update();
    }
}

BOOL CWnd::IsWindowVisible() const
{
    return m_hWnd != nullptr && m_hWnd->isVisible();
}

void CWnd::PreSubclassWindow()
{
}

BOOL CWnd::OnEvent(QEvent* /*event*/)
{
    return FALSE;
}

void CWnd::OnWidgetDestroyed()
{
    m_hWnd = nullptr;
    m_pFilter->deleteLater();
    m_pFilter = nullptr;
}
