#include "MessageBeep.h"

#include <QApplication>

namespace {

MessageBeepHook& Hook()
{
    static MessageBeepHook hook;
    return hook;
}

} // namespace

void MessageBeep(UINT type)
{
    if (Hook()) {
        Hook()(type);
        return;
    }
    // The platform has one sound for every type.
    QApplication::beep();
}

MessageBeepHook SetMessageBeepHook(MessageBeepHook hook)
{
    MessageBeepHook previous = std::move(Hook());
    Hook() = std::move(hook);
    return previous;
}

CMessageBeepHook::CMessageBeepHook()
{
    m_previous = SetMessageBeepHook([this](UINT type) { m_beeps.push_back(type); });
}

CMessageBeepHook::~CMessageBeepHook()
{
    SetMessageBeepHook(std::move(m_previous));
}
