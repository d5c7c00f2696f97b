// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordercontext.h"

#include <QString>

class QWidget;

namespace quorvel::platform {
class MessageBoxes;
}

namespace quorvel::recorder {

// The transport actions behind both the buttons and the tray menu items. Each one sets the
// Enabled and Visible properties of the state it leads to; those properties are the state.

// Record (Command2, rec): Idle -> Recording.
void record(RecorderContext& ctx);
// Stop (Command3, stop2): Recording or Listening -> Recorded.
void stop(RecorderContext& ctx);
// Listen (Command4, testplay): Recorded or Listening -> Listening, playing from the start.
void listen(RecorderContext& ctx);

// The device ended the recording by itself (a full disk, the sound server gone, an input that
// could not be opened) while the window shows it recording, as `modeReply` tells: the take ends as
// Stop ends it, what was recorded is kept, and the user is told once why.
void followDevice(RecorderContext& ctx, const QString& modeReply, platform::MessageBoxes& boxes, QWidget* owner);
// "The recording stopped by itself: " + why, and that what was recorded is kept; or, when it
// kept no audio, that it could not be made.
QString recordingEndedText(const QString& why, bool keptAudio);

} // namespace quorvel::recorder
