#pragma once
// The "Hilfe ..." command: opens quorail.chm from the program's folder with the shell, or,
// when that file cannot be opened exclusively, asks whether to look for help on the web
// and opens the help page on Yes. It touches neither the document nor the view.

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
    // Opens the file for reading and takes an exclusive lock on it, without waiting; a
    // missing, unreadable or elsewhere locked file fails, and so does anything but a
    // regular file.
    static bool CanOpenExclusively(const std::string& path);
    // The question shown when the file cannot be opened, the path as the file system names it.
    static QString MissingFileQuestion(const std::string& helpPath);
};
