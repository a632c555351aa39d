#include "CommandLineInfo.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

} // namespace

BOOL CCommandLineInfo::IsFlag(const std::string& argument, std::string& flag)
{
    static const char* const kKnownFlags[] = {"p", "pt", "dde", "nologo", "embedding", "automation",
                                              "unregister", "unregserver"};
    if (argument.size() < 2 || (argument[0] != '-' && argument[0] != '/')) {
        return FALSE;
    }
    flag = argument.substr(1);
    if (argument[0] == '-') {
        return TRUE;
    }
    const std::string lower = Lower(flag);
    return std::find(std::begin(kKnownFlags), std::end(kKnownFlags), lower) != std::end(kKnownFlags);
}

void CCommandLineInfo::ParseParam(const std::string& param, BOOL bFlag, BOOL bLast)
{
    if (bFlag) {
        ParseFlag(Lower(param));
    } else {
        ParseFileName(param);
    }
    ParseLast(bLast);
}

void CCommandLineInfo::ParseFlag(const std::string& flag)
{
    if (flag == "p") {
        m_nShellCommand = FilePrint;
    } else if (flag == "pt") {
        m_nShellCommand = FilePrintTo;
    } else if (flag == "dde") {
        m_nShellCommand = FileDDE;
    } else if (flag == "unregister" || flag == "unregserver") {
        m_nShellCommand = AppUnregister;
    } else if (flag == "nologo") {
        m_bShowSplash = FALSE;
    } else if (flag == "embedding") {
        m_bShowSplash = FALSE;
        m_bRunEmbedded = TRUE;
    } else if (flag == "automation") {
        m_bShowSplash = FALSE;
        m_bRunAutomated = TRUE;
    }
}

void CCommandLineInfo::ParseFileName(const std::string& param)
{
    if (m_strFileName.empty()) {
        m_strFileName = param;
    } else if (m_nShellCommand == FilePrintTo && m_strPrinterName.empty()) {
        m_strPrinterName = param;
    } else if (m_nShellCommand == FilePrintTo && m_strDriverName.empty()) {
        m_strDriverName = param;
    } else if (m_nShellCommand == FilePrintTo && m_strPortName.empty()) {
        m_strPortName = param;
    }
}

void CCommandLineInfo::ParseLast(BOOL bLast)
{
    if (bLast && m_nShellCommand == FileNew && !m_strFileName.empty()) {
        m_nShellCommand = FileOpen;
    }
}
