#include "DC.h"

#include "CodePage.h"

#include <algorithm>

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTextOption>

CDC::CDC(QPainter* painter) : m_pPainter(painter)
{
}

bool CDC::TextOut(int x, int y, const std::string& text1252)
{
    if (m_pPainter == nullptr) {
        return false;
    }
    const QFontMetrics metrics(m_pPainter->font(), m_pPainter->device());
    m_pPainter->drawText(x, y + metrics.ascent(), CCodePage::ToQString(text1252));
    return true;
}

bool CDC::TabbedTextOut(int x, int y, const std::string& text1252, int tabStop)
{
    if (m_pPainter == nullptr) {
        return false;
    }
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::NoWrap);
    // Qt reads tab stops in the screen's logical pixels and scales them to the device's
    // resolution itself.
    const QScreen* screen = QGuiApplication::primaryScreen();
    const qreal screenDpi = screen != nullptr ? screen->logicalDotsPerInchY() : 96.0;
    const int deviceDpi = m_pPainter->device()->logicalDpiY();
    option.setTabStopDistance(std::max(tabStop, 1) * screenDpi / (deviceDpi > 0 ? deviceDpi : screenDpi));
    const QFontMetrics metrics(m_pPainter->font(), m_pPainter->device());
    const QString text = CCodePage::ToQString(text1252);
    const QRectF bounds(x, y, 1e6, metrics.height());
    m_pPainter->drawText(bounds, text, option);
    return true;
}

int CDC::GetBaseUnitX() const
{
    if (m_pPainter == nullptr) {
        return 0;
    }
    const QFontMetrics metrics(m_pPainter->font(), m_pPainter->device());
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return (letters / 26 + 1) / 2;
}

QFont CDC::PrintFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSize(s_nPrintFontPoints);
    return font;
}
