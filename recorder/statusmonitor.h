// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "recordercontext.h"

#include <QDateTime>
#include <QLocale>
#include <QString>

#include <cstdint>
#include <string_view>

namespace quorvel::recorder {

// Timer1: the device's mode in Text3, in the user's words where it is one of the three. Returns
// the device's reply.
QString showDeviceStatus(RecorderContext& ctx);
// Timer2: the recording's size in Text4, in megabytes of 1,000,000 bytes. Stops Timer2 once the
// size is final (Record and Stop start it again).
void showRecordingSize(RecorderContext& ctx);
// meterTimer: the sound's level on the meter while the device records or plays. At rest the meter
// goes, or stays with its clip mark until the next Record. False when there is nothing to follow.
bool showLevel(RecorderContext& ctx);
// Timer1: while recording, the warning that no sound arrives (nothing above -60 dBFS for five
// seconds) in the meter's place, and the clip mark. Returns what the tray icon's tip says instead
// of its usual words (it holds 63 characters); empty when all is well.
QString showInputWarnings(RecorderContext& ctx);
// Timer3 and Record: the time since Text1's Tag in Text1.
void increment(RecorderContext& ctx);

// "READY", "PLAYING", "RECORDING", or the reply unchanged.
QString statusText(const QString& modeReply);
// Bytes as megabytes in the locale's general number form: "1.5", "0.0441", "0", never "4.41e-05".
QString sizeText(std::uint64_t bytes, const QLocale& locale = QLocale());
// The time from start to now as "hh:mm:ss", modulo a day; "00:00:00" while now lies before start.
QString elapsedText(const QDateTime& start, const QDateTime& now);
// The start time as it is kept in the Tag, to the whole second.
QString startStamp(const QDateTime& now);

} // namespace quorvel::recorder
