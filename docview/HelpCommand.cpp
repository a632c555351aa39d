#include "HelpCommand.h"

#include "HyperlinkLabel.h"
#include "MessageBox.h"
#include "ModuleFileName.h"
#include "ProductAddresses.h"
#include "ShellExecute.h"
#include "BusyScope.h"
#include "WinApp.h"
#include "WinDefs.h"

#include "Resource.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

void CHelpCommand::Run()
{
    // A whole Linux path, not the 261 bytes of a Windows path: a longer one cut short
    // would report a present help file as missing.
    char modulePath[PATH_MAX] = {};
    win::GetModuleFileNameA(nullptr, modulePath, sizeof modulePath);
    RunFor(modulePath);
}

void CHelpCommand::RunFor(const std::string& modulePath)
{
    const std::string directory = ProgramDirectory(modulePath);
    const std::string helpPath = HelpPath(directory);
    if (CanOpenExclusively(helpPath)) {
        OpenHelpFile(helpPath, directory);
        return;
    }
    const std::string installedDirectory = InstalledHelpDirectory(directory);
    const std::string installedPath = HelpPath(installedDirectory);
    if (access(helpPath.c_str(), F_OK) != 0 && CanOpenExclusively(installedPath)) {
        OpenHelpFile(installedPath, installedDirectory);
        return;
    }
    if (AfxMessageBox(MissingFileQuestion(helpPath), MB_YESNO) == IDYES) {
        CHyperlinkLabel::LaunchUrl(g_szHelpPageUrl, SW_SHOW);
    }
}

std::string CHelpCommand::ProgramDirectory(const std::string& modulePath)
{
    const std::size_t slash = modulePath.rfind('/');
    return slash == std::string::npos ? std::string() : modulePath.substr(0, slash);
}

void CHelpCommand::OpenHelpFile(const std::string& helpPath, const std::string& directory)
{
    int opened = 0;
    {
        const CBusyScope busy; // the window paints while the opener is waited for
        opened = win::ShellExecuteA(AfxGetApp()->GetMainWnd(), "open", helpPath.c_str(), "", directory.c_str(), SW_SHOW);
    }
    if (opened > 32) {
        return;
    }
    AfxMessageBox(ProgramOnPath("xdg-open") ? IDS_HELP_NO_VIEWER : IDS_HELP_NO_OPENER, MB_OK | MB_ICONEXCLAMATION);
}

bool CHelpCommand::ProgramOnPath(const std::string& name)
{
    const char* path = std::getenv("PATH");
    std::string folders = path != nullptr ? path : "";
    std::size_t start = 0;
    while (start <= folders.size()) {
        const std::size_t colon = std::min(folders.find(':', start), folders.size());
        const std::string folder = colon > start ? folders.substr(start, colon - start) : ".";
        if (access((folder + "/" + name).c_str(), X_OK) == 0) {
            return true;
        }
        start = colon + 1;
    }
    return false;
}

std::string CHelpCommand::InstalledHelpDirectory(const std::string& programDirectory)
{
    return ProgramDirectory(programDirectory) + "/share/quorail";
}

std::string CHelpCommand::HelpPath(const std::string& programDirectory)
{
    return programDirectory + "/quorail.chm";
}

bool CHelpCommand::CanOpenExclusively(const std::string& path)
{
    // Non-blocking, so that a FIFO of that name does not wait for a writer; only a regular
    // file counts as the help file.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat status {};
    const bool locked = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && flock(fd, LOCK_EX | LOCK_NB) == 0;
    close(fd); // also drops the lock
    return locked;
}

QString CHelpCommand::MissingFileQuestion(const std::string& helpPath)
{
    return AfxFormatName1(IDS_HELP_FILE_MISSING, helpPath);
}
