#pragma once

class QWidget;

namespace quorvel::platform {

// Draws the window in Quorvel's own look (a style sheet compiled into the program).
void applySkin(QWidget* window);

} // namespace quorvel::platform
