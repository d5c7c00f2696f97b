// SPDX-License-Identifier: GPL-3.0-or-later
#include "keepawake.h"

#include <windows.h>

namespace quorvel::platform {

namespace {
// The execution state belongs to the thread that sets it: the GUI thread, which holds and lets go.
class ThreadExecutionState final : public KeepAwake
{
    void inhibit() override { ::SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED); }
    void uninhibit() override { ::SetThreadExecutionState(ES_CONTINUOUS); }
};
} // namespace

KeepAwake& systemKeepAwake()
{
    static ThreadExecutionState state;
    return state;
}

} // namespace quorvel::platform
