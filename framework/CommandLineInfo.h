#pragma once
// The parsed shell command line: what to do at start-up (new, open, print, print to), the
// file and printer named, and whether the splash may show. Flags begin with "/" or "-":
// /p FILE prints, /pt FILE PRINTER prints to that printer, /nologo clears the splash flag.
// Since absolute paths begin with "/" here, "/" only introduces the flags known below.

#include "WinTypes.h"

#include <string>

class CCommandLineInfo {
public:
    enum EShellCommand { FileNew, FileOpen, FilePrint, FilePrintTo, FileDDE, AppUnregister, FileNothing = -1 };

    virtual ~CCommandLineInfo() = default;
    // One argument: its text without the flag character, whether it was a flag, whether last.
    virtual void ParseParam(const std::string& param, BOOL bFlag, BOOL bLast);
    // Whether argument is a flag, and its text without the flag character.
    static BOOL IsFlag(const std::string& argument, std::string& flag);

    BOOL m_bShowSplash = TRUE;
    BOOL m_bRunEmbedded = FALSE;
    BOOL m_bRunAutomated = FALSE;
    EShellCommand m_nShellCommand = FileNew;
    std::string m_strFileName; // UTF-8
    std::string m_strPrinterName;
    std::string m_strDriverName;
    std::string m_strPortName;

private:
    void ParseFlag(const std::string& flag);
    void ParseFileName(const std::string& param);
    void ParseLast(BOOL bLast);
};
