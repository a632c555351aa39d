#pragma once
// Helpers for the control tests: template controls built as the dialogs build them, and
// the profile section of the history read and cleared through the application object.

#include "DialogTemplate.h"

#include <QWidget>

#include <memory>
#include <string>
#include <vector>

class CDialog;

// A parent window holding controls made from template items with the dialog font.
class CControlHost {
public:
    CControlHost();
    QWidget* Add(const CDialogItemTemplate& item);
    QWidget* Window() const { return m_window.get(); }
    QFont Font() const;

private:
    std::unique_ptr<QWidget> m_window;
};

// The combo box of the address dialog: drop-down, sorted, vertical scroll bar.
CDialogItemTemplate HistoryComboItem(DWORD extraStyle = 0, DWORD removeStyle = 0);
// Stores the entries, ends the list after them and empties the current text.
void ClearHistory(const std::string& section, const std::string& prefix = "HistoryCombo");
void StoreHistory(const std::string& section, const std::vector<std::string>& entries,
                  const std::string& prefix = "HistoryCombo");
// The stored entries up to the first empty one.
std::vector<std::string> StoredHistory(const std::string& section, const std::string& prefix = "HistoryCombo");
std::string Profile(const std::string& section, const std::string& entry);
// The texts of the combo box items.
std::vector<std::string> Items(QWidget* combo);
