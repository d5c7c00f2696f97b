#pragma once

#include "recordercontext.h"

namespace quorvel::recorder {

// The transport actions behind both the buttons and the tray menu items. Each one sets the
// Enabled and Visible properties of the state it leads to; those properties are the state.

// Record (Command2, rec): Idle -> Recording.
void record(RecorderContext& ctx);
// Stop (Command3, stop2): Recording or Listening -> Recorded.
void stop(RecorderContext& ctx);
// Listen (Command4, testplay): Recorded or Listening -> Listening, playing from the start.
void listen(RecorderContext& ctx);

} // namespace quorvel::recorder
