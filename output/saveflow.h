// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"
#include "services.h"

#include <QString>

class QWidget;

namespace quorvel::output {

struct SaveContext
{
    QWidget* dialog; // owner of the messages
    QString name; // as typed
    ui::Form8Controls* main; // the main window's controls; null when it is not loaded
    platform::Services& services;
    bool discarded = false; // the main window, and the recording with it, are gone
};

enum class SaveResult
{
    Saved,
    KeepDialogOpen,
    Discarded // nothing to save any more: the dialog goes
};

// The save dialog's "Save": the recording written as c:\name.wav, and with "Output As MP3" handed
// to the encoder, the device closed and the WAV removed once the MP3 is made. A bad name, a
// refused replace or a failed save keep the dialog open with the name, and the recording.
SaveResult saveRecording(SaveContext& ctx);

} // namespace quorvel::output
