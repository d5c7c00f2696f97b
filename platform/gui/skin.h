// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

namespace quorvel::platform {

// Draws the window in Quorvel's own look (a style sheet compiled into the program). The window's
// controls take their fonts after useClassicFontFaces().
void applySkin(QWidget* window);

// The classic Windows faces the layouts name ("MS Sans Serif", "Arial"), mapped to look-alikes
// installed here with the same widths.
void useClassicFontFaces();

} // namespace quorvel::platform
