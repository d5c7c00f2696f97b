// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"
#include "specialfolders.h"

#include <QString>

class QWidget;

namespace quorvel::shell {

inline constexpr auto settingsFileName = "/settings9.txt";

// The main window's height, in twips, includes a caption and border of this many twips; the
// window's client area is what Qt sizes.
inline constexpr int nonClientTwips = 365;

// Whether a settings file is there (a plain file, whatever its permission bits): the one where the
// program keeps its settings, or one left in its application folder.
bool settingsFileExists(const platform::ApplicationFiles& files);

// Writes the twelve options from the controls as one line, making the settings folder if needed.
// False when the file can't be written: the old file stays whole and the reason goes to standard
// error.
bool writeSettings(const ui::Form8Controls& c, const QWidget& form, const platform::ApplicationFiles& files);

// Reads the line back and applies each field through its control, in the order the controls
// expect; a field that is missing or that its control refuses leaves that control as it was.
// Of two settings files, the one written last is read.
void readSettings(ui::Form8Controls& c, QWidget& form, const platform::ApplicationFiles& files);
// The same from the settings file in `folder`.
void readSettings(ui::Form8Controls& c, QWidget& form, const QString& folder);

// One settings line from the twelve values; the format the file has always had.
QString settingsLine(const ui::Form8Controls& c, const QWidget& form);
void applySettingsLine(ui::Form8Controls& c, QWidget& form, const QString& line);

} // namespace quorvel::shell
