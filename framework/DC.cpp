#include "DC.h"

#include "CodePage.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>

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

QFont CDC::PrintFont()
{
    QFont font = QGuiApplication::font();
    font.setPointSize(s_nPrintFontPoints);
    return font;
}
