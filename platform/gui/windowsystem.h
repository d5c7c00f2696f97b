// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSize>

class QWidget;

namespace quorvel::platform {

// What the window system lets the program do with its own windows.

// False where the window system places the windows itself and never tells where (Wayland): a
// position the program sets or reads there means nothing.
bool windowsCanBePlaced();

// Gives the window this size and keeps it there. Where the window manager honours a fixed size
// (X11) it is told so; a Wayland compositor may still maximise a fixed-size window, which Qt then
// answers with a size that breaks the protocol and ends the program, so there the window takes what
// the compositor imposes for a moment and returns to its own size at once.
void holdWindowSize(QWidget* window, QSize size);

// Asks the window system to move the window with the pointer, as a drag of its title bar would
// (the only way a Wayland client's window moves). False where it can't; the caller then moves it.
bool startWindowMove(QWidget* window);

// Minimises a window that is being shown for the first time, once the window system knows it (a
// Wayland compositor ignores a minimise that comes before the window is on screen).
void showMinimizedWhenMapped(QWidget* window);

} // namespace quorvel::platform
