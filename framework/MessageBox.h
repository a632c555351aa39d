#pragma once
// Message boxes titled with the application's name. A test installs a hook
// that answers in place of the user; while it is set, no box is shown.

#include "WinDefs.h"

#include <QString>

#include <functional>
#include <string>
#include <vector>

using MessageBoxHook = std::function<int(const std::string& text1252, UINT type)>;
// The same, also given the text as the box shows it.
using MessageBoxShownHook = std::function<int(const QString& shown, const std::string& text1252, UINT type)>;

// Shows the box and returns the button pressed (IDOK, IDCANCEL, IDYES, IDNO).
int AfxMessageBox(const std::string& text1252, UINT type = MB_OK, UINT helpContext = 0);
int AfxMessageBox(const char* text1252, UINT type = MB_OK, UINT helpContext = 0);
// The same with the text of a string resource.
int AfxMessageBox(UINT stringId, UINT type = MB_OK, UINT helpContext = 0);
// The same with text beyond 1252, such as a file name; a hook gets its 1252 form as well.
int AfxMessageBox(const QString& text, UINT type = MB_OK, UINT helpContext = 0);

// Installs (or with an empty function removes) the hook; returns the previous one.
MessageBoxHook SetMessageBoxHook(MessageBoxHook hook);
MessageBoxShownHook SetMessageBoxShownHook(MessageBoxShownHook hook);

// Installs a hook for its lifetime and records every box it answers.
class CMessageBoxHook {
public:
    explicit CMessageBoxHook(int answer = IDOK);
    ~CMessageBoxHook();
    CMessageBoxHook(const CMessageBoxHook&) = delete;
    CMessageBoxHook& operator=(const CMessageBoxHook&) = delete;

    struct CEntry {
        std::string m_text; // 1252 bytes
        UINT m_type;
        QString m_shown; // as the box shows it
    };
    std::vector<CEntry> m_boxes;
    int m_answer;

private:
    MessageBoxShownHook m_previous;
};
