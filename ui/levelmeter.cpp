// SPDX-License-Identifier: GPL-3.0-or-later
#include "levelmeter.h"

#include <QAccessible>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace quorvel::ui {

namespace {
constexpr qint64 holdMs = 1000;
} // namespace

LevelMeter::LevelMeter(QWidget* parent)
    : QProgressBar(parent)
{
    setObjectName(QStringLiteral("levelMeter"));
    setAccessibleName(QStringLiteral("Input level"));
    setRange(floorDb, 0);
    setValue(floorDb);
    setTextVisible(false);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

int LevelMeter::decibels(float share)
{
    // NaN and anything not above the floor is silence.
    if (!(share > 0.001f))
        return floorDb;
    return std::clamp(static_cast<int>(std::lround(20.0 * std::log10(std::min(share, 1.0f)))), floorDb, 0);
}

void LevelMeter::showPeak(float share)
{
    const int level = decibels(share);
    const bool holdEnds = m_heldFor.isValid() && m_heldFor.elapsed() > holdMs;
    if (level >= m_hold || holdEnds) {
        if (m_hold != level)
            update();
        m_hold = level;
        m_heldFor.start();
    }
    setValue(level); // repaints only when the bar moves
}

void LevelMeter::setClipped(bool clipped)
{
    if (m_clipped == clipped)
        return;
    m_clipped = clipped;
    setAccessibleDescription(clipped ? QStringLiteral("Clipped") : QString());
    update();
}

void LevelMeter::rest()
{
    m_hold = floorDb;
    m_heldFor.invalidate();
    setValue(floorDb);
    update();
}

void LevelMeter::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect area = rect();
    painter.fillRect(area, palette().color(QPalette::Base));
    const auto at = [&](int db) {
        return area.width() * (db - floorDb) / -floorDb;
    };
    const QColor bar = palette().color(QPalette::Highlight);
    painter.fillRect(QRect(0, 0, at(value()), area.height()), bar);
    if (m_hold > floorDb)
        painter.fillRect(QRect(std::max(0, at(m_hold) - 2), 0, 2, area.height()), bar.darker(150));
    if (m_clipped)
        painter.fillRect(QRect(area.width() - 4, 0, 4, area.height()), QColor(0xd0, 0x10, 0x10));
}

NoSoundWarning::NoSoundWarning(QWidget* parent)
    : QLabel(parent)
{
    setObjectName(QStringLiteral("noSoundWarning"));
    setAlignment(Qt::AlignCenter);
    hide();
}

QString NoSoundWarning::text(const QString& input)
{
    return QStringLiteral("No sound is arriving from ") + (input.isEmpty() ? QStringLiteral("the input") : input);
}

void NoSoundWarning::warn(bool on, const QString& input)
{
    if (!on) {
        if (!isHidden())
            hide();
        return;
    }
    const QString words = text(input);
    if (!isHidden() && accessibleName() == words)
        return;
    setAccessibleName(words);
    setToolTip(words);
    setText(fontMetrics().elidedText(words, Qt::ElideRight, width()));
    show();
    QAccessibleEvent alert(this, QAccessible::Alert);
    QAccessible::updateAccessibility(&alert);
}

} // namespace quorvel::ui
