#include "MessageBox.h"

#include "CodePage.h"
#include "WinApp.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

MessageBoxShownHook& Hook()
{
    static MessageBoxShownHook hook;
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

int AfxMessageBox(const std::string& text1252, UINT type, UINT helpContext)
{
    return AfxMessageBox(CCodePage::ToQString(text1252), type, helpContext);
}

int AfxMessageBox(const char* text1252, UINT type, UINT helpContext)
{
    return AfxMessageBox(std::string(text1252), type, helpContext);
}

int AfxMessageBox(const QString& text, UINT type, UINT /*helpContext*/)
{
    if (Hook()) {
        return Hook()(text, CCodePage::FromQString(text), type);
    }
    QMessageBox box(IconOf(type), CCodePage::ToQString(AfxGetApp()->m_pszAppName), text, QMessageBox::NoButton,
                    AfxGetApp()->GetMainWnd());
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
    MessageBoxShownHook shownHook;
    if (hook) {
        shownHook = [hook = std::move(hook)](const QString&, const std::string& text1252, UINT type) {
            return hook(text1252, type);
        };
    }
    MessageBoxShownHook previous = SetMessageBoxShownHook(std::move(shownHook));
    if (!previous) {
        return {};
    }
    return [previous = std::move(previous)](const std::string& text1252, UINT type) {
        return previous(CCodePage::ToQString(text1252), text1252, type);
    };
}

MessageBoxShownHook SetMessageBoxShownHook(MessageBoxShownHook hook)
{
    MessageBoxShownHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CMessageBoxHook::CMessageBoxHook(int answer) : m_answer(answer)
{
    m_previous = SetMessageBoxShownHook([this](const QString& shown, const std::string& text, UINT type) {
        m_boxes.push_back({text, type, shown});
        return m_answer;
    });
}

CMessageBoxHook::~CMessageBoxHook()
{
    SetMessageBoxShownHook(std::move(m_previous));
}
