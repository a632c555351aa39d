#include "DialogBuilder.h"

#include "CodePage.h"
#include "ListBox.h"
#include "Wnd.h"
#include "WinStyles.h"

#include <QApplication>
#include <QComboBox>
#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace {

// The list box's default tab stops, in dialog units.

int MulDiv(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator : (product - half) / denominator);
}

QString TextOf(const CDialogItemTemplate& item)
{
    return QString::fromUtf8(item.m_text.c_str());
}

Qt::Alignment StaticAlignment(DWORD style)
{
    Qt::Alignment vertical = (style & SS_CENTERIMAGE) ? Qt::AlignVCenter : Qt::AlignTop;
    switch (style & SS_TYPEMASK) {
    case SS_CENTER: return Qt::AlignHCenter | vertical;
    case SS_RIGHT: return Qt::AlignRight | vertical;
    default: return Qt::AlignLeft | vertical;
    }
}

QWidget* CreateButton(const CDialogItemTemplate& item, QWidget* parent)
{
    auto* button = new QPushButton(TextOf(item), parent);
    const bool isDefault = (item.m_style & 0xF) == BS_DEFPUSHBUTTON;
    button->setDefault(isDefault);
    // A button with the focus shows itself as the default one and takes Enter, as on
    // Windows; the template's default button is the default again when the focus leaves.
    button->setAutoDefault(true);
    return button;
}

QWidget* CreateStatic(const CDialogItemTemplate& item, QWidget* parent)
{
    auto* label = new QLabel(TextOf(item), parent);
    label->setAlignment(StaticAlignment(item.m_style));
    label->setTextFormat(Qt::PlainText);
    return label;
}

QWidget* CreateIcon(const CDialogItemTemplate& item, QWidget* parent)
{
    constexpr int kIconSide = 32; // pixels, the size of a Windows icon control
    auto* label = new QLabel(parent);
    const QIcon icon(QStringLiteral(":/images/icon%1.ico").arg(TextOf(item)));
    label->setPixmap(icon.pixmap(kIconSide, kIconSide));
    return label;
}

QWidget* CreateCombo(QWidget* parent)
{
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setDuplicatesEnabled(true);
    return combo;
}

} // namespace

QFont CDialogBuilder::DialogFont(const CDialogTemplate& dialogTemplate)
{
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.m_pointSize > 0 ? dialogTemplate.m_pointSize : 8);
    return font;
}

QSize CDialogBuilder::BaseUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    return {(letters / 26 + 1) / 2, metrics.height()};
}

QRect CDialogBuilder::MapDialogRect(const QFont& font, const QRect& dialogUnits)
{
    const QSize base = BaseUnits(font);
    const int left = MulDiv(dialogUnits.x(), base.width(), 4);
    const int top = MulDiv(dialogUnits.y(), base.height(), 8);
    const int width = MulDiv(dialogUnits.width(), base.width(), 4);
    const int height = MulDiv(dialogUnits.height(), base.height(), 8);
    return {left, top, width, height};
}

QSize CDialogBuilder::DialogSize(const CDialogTemplate& dialogTemplate)
{
    return MapDialogRect(DialogFont(dialogTemplate), QRect(0, 0, dialogTemplate.m_cx, dialogTemplate.m_cy)).size();
}

QWidget* CDialogBuilder::CreateControl(const CDialogItemTemplate& item, QWidget* parent, const QFont& font)
{
    QWidget* widget = nullptr;
    switch (item.m_class) {
    case EControlClass::Button: widget = CreateButton(item, parent); break;
    case EControlClass::Static: widget = CreateStatic(item, parent); break;
    case EControlClass::Edit: widget = new QLineEdit(TextOf(item), parent); break;
    case EControlClass::ComboBox: widget = CreateCombo(parent); break;
    case EControlClass::Icon: widget = CreateIcon(item, parent); break;
    case EControlClass::ListBox:
        widget = CListBox::CreateListWidget(parent, MulDiv(CListBox::s_nTabStopUnits, BaseUnits(font).width(), 4));
        break;
    }
    widget->setFont(font);
    widget->setObjectName(QString::number(item.m_id));
    CWnd::SetStyle(widget, item.m_style);
    widget->setGeometry(MapDialogRect(font, QRect(item.m_x, item.m_y, item.m_cx, item.m_cy)));
    widget->setEnabled((item.m_style & WS_DISABLED) == 0);
    if ((item.m_style & WS_TABSTOP) == 0 && widget->focusPolicy() != Qt::NoFocus) {
        // Without a tab stop a control is skipped by Tab but still takes the focus when clicked.
        widget->setFocusPolicy(Qt::ClickFocus);
    }
    widget->setVisible((item.m_style & WS_VISIBLE) != 0);
    return widget;
}

void CDialogBuilder::BuildChildren(const CDialogTemplate& dialogTemplate, QWidget* parent)
{
    const QFont font = DialogFont(dialogTemplate);
    parent->setFont(font);
    QWidget* previous = nullptr;
    for (const CDialogItemTemplate& item : dialogTemplate.m_items) {
        QWidget* widget = CreateControl(item, parent, font);
        if ((widget->focusPolicy() & Qt::TabFocus) == 0) {
            continue;
        }
        if (previous != nullptr) {
            QWidget::setTabOrder(previous, widget);
        }
        previous = widget;
    }
}
