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

#include <climits>
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
        const CBusyScope busy; // the window paints while the opener is waited for
        win::ShellExecuteA(AfxGetApp()->GetMainWnd(), "open", helpPath.c_str(), "", directory.c_str(), SW_SHOW);
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
