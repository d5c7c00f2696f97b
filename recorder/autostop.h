#pragma once

#include "form8controls.h"

namespace quorvel::recorder {

// The auto-stop option groups: a box switches its slider, text box and label on or off.
void Check1_Click(ui::Form8Controls& c);
void Check2_Click(ui::Form8Controls& c);
// A slider shows its value in its text box; typed text stays the target until the slider moves.
void HScroll1_Change(ui::Form8Controls& c);
void HScroll2_Change(ui::Form8Controls& c);

} // namespace quorvel::recorder
