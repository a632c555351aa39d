#pragma once
// A window object over a Qt widget: the widget is the window, this object the program's
// handle on it. Subclassing attaches an existing widget (from a dialog template) and runs
// PreSubclassWindow; OnEvent sees the widget's events first. The style word is the
// widget's "winStyle" property; texts cross as Windows-1252 bytes. Commands can reach it.

#include "CmdTarget.h"

#include <string>

class QEvent;
class QObject;
class QWidget;
class CWndEventFilter;

class CWnd : public CCmdTarget {
public:
    CWnd();
    ~CWnd() override;

    // Attaches the widget; fails when this object already has one or widget is null.
    BOOL SubclassWindow(QWidget* widget);
    QWidget* UnsubclassWindow();
    QWidget* GetSafeHwnd() const;

    DWORD GetStyle() const;
    BOOL ModifyStyle(DWORD remove, DWORD add);
    // Stores the style word on a widget, attached or not.
    static void SetStyle(QWidget* widget, DWORD style);

    std::string GetWindowText() const;
    void SetWindowText(const std::string& text1252);

    // The child control with that id (its objectName), or null.
    QWidget* GetDlgItem(int id) const;
    int GetDlgCtrlID() const;

    BOOL ShowWindow(int showCommand);
    BOOL EnableWindow(BOOL enable = TRUE);
    void MoveWindow(int x, int y, int width, int height, BOOL repaint = TRUE);
    void Invalidate(BOOL erase = TRUE);
    BOOL IsWindowVisible() const;

    // Called once the widget is attached, before any event reaches OnEvent.
    virtual void PreSubclassWindow();
    // Sees each event of the attached widget before the widget; TRUE swallows it.
    virtual BOOL OnEvent(QEvent* event);

    QWidget* m_hWnd = nullptr;

private:
    friend class CWndEventFilter;
    void OnWidgetDestroyed();

    CWndEventFilter* m_pFilter = nullptr;
};
