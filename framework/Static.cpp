#include "Static.h"

#include <QLabel>

QLabel* CStatic::GetLabel() const
{
    return qobject_cast<QLabel*>(m_hWnd);
}
