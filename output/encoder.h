// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

#include <QString>

#include <functional>

namespace quorvel::output {

struct EncoderJob
{
    QString commandLine; // as a user would type it
    QString program; // the encoder beside the recorder
    QString input; // WAV file, as this system names it
    QString output; // MP3 file, as this system names it
    QString outputText; // the MP3 as the user knows it, for messages
    bool removeInput; // the WAV was only a step on the way to the MP3
};

// Told when the encoder has ended: whether the MP3 is there, complete, and if not, how the encoder
// ended, in words for a message.
using EncoderDone = std::function<void(bool made, const QString& failure)>;

// Starts the encoder on the two files (two arguments, so blanks in names are safe). The MP3 appears
// only complete; when it is made an input marked for removal is deleted, unless it was replaced
// meanwhile; when the encoder fails no MP3 is left and the input always stays. The job finishes
// even if the recorder ends first. 0 when it started; -1 when the encoder could not be started at
// all; otherwise the system's error number for the MP3's folder. `done` is called only after a start.
int startEncoder(platform::Services& services, const EncoderJob& job, EncoderDone done);

} // namespace quorvel::output
