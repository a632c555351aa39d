#pragma once
// The open and save dialogs: only "all files", no extension appended. A test installs a
// hook that answers in place of the user. Paths are the file system's bytes.

#include "WinTypes.h"

#include <QString>

#include <functional>
#include <string>

using FileDialogHook = std::function<std::string(BOOL bOpen, const std::string& proposed)>;

// The chosen path, or empty when the user cancelled.
std::string AfxPromptFileName(BOOL bOpen, const std::string& proposed);
// The file system's bytes of a path the dialog chose. Qt shows a name that is not UTF-8
// with replacement characters and hands it back so; the entry of that folder whose name
// reads the same is the one meant. Any other path comes back as its UTF-8.
std::string AfxFileSystemPath(const QString& chosen);
// Installs (or with an empty function removes) the hook; returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
