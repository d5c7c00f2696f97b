// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <set>

namespace quorvel::platform {

// Keeps the system from suspending on idle while work runs that a sleep would cut short: a
// recording, an MP3 being made. The screen may still lock. Each holder says whether it needs the
// system awake; the system's inhibitor is held while any does, and given back when the last one
// lets go. Used from the GUI thread.
class KeepAwake
{
public:
    virtual ~KeepAwake() = default;
    // Idempotent per holder: a second `true` from the same holder changes nothing.
    void hold(const void* holder, bool needed);
    bool held() const { return !m_holders.empty(); }

protected:
    // The system's own: takes its inhibitor (it may come later, or not at all), or gives it back.
    virtual void inhibit() = 0;
    virtual void uninhibit() = 0;

private:
    std::set<const void*> m_holders;
};

// The system's: the desktop portal's or logind's inhibitor on Linux, the thread's execution state
// on Windows.
KeepAwake& systemKeepAwake();
// One that does nothing, for tools and tests that do not ask for it.
KeepAwake& noKeepAwake();

} // namespace quorvel::platform
