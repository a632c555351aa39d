#include "ControlsTestKit.h"

#include "CodePage.h"
#include "DialogBuilder.h"
#include "WinApp.h"
#include "WinStyles.h"

#include <QComboBox>

namespace {

CDialogTemplate HostTemplate()
{
    return {0, "", 216, 96, WS_POPUP | DS_SETFONT, "MS Sans Serif", 8, {}};
}

} // namespace

CControlHost::CControlHost() : m_window(std::make_unique<QWidget>())
{
    m_window->setFont(Font());
    m_window->resize(CDialogBuilder::DialogSize(HostTemplate()));
}

QFont CControlHost::Font() const
{
    return CDialogBuilder::DialogFont(HostTemplate());
}

QWidget* CControlHost::Add(const CDialogItemTemplate& item)
{
    return CDialogBuilder::CreateControl(item, m_window.get(), Font());
}

CDialogItemTemplate HistoryComboItem(DWORD extraStyle, DWORD removeStyle)
{
    const DWORD style = WS_CHILD | WS_VISIBLE | CBS_DROPDOWN | CBS_SORT | WS_VSCROLL | WS_TABSTOP;
    return {1006, EControlClass::ComboBox, "", 7, 30, 202, 30, (style | extraStyle) & ~removeStyle};
}

// Reading stops at the first empty entry, so one empty value ends the list.
void ClearHistory(const std::string& section, const std::string& prefix)
{
    StoreHistory(section, {}, prefix);
}

void StoreHistory(const std::string& section, const std::vector<std::string>& entries, const std::string& prefix)
{
    for (std::size_t index = 0; index < entries.size(); ++index) {
        AfxGetApp()->WriteProfileString(section, prefix + std::to_string(index), entries[index]);
    }
    AfxGetApp()->WriteProfileString(section, prefix + std::to_string(entries.size()), "");
    AfxGetApp()->WriteProfileString(section, prefix, "");
}

std::vector<std::string> StoredHistory(const std::string& section, const std::string& prefix)
{
    std::vector<std::string> entries;
    for (int index = 0;; ++index) {
        const std::string entry = Profile(section, prefix + std::to_string(index));
        if (entry.empty()) {
            return entries;
        }
        entries.push_back(entry);
    }
}

std::string Profile(const std::string& section, const std::string& entry)
{
    return AfxGetApp()->GetProfileString(section, entry);
}

std::vector<std::string> Items(QWidget* widget)
{
    std::vector<std::string> items;
    auto* combo = qobject_cast<QComboBox*>(widget);
    for (int index = 0; combo != nullptr && index < combo->count(); ++index) {
        items.push_back(CCodePage::FromQString(combo->itemText(index)));
    }
    return items;
}
