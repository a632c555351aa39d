#include "KeyboardLocks.h"

#include "XkbIndicators.h"

#include <filesystem>
#include <fstream>

namespace {

const char* Suffix(CKeyboardLocks::ELock lock)
{
    switch (lock) {
    case CKeyboardLocks::CapsLock: return "::capslock";
    case CKeyboardLocks::NumLock: return "::numlock";
    default: return "::scrolllock";
    }
}

bool EndsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

} // namespace

std::string CKeyboardLocks::s_strLedRoot = "/sys/class/leds";

void CKeyboardLocks::SetLedRoot(const std::string& root)
{
    s_strLedRoot = root;
}

static const char* XkbName(CKeyboardLocks::ELock lock)
{
    switch (lock) {
    case CKeyboardLocks::CapsLock: return "Caps Lock";
    case CKeyboardLocks::NumLock: return "Num Lock";
    default: return "Scroll Lock";
    }
}

std::optional<bool> CKeyboardLocks::IsOn(ELock lock)
{
    if (const std::optional<bool> xkb = CXkbIndicators::IsOn(XkbName(lock))) {
        return xkb;
    }
    return FromLeds(lock);
}

std::optional<bool> CKeyboardLocks::FromLeds(ELock lock)
{
    std::error_code error;
    std::filesystem::directory_iterator entries(s_strLedRoot, error);
    if (error) {
        return std::nullopt;
    }
    std::optional<bool> state;
    for (const auto& entry : entries) {
        if (!EndsWith(entry.path().filename().string(), Suffix(lock))) {
            continue;
        }
        std::ifstream brightness(entry.path() / "brightness");
        int value = 0;
        if (brightness >> value) {
            // Any keyboard with its LED lit means the lock is on.
            state = state.value_or(false) || value != 0;
        }
    }
    return state;
}
