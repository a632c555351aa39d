#pragma once
// Test helpers for the program's layers: a started application (as the program starts
// it, without the event loop), listing files written byte by byte, and temporary folders.

#include "FrameWnd.h"
#include "MainFrame.h"
#include "QuorailApp.h"
#include "QuorailDoc.h"
#include "QuorailView.h"
#include "SingleDocTemplate.h"
#include "WinDefs.h"

#include "Resource.h"

#include <QMainWindow>

#include <QFile>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using Bytes = std::vector<unsigned char>;

// The archive form written by hand: little-endian counts and length prefixes.
inline void AppendCount(Bytes& bytes, std::uint32_t count)
{
    if (count < 0xFFFF) {
        bytes.push_back(count & 0xFF);
        bytes.push_back(count >> 8);
        return;
    }
    bytes.insert(bytes.end(), {0xFF, 0xFF});
    for (int shift = 0; shift < 32; shift += 8) {
        bytes.push_back((count >> shift) & 0xFF);
    }
}

inline void AppendLine(Bytes& bytes, const std::string& line)
{
    const std::size_t length = line.size();
    if (length < 255) {
        bytes.push_back(static_cast<unsigned char>(length));
    } else {
        bytes.insert(bytes.end(), {0xFF, static_cast<unsigned char>(length & 0xFF),
                                   static_cast<unsigned char>(length >> 8)});
    }
    bytes.insert(bytes.end(), line.begin(), line.end());
}

inline Bytes ListingBytes(const std::vector<std::string>& lines)
{
    Bytes bytes;
    AppendCount(bytes, static_cast<std::uint32_t>(lines.size()));
    for (const std::string& line : lines) {
        AppendLine(bytes, line);
    }
    return bytes;
}

inline void WriteBytes(const std::string& path, const Bytes& bytes)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::WriteOnly | QIODevice::Truncate);
    file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

inline Bytes ReadBytes(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QByteArray content = file.readAll();
    return Bytes(content.begin(), content.end());
}

// The application started with arguments, as main would, but without the event loop.
class CStartedApp {
public:
    explicit CStartedApp(std::vector<std::string> arguments = {})
    {
        m_app = std::make_unique<CQuorailApp>();
        m_app->SetArguments(std::move(arguments));
        m_bStarted = m_app->InitInstance();
    }
    ~CStartedApp()
    {
        m_app->ExitInstance();
    }

    CQuorailApp& App() { return *m_app; }
    CSingleDocTemplate* Template() { return m_app->GetDocTemplate(); }
    CMainFrame* Frame() { return static_cast<CMainFrame*>(m_app->GetMainFrame()); }
    CQuorailDoc* Doc() { return static_cast<CQuorailDoc*>(Template()->GetDocument()); }
    CQuorailView* View() { return static_cast<CQuorailView*>(Template()->GetView()); }
    BOOL Command(UINT id) { return m_app->OnCmdMsg(id); }

    // The list's lines as the view shows them.
    std::vector<std::string> ListLines()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < View()->m_ListBox.GetCount(); ++i) {
            std::string line;
            View()->m_ListBox.GetText(i, line);
            lines.push_back(line);
        }
        return lines;
    }

    BOOL m_bStarted = FALSE;

private:
    std::unique_ptr<CQuorailApp> m_app;
};

inline const std::string kAdvertLine = "Kostenlose Tools auf http://www.velmora.example";
