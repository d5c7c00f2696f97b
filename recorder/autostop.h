// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordercontext.h"

#include <QString>
#include <QStringView>

class QWidget;

namespace quorvel::platform {
class MessageBoxes;
}

namespace quorvel::recorder {

inline constexpr auto sizeReachedMessage
    = "Recording Stopped. The specified filesize was reached. Your file is ready to save.";
inline constexpr auto lengthReachedMessage
    = "Recording Stopped. The specified time limit was reached. Your file is ready to save.";

// The auto-stop option groups: a box switches its slider, text box and label on or off.
void Check1_Click(ui::Form8Controls& c);
void Check2_Click(ui::Form8Controls& c);
// A slider shows its value in its text box; typed text stays the target until the slider moves.
void HScroll1_Change(ui::Form8Controls& c);
void HScroll2_Change(ui::Form8Controls& c);

// A number read the way a typed number is read: the number the text starts with, blanks anywhere
// ignored, the given decimal separator; 0 when the text starts with anything else.
double typedNumber(QStringView text, QStringView decimalPoint = u".");

// Timer4, once a second while recording: counts the tick, then stops the recording when the size
// or the length rule that is switched on has been reached, and tells the user.
void Timer4_Timer(RecorderContext& ctx, platform::MessageBoxes& boxes, QWidget* owner);

} // namespace quorvel::recorder
