// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>

namespace quorvel::ui {

// The sound's level as a thin bar: the peak from -60 to 0 dBFS, the highest of the last second
// held as a tick, and a red end once the recording clipped. To a screen reader it is a progress
// bar named "Input level" whose value is the level in whole dBFS.
class LevelMeter : public QProgressBar
{
public:
    static constexpr int floorDb = -60;

    explicit LevelMeter(QWidget* parent);

    // The peak as a share of full scale (0 to 1); anything else counts as silence.
    void showPeak(float share);
    void setClipped(bool clipped);
    bool clipped() const { return m_clipped; }
    // Nothing to show: the bar falls to nothing and the hold goes.
    void rest();

    // The level in dBFS, from floorDb to 0.
    static int decibels(float share);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_hold = floorDb;
    QElapsedTimer m_heldFor;
    bool m_clipped = false;
};

// The warning that no sound arrives, in the meter's place: a line of text that a screen reader is
// told of as an alert when it appears.
class NoSoundWarning : public QLabel
{
public:
    explicit NoSoundWarning(QWidget* parent);
    // Shows the warning for this input (empty: its name is not known), or takes it away.
    void warn(bool on, const QString& input);

    static QString text(const QString& input);
};

} // namespace quorvel::ui
