#pragma once

#include "form8controls.h"

#include <QString>

class QWidget;

namespace quorvel::shell {

inline constexpr auto settingsFileName = "/settings9.txt";

// The main window's height, in twips, includes a caption and border of this many twips; the
// window's client area is what Qt sizes.
inline constexpr int nonClientTwips = 365;

// Whether the settings file is there (a plain file, whatever its permission bits).
bool settingsFileExists(const QString& applicationFolder);

// Writes the twelve options from the controls as one line; false when the file can't be written.
bool writeSettings(const ui::Form8Controls& c, const QWidget& form, const QString& applicationFolder);

// Reads the line back and applies each field through its control, in the order the controls
// expect; a field that is missing or that its control refuses leaves that control as it was.
void readSettings(ui::Form8Controls& c, QWidget& form, const QString& applicationFolder);

// One settings line from the twelve values; the format the file has always had.
QString settingsLine(const ui::Form8Controls& c, const QWidget& form);
void applySettingsLine(ui::Form8Controls& c, QWidget& form, const QString& line);

} // namespace quorvel::shell
