#pragma once

#include "services.h"

#include <QString>

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

// Starts the encoder on the two files (two arguments, so blanks in names are safe). When it ends
// well and the MP3 is there and not empty, an input marked for removal is deleted, unless it was
// replaced meanwhile; when it fails the user is told, and the input always stays.
// False when the encoder could not be started at all.
bool startEncoder(platform::Services& services, const EncoderJob& job);

} // namespace quorvel::output
