#include "FileDialog.h"

#include "WinApp.h"

#include <QFileDialog>
#include <QFileInfo>

#include <dirent.h>
#include <sys/stat.h>

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
    return AfxFileSystemPath(dialog.selectedFiles().constFirst());
}

std::string AfxFileSystemPath(const QString& chosen)
{
    const std::string path = chosen.toUtf8().toStdString();
    struct stat status {};
    const QFileInfo info(chosen);
    if (lstat(path.c_str(), &status) == 0 || info.absolutePath() == chosen) {
        return path;
    }
    const std::string folder = AfxFileSystemPath(info.absolutePath());
    DIR* entries = opendir(folder.c_str());
    if (entries == nullptr) {
        return path;
    }
    std::string found = path;
    while (const dirent* entry = readdir(entries)) {
        if (QString::fromUtf8(entry->d_name) == info.fileName()) {
            found = (folder == "/" ? folder : folder + "/") + entry->d_name;
            break;
        }
    }
    closedir(entries);
    return found;
}

FileDialogHook SetFileDialogHook(FileDialogHook hook)
{
    FileDialogHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}
