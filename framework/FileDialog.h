#pragma once
// The open and save dialogs: only "all files", no extension appended. A test installs a
// hook that answers in place of the user. Paths are UTF-8, as the file system takes them.

#include "WinTypes.h"

#include <functional>
#include <string>

using FileDialogHook = std::function<std::string(BOOL bOpen, const std::string& proposed)>;

// The chosen path, or empty when the user cancelled.
std::string AfxPromptFileName(BOOL bOpen, const std::string& proposed);
// Installs (or with an empty function removes) the hook; returns the previous one.
FileDialogHook SetFileDialogHook(FileDialogHook hook);
