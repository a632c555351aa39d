#pragma once
// The "Hilfe ..." command: opens quorail.chm from the program's folder with the shell (in
// an installed tree, where none lies beside the program, the one in share/quorail), or,
// when that file cannot be opened exclusively, asks whether to look for help on the web
// and opens the help page on Yes. Where the file cannot be shown, a box names the program
// that is missing (xdg-open, or a viewer for CHM files). It touches neither the document
// nor the view.

#include <QString>

#include <string>

class CHelpCommand {
public:
    // Runs the command for this program.
    static void Run();
    // The same for a program at modulePath (file system bytes).
    static void RunFor(const std::string& modulePath);

    // The folder of modulePath up to its last "/", and the help file in it.
    static std::string ProgramDirectory(const std::string& modulePath);
    static std::string HelpPath(const std::string& programDirectory);
    // share/quorail beside the program folder's parent: for a program in PREFIX/bin,
    // PREFIX/share/quorail.
    static std::string InstalledHelpDirectory(const std::string& programDirectory);
    // Opens the file for reading and takes an exclusive lock on it, without waiting; a
    // missing, unreadable or elsewhere locked file fails, and so does anything but a
    // regular file.
    static bool CanOpenExclusively(const std::string& path);
    // The question shown when the file cannot be opened, the path as the file system names it.
    static QString MissingFileQuestion(const std::string& helpPath);

    // Whether an executable of that name lies in a folder of PATH.
    static bool ProgramOnPath(const std::string& name);

private:
    static void OpenHelpFile(const std::string& helpPath, const std::string& directory);
};
