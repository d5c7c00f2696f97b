// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

class QWidget;

namespace quorvel::shell {

// F1: the application folder's help file at its first topic. A missing file shows nothing.
void openHelpFile(QWidget* owner, platform::Services& services);
// Makes F1 open the help file anywhere in this window.
void catchF1(QWidget* window, platform::Services& services);

} // namespace quorvel::shell
