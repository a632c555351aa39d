#pragma once
// Lock-key indicators as the X server's keyboard extension reports them; unknown when the
// program does not run on X11.

#include <optional>

class CXkbIndicators {
public:
    // name: the indicator's XKB name ("Caps Lock", "Num Lock", "Scroll Lock").
    static std::optional<bool> IsOn(const char* name);
};
