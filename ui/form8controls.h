// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "applicationtitle.h"
#include "levelmeter.h"
#include "ui_Form8.h"

#include <QString>

#include <cstdint>
#include <optional>

class QMenu;
class QTimer;

namespace quorvel::ui {

// The main window's controls: the widgets and actions of Form8.ui, plus what a .ui file cannot
// hold: the four interval timers, the tray menu mnuTray, the level meter with its timer and the
// warning that no sound arrives, and the window's own auto-stop count.
// The recorder and the shell read and write these directly; there is no other model.
struct Form8Controls : Ui::Form8
{
    QTimer* Timer1 = nullptr; // device status, 500 ms, always running
    QTimer* Timer2 = nullptr; // recording size, 19 ms, while the size can change
    QTimer* Timer3 = nullptr; // elapsed clock; Record gives it its interval
    QTimer* Timer4 = nullptr; // auto-stop, 1000 ms, stopped until Record
    QMenu* mnuTray = nullptr;
    // In the Information frame, under File Length: the level while recording or listening (and
    // the clip mark until the next Record), or in its place the warning that no sound arrives.
    LevelMeter* levelMeter = nullptr;
    NoSoundWarning* noSound = nullptr;
    // The meter's own ticks, 50 ms, while it follows a sound the window shows and Timer2 is not
    // running (listening); while Timer2 runs the meter takes every third of its ticks.
    QTimer* meterTimer = nullptr;
    // Timer4 ticks since the last stop. Wider than the 16 bits of old, so a length rule of a
    // thousand minutes still fires.
    std::int32_t autoStopSeconds = 0;
    bool deviceClosed = false; // an MP3 save closed the capture device
    QString startupFolder;

    // A window height or position as the settings file held it, and the pixels it was applied as:
    // while the window still has those pixels, the value is written back exactly as it was read.
    struct StoredTwips
    {
        double twips;
        int pixels;
    };
    std::optional<StoredTwips> storedHeight, storedLeft, storedTop;

    void setupControls(QWidget* form);

private:
    void setupKeyboardAndNames();
};

// Check box values as the settings file stores them: 0 unchecked, 1 checked, 2 grayed. The grayed
// value comes only from the settings file; a click on a grayed box checks it, and from then on the
// box has two states again.
int checkValue(const QCheckBox* box);
void setCheckValue(QCheckBox* box, int value);

// A tray menu item's own Enabled setting. Qt reports a hidden action as disabled; the item keeps
// the setting it was given and shows it again when it becomes visible.
void setItemEnabled(QAction* item, bool enabled);
bool itemEnabled(const QAction* item);

// The text of Text1's Tag: when the current recording started.
QString text1Tag(const Form8Controls& c);
void setText1Tag(Form8Controls& c, const QString& tag);

} // namespace quorvel::ui
