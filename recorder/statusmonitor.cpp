// SPDX-License-Identifier: GPL-3.0-or-later
#include "statusmonitor.h"

#include "capturecommands.h"

#include <QTimer>

namespace quorvel::recorder {

QString statusText(const QString& modeReply)
{
    if (modeReply == QLatin1String("stopped"))
        return QStringLiteral("READY");
    if (modeReply == QLatin1String("playing"))
        return QStringLiteral("PLAYING");
    if (modeReply == QLatin1String("recording"))
        return QStringLiteral("RECORDING");
    return modeReply;
}

QString sizeText(std::uint64_t bytes, const QLocale& locale)
{
    // Bytes over a million never need more than six decimals; fixed notation keeps tiny sizes
    // readable where the general form would switch to an exponent.
    QLocale plain = locale;
    plain.setNumberOptions(QLocale::OmitGroupSeparator);
    QString text = plain.toString(static_cast<double>(bytes) / 1000000.0, 'f', 6);
    const QString point = plain.decimalPoint();
    if (text.contains(point)) {
        while (text.endsWith(QLatin1Char('0')))
            text.chop(1);
        if (text.endsWith(point))
            text.chop(point.size());
    }
    return text;
}

QString elapsedText(const QDateTime& start, const QDateTime& now)
{
    const qint64 seconds = start.isValid() ? start.secsTo(now) : 0;
    if (seconds <= 0)
        return QStringLiteral("00:00:00");
    const qint64 ofDay = seconds % 86400;
    return QStringLiteral("%1:%2:%3")
        .arg(ofDay / 3600, 2, 10, QLatin1Char('0'))
        .arg(ofDay / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(ofDay % 60, 2, 10, QLatin1Char('0'));
}

QString startStamp(const QDateTime& now)
{
    return now.toString(Qt::ISODate);
}

namespace {
// Writing the same text again would only cost a repaint, fifty times a second.
void show(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}
} // namespace

QString showDeviceStatus(RecorderContext& ctx)
{
    QString mode = query(ctx.mci, command::statusMode);
    show(ctx.c.Text3, statusText(mode));
    return mode;
}

void showRecordingSize(RecorderContext& ctx)
{
    send(ctx.mci, command::timeFormatBytes);
    const std::uint64_t bytes = queryNumber(ctx.mci, command::statusLength);
    // The length moves about once a second; the text is formatted again only when it does.
    struct Shown
    {
        std::uint64_t bytes = 0;
        QLocale locale;
        QString text;
    };
    static Shown last {0, QLocale(), sizeText(0)};
    if (bytes != last.bytes || last.locale != QLocale())
        last = {bytes, QLocale(), sizeText(bytes)};
    show(ctx.c.Text4, last.text);
    // Once the size can't change by itself any more, the display rests until a command changes it.
    // (While the window shows a recording it can: the device isn't asked.)
    if (!ctx.c.Timer3->isActive() && ctx.mci.lengthFinal("capture"))
        ctx.c.Timer2->stop();
}

void increment(RecorderContext& ctx)
{
    // Whole seconds on both sides: a late tick shows the right time, never a second twice.
    QDateTime now = ctx.clock.now();
    now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
    const QDateTime start = QDateTime::fromString(ui::text1Tag(ctx.c), Qt::ISODate);
    show(ctx.c.Text1, elapsedText(start, now));
}

namespace {
constexpr std::int64_t noSoundAfterMs = 5000;
} // namespace

bool showLevel(RecorderContext& ctx)
{
    auto& c = ctx.c;
    const platform::SoundLevel level = ctx.mci.level("capture", true);
    c.levelMeter->setClipped(level.clipped);
    if (!level.running) {
        c.levelMeter->rest();
        c.levelMeter->setVisible(c.levelMeter->clipped());
        return false;
    }
    if (level.peak >= 0) // else nothing came since the last look: the bar stays
        c.levelMeter->showPeak(level.peak);
    c.levelMeter->setVisible(c.noSound->isHidden());
    return true;
}

QString showInputWarnings(RecorderContext& ctx)
{
    auto& c = ctx.c;
    const bool recording = c.Timer3->isActive();
    const platform::SoundLevel level = ctx.mci.level("capture", false);
    const QString input = QString::fromStdString(level.input);
    const bool quiet = recording && level.running && level.quietMs >= noSoundAfterMs;
    c.noSound->warn(quiet, input);
    c.levelMeter->setClipped(level.clipped);
    if (quiet)
        c.levelMeter->hide();
    else if (level.running || level.clipped)
        c.levelMeter->show();
    QStringList tip;
    if (quiet)
        tip << ui::NoSoundWarning::text(input);
    if (level.clipped)
        tip << QStringLiteral("The recording clipped");
    return tip.join(QLatin1Char('\n'));
}

} // namespace quorvel::recorder
