#pragma once
// The XDG lookups behind the HKEY_CLASSES_ROOT stand-in: the MIME type of a file name
// extension (shared-mime-info globs) and the command of the default application for a
// MIME type (mimeapps.list, mimeinfo.cache, desktop entries). Folders follow the XDG base
// directory variables with their documented defaults.

#include <optional>
#include <string>
#include <vector>

namespace win::xdg {

// The data folders, most important first: XDG_DATA_HOME, then XDG_DATA_DIRS.
std::vector<std::string> DataFolders();
// The config folders, most important first: XDG_CONFIG_HOME, then XDG_CONFIG_DIRS.
std::vector<std::string> ConfigFolders();

// ".htm" -> "text/html". The first data folder whose globs2 (or else globs) file has the
// literal pattern "*<extension>" decides; among its matches the highest weight wins.
// Patterns match without regard to case unless marked case-sensitive.
std::optional<std::string> MimeTypeForExtension(const std::string& extension);

// The desktop entry id of the default application for a MIME type: [Default Applications]
// of the mimeapps.list files in their order, then [Added Associations], then
// mimeinfo.cache; ids listed under [Removed Associations] or without an installed, visible
// desktop entry are passed over.
std::optional<std::string> DefaultApplication(const std::string& mimeType);

// The path of an installed desktop entry, searched in <data folder>/applications.
std::optional<std::string> FindDesktopEntry(const std::string& desktopId);

// The Exec line of a desktop entry turned into the form of a registered open command:
// %u %U %f %F become %1, %% becomes %, the other field codes are dropped; quotes stay as
// written. Nothing when the entry has no Exec key or is hidden.
std::optional<std::string> OpenCommandOfEntry(const std::string& desktopFilePath);

// The conversion on its own, for an Exec value already read from the file.
std::string ExecToOpenCommand(const std::string& exec);

} // namespace win::xdg
