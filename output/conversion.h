// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "services.h"

class QWidget;

namespace quorvel::output {

inline constexpr auto wavDialogTitle = "Select A Wav To Convert";
inline constexpr auto wavDialogFilter = "Wav Files (*.wav)|*.wav|Wav Files (*.*)|*.*";
inline constexpr auto wavDialogExtension = "wav";
inline constexpr auto mp3DialogTitle = "Select A Filename For Your MP3";
inline constexpr auto mp3DialogFilter = "Mp3 Files (*.mp3)|*.mp3|mp3 Files (*.*)|*.*";
inline constexpr auto mp3DialogExtension = "mp3";

// "MP3 Conversion": any WAV file to an MP3 through the encoder, picked with two file dialogs.
// The input is never changed, and the recorder is not touched.
void convertWavToMp3(QWidget* owner, platform::Services& services);

QString reportText(const QString& mp3File); // "Your MP3 has been created:  " + file
inline constexpr auto viewQuestion = "Would you like to view the file?";

} // namespace quorvel::output
