#include "MessageBox.h"

#include "CodePage.h"
#include "WinApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageBoxHook& Hook()
{
    static MessageBoxHook hook;
    return hook;
}

QMessageBox::Icon IconOf(UINT type)
{
    switch (type & MB_ICONMASK) {
    case MB_ICONSTOP: return QMessageBox::Critical;
    case MB_ICONQUESTION: return QMessageBox::Question;
    case MB_ICONEXCLAMATION: return QMessageBox::Warning;
    case MB_ICONINFORMATION: return QMessageBox::Information;
    default: return QMessageBox::NoIcon;
    }
}

void AddButtons(QMessageBox& box, UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole)->setObjectName("1");
        box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole)->setObjectName("2");
        break;
    case MB_YESNOCANCEL:
        box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole)->setObjectName("6");
        box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole)->setObjectName("7");
        box.addButton(QStringLiteral("Abbrechen"), QMessageBox::RejectRole)->setObjectName("2");
        break;
    case MB_YESNO:
        box.addButton(QStringLiteral("&Ja"), QMessageBox::YesRole)->setObjectName("6");
        box.addButton(QStringLiteral("&Nein"), QMessageBox::NoRole)->setObjectName("7");
        break;
    default:
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole)->setObjectName("1");
        break;
    }
}

int CancelResult(UINT type)
{
    switch (type & MB_TYPEMASK) {
    case MB_YESNO: return IDNO;
    case MB_OK: return IDOK;
    default: return IDCANCEL;
    }
}

} // namespace

int AfxMessageBox(const std::string& text1252, UINT type, UINT /*helpContext*/)
{
    if (Hook()) {
        return Hook()(text1252, type);
    }
    QMessageBox box(IconOf(type), CCodePage::ToQString(AfxGetApp()->m_pszAppName),
                    CCodePage::ToQString(text1252),
                    QMessageBox::NoButton, AfxGetApp()->GetMainWnd());
    AddButtons(box, type);
    box.exec();
    QAbstractButton* clicked = box.clickedButton();
    return clicked != nullptr ? clicked->objectName().toInt() : CancelResult(type);
}

int AfxMessageBox(UINT stringId, UINT type, UINT helpContext)
{
    return AfxMessageBox(AfxLoadString(stringId), type, helpContext);
}

MessageBoxHook SetMessageBoxHook(MessageBoxHook hook)
{
    MessageBoxHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CMessageBoxHook::CMessageBoxHook(int answer) : m_answer(answer)
{
    m_previous = SetMessageBoxHook([this](const std::string& text, UINT type) {
        m_boxes.push_back({text, type});
        return m_answer;
    });
}

CMessageBoxHook::~CMessageBoxHook()
{
    SetMessageBoxHook(std::move(m_previous));
}
