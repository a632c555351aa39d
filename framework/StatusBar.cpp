#include "StatusBar.h"

#include "CodePage.h"
#include "FrameWnd.h"
#include "KeyboardLocks.h"

#include "AfxRes.h"
#include "StringTable.h"

#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QTimer>
#include <QVariant>

namespace {

std::optional<bool> LockState(UINT id)
{
    switch (id) {
    case ID_INDICATOR_CAPS: return CKeyboardLocks::IsOn(CKeyboardLocks::CapsLock);
    case ID_INDICATOR_NUM: return CKeyboardLocks::IsOn(CKeyboardLocks::NumLock);
    case ID_INDICATOR_SCRL: return CKeyboardLocks::IsOn(CKeyboardLocks::ScrollLock);
    default: return std::nullopt;
    }
}

} // namespace

BOOL CStatusBar::Create(CFrameWnd* parent, DWORD style, UINT id)
{
    QMainWindow* window = parent != nullptr ? parent->GetWindow() : nullptr;
    if (window == nullptr) {
        return FALSE;
    }
    auto* bar = new QStatusBar(window);
    bar->setObjectName(QString::number(id));
    SetStyle(bar, style);
    window->setStatusBar(bar);
    return SubclassWindow(bar);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count)
{
    auto* bar = qobject_cast<QStatusBar*>(m_hWnd);
    if (bar == nullptr) {
        return FALSE;
    }
    for (int i = 0; i < count; ++i) {
        const UINT id = ids[i];
        const char* text = CStringTable::Find(id == ID_SEPARATOR ? AFX_IDS_IDLEMESSAGE : id);
        if (text == nullptr) {
            return FALSE;
        }
        auto* pane = new QLabel(QString::fromUtf8(text), bar);
        pane->setObjectName(QString::number(id));
        if (id == ID_SEPARATOR) {
            bar->addWidget(pane, 1);
        } else {
            pane->setMinimumWidth(pane->sizeHint().width() + pane->fontMetrics().averageCharWidth());
            pane->setAlignment(Qt::AlignCenter);
            pane->setProperty("indicatorText", pane->text());
            bar->addPermanentWidget(pane);
        }
        m_ids.push_back(id);
        m_panes.push_back(pane);
    }
    UpdateIndicators();
    auto* timer = new QTimer(bar);
    QObject::connect(timer, &QTimer::timeout, bar, [this] { UpdateIndicators(); });
    timer->start(s_nIndicatorIntervalMs);
    return TRUE;
}

std::string CStatusBar::GetPaneText(int index) const
{
    if (index < 0 || index >= static_cast<int>(m_panes.size())) {
        return {};
    }
    auto* bar = qobject_cast<QStatusBar*>(m_hWnd);
    if (index == 0 && bar != nullptr && !bar->currentMessage().isEmpty()) {
        return CCodePage::FromQString(bar->currentMessage());
    }
    return CCodePage::FromQString(m_panes[static_cast<std::size_t>(index)]->text());
}

void CStatusBar::UpdateIndicators()
{
    for (std::size_t i = 0; i < m_panes.size(); ++i) {
        if (m_ids[i] == ID_SEPARATOR) {
            continue;
        }
        const std::optional<bool> on = LockState(m_ids[i]);
        m_panes[i]->setText(on.value_or(false) ? m_panes[i]->property("indicatorText").toString() : QString());
    }
}
