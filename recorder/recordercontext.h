// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"

#include "clock.h"
#include "keepawake.h"
#include "mci.h"

#include <QString>

#include <cstdint>
#include <string_view>

namespace quorvel::recorder {

// What the recorder's handlers work on: the main window's controls and the services they call.
struct RecorderContext
{
    ui::Form8Controls& c;
    platform::Mci& mci;
    platform::Clock& clock;
    // Held by the window while it records: the system does not sleep in the middle of a take.
    platform::KeepAwake& awake;
};

// Sends a command whose reply nobody reads. The result is not looked at: the controls change as
// the user asked, and the status display shows what the device really does.
void send(platform::Mci& mci, std::string_view command);

// Sends a status query and returns the reply (empty when the query failed).
QString query(platform::Mci& mci, std::string_view command);
// Sends a status query and returns the number its reply starts with, without building a string:
// the size display asks fifty times a second.
std::uint64_t queryNumber(platform::Mci& mci, std::string_view command);
// The leading decimal digits of a reply; 0 when it starts with anything else.
std::uint64_t leadingNumber(std::string_view reply);

} // namespace quorvel::recorder
