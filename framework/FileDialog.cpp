#include "FileDialog.h"

#include "WinApp.h"

#include <QFileDialog>

namespace {

FileDialogHook& Hook()
{
    static FileDialogHook hook;
    return hook;
}

} // namespace

std::string AfxPromptFileName(BOOL bOpen, const std::string& proposed)
{
    if (Hook()) {
        return Hook()(bOpen, proposed);
    }
    QFileDialog dialog(AfxGetApp()->GetMainWnd(), bOpen ? QStringLiteral("Öffnen") : QStringLiteral("Speichern unter"));
    dialog.setNameFilter(QStringLiteral("Alle Dateien (*)"));
    dialog.setAcceptMode(bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString());
    dialog.selectFile(QString::fromUtf8(proposed.c_str()));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return dialog.selectedFiles().constFirst().toUtf8().toStdString();
}

FileDialogHook SetFileDialogHook(FileDialogHook hook)
{
    FileDialogHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}
