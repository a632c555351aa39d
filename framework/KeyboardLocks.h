#pragma once
// The state of Caps Lock, Num Lock and Scroll Lock where the platform reports it: the X
// server's keyboard indicators on X11, else the keyboard LEDs under /sys/class/leds
// ("inputN::capslock" and so on). Where neither tells, the state is unknown.

#include <optional>
#include <string>

class CKeyboardLocks {
public:
    enum ELock { CapsLock, NumLock, ScrollLock };

    // On or off; empty when the platform does not tell.
    static std::optional<bool> IsOn(ELock lock);
    // The folder searched for LEDs; tests point it at a folder of their own.
    static void SetLedRoot(const std::string& root);

private:
    static std::optional<bool> FromLeds(ELock lock);

    static std::string s_strLedRoot;
};
