#include "XkbIndicators.h"

#include <QGuiApplication>

// Xlib's headers define macros (None, Bool, Status) that Qt's headers use as names; they
// come last.
#include <X11/XKBlib.h>

std::optional<bool> CXkbIndicators::IsOn(const char* name)
{
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return std::nullopt;
    }
    const Atom indicator = XInternAtom(display, name, True);
    int on = 0;
    if (indicator == 0 || !XkbGetNamedIndicator(display, indicator, nullptr, &on, nullptr, nullptr)) {
        return std::nullopt;
    }
    return on != 0;
}
