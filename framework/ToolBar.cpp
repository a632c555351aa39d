#include "ToolBar.h"

#include "FrameWnd.h"
#include "WinStyles.h"

#include "FrameTemplate.h"
#include "StringTable.h"

#include <QAction>
#include <QBitmap>
#include <QMainWindow>
#include <QPixmap>
#include <QToolBar>
#include <QToolButton>

namespace {

// The button face colour of the strip, drawn transparent.
const QColor kButtonFace(192, 192, 192);

QPixmap LoadStrip(const CFrameTemplate& resources)
{
    QPixmap strip(QStringLiteral(":/images/toolbar.bmp"));
    if (!strip.isNull()) {
        strip.setMask(strip.createMaskFromColor(kButtonFace, Qt::MaskInColor));
        return strip;
    }
    QPixmap blank(resources.m_nButtonWidth * static_cast<int>(resources.m_toolBar.size()), resources.m_nButtonHeight);
    blank.fill(Qt::transparent);
    return blank;
}

Qt::ToolBarAreas AreasOf(DWORD dockStyle)
{
    Qt::ToolBarAreas areas;
    if (dockStyle & CBRS_ALIGN_TOP) {
        areas |= Qt::TopToolBarArea;
    }
    if (dockStyle & CBRS_ALIGN_BOTTOM) {
        areas |= Qt::BottomToolBarArea;
    }
    if (dockStyle & CBRS_ALIGN_LEFT) {
        areas |= Qt::LeftToolBarArea;
    }
    if (dockStyle & CBRS_ALIGN_RIGHT) {
        areas |= Qt::RightToolBarArea;
    }
    return areas;
}

} // namespace

BOOL CToolBar::CreateEx(CFrameWnd* parent, DWORD ctrlStyle, DWORD style, UINT id)
{
    QMainWindow* window = parent != nullptr ? parent->GetWindow() : nullptr;
    if (window == nullptr) {
        return FALSE;
    }
    m_pFrame = parent;
    auto* bar = new QToolBar(QStringLiteral("Symbolleiste"), window);
    bar->setObjectName(QString::number(id));
    SetStyle(bar, style | ctrlStyle);
    bar->setMovable((style & CBRS_GRIPPER) != 0);
    bar->setFloatable(true);
    bar->setAllowedAreas(AreasOf(style));
    bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    window->addToolBar((style & CBRS_ALIGN_BOTTOM) ? Qt::BottomToolBarArea : Qt::TopToolBarArea, bar);
    return SubclassWindow(bar);
}

BOOL CToolBar::LoadToolBar(UINT resourceId)
{
    auto* bar = qobject_cast<QToolBar*>(m_hWnd);
    const CFrameTemplate* resources = CFrameTemplateRegistrar::Find(resourceId);
    if (bar == nullptr || resources == nullptr) {
        return FALSE;
    }
    const int width = resources->m_nButtonWidth;
    const int height = resources->m_nButtonHeight;
    bar->setIconSize(QSize(width, height));
    const QPixmap strip = LoadStrip(*resources);
    int image = 0;
    for (const UINT id : resources->m_toolBar) {
        if (id == 0) {
            bar->addSeparator();
            continue;
        }
        const char* prompt = CStringTable::Find(id);
        const QString text = prompt != nullptr ? QString::fromUtf8(prompt) : QString();
        const QPixmap icon = strip.copy(image * width, 0, width, height);
        ++image;
        auto* action = bar->addAction(QIcon(icon), text.section(QLatin1Char('\n'), 1));
        action->setData(id);
        action->setToolTip(text.section(QLatin1Char('\n'), 1));
        action->setStatusTip(text.section(QLatin1Char('\n'), 0, 0));
        if (QWidget* button = bar->widgetForAction(action)) {
            button->setStatusTip(action->statusTip());
            button->setObjectName(QString::number(id));
        }
        CFrameWnd* frame = m_pFrame;
        QObject::connect(action, &QAction::triggered, action, [frame, id] { frame->ExecuteCommand(id); });
    }
    return TRUE;
}

void CToolBar::EnableDocking(DWORD dockStyle)
{
    if (auto* bar = qobject_cast<QToolBar*>(m_hWnd)) {
        bar->setAllowedAreas(AreasOf(dockStyle));
        bar->setFloatable(true);
    }
}
