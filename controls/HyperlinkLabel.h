#pragma once
// Turns a static control of a dialog into a link to the URL of its own text: underlined, in
// link, visited and hover colours, fitted to its text, with hand cursor and tooltip; a click
// opens the URL (shell first, then the ".htm" program). Visits are not remembered.

#include "Registry.h"
#include "Static.h"

#include <QColor>
#include <QCursor>
#include <QFont>

#include <optional>
#include <string>

class QPaintEvent;

class CHyperlinkLabel : public CStatic {
public:
    CHyperlinkLabel();
    ~CHyperlinkLabel() override;

    void PreSubclassWindow() override;
    BOOL OnEvent(QEvent* event) override;

    void MarkVisited(BOOL visited);
    void FitWindowToText();
    void LoadLinkCursor();
    // "Unable to open hyperlink:" and the reason for the launch code, in a message box.
    static void ShowLaunchError(int code);
    // Opens url: the shell's open first; if that fails, the ".htm" program's registered
    // command cut before its %1 placeholder, a blank and the URL. Above 32 is success.
    static int LaunchUrl(const std::string& url1252, int showCmd);
    // Reads the default value of root\subKey into output (260 bytes, may be subKey's own
    // buffer); returns the status of opening the key.
    static win::LONG ReadRegistryDefault(win::HKEY root, const char* subKey, char* output);
    // The command line that LaunchUrl runs for a registered command.
    static std::string ComposeCommandLine(const std::string& registeredCommand, const std::string& url1252);

    // The colour the text is drawn in now: hover wins over visited, visited over link.
    QColor TextColor() const;
    const std::string& GetUrl() const { return m_url; }
    BOOL IsHovering() const { return m_hovering; }
    BOOL IsVisited() const { return m_visited; }

protected:
    void OnClicked();
    void OnMouseMove(const QPoint& point);
    void Paint();

private:
    void Repaint();
    void EndHover();

    QColor m_linkColor{0, 0, 238};
    QColor m_visitedColor{85, 26, 139};
    QColor m_hoverColor;  // the palette's highlight, read once
    BOOL m_hovering = FALSE; // the pointer is over the link and the mouse is grabbed
    BOOL m_visited = FALSE;  // the last click opened the URL
    BOOL m_underline = TRUE;
    BOOL m_fitToText = TRUE;
    std::string m_url; // 1252 bytes
    QFont m_underlineFont;
    std::optional<QCursor> m_linkCursor;
};
