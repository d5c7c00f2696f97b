// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quorvel::ui {

// The program's title: the main window's caption and the title of every message box.
inline constexpr auto applicationTitle = "Quorvel";

} // namespace quorvel::ui
