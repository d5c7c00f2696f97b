// SPDX-License-Identifier: GPL-3.0-or-later
#include "transport.h"

#include "applicationtitle.h"
#include "capturecommands.h"
#include "messageboxes.h"
#include "recordingformat.h"
#include "statusmonitor.h"

#include <QTimer>

namespace quorvel::recorder {

void record(RecorderContext& ctx)
{
    auto& c = ctx.c;
    ui::setItemEnabled(c.reset, false);
    c.rec->setVisible(false);
    c.stop2->setVisible(true);
    ui::setItemEnabled(c.stop2, true);
    c.Command2->setVisible(false);
    c.Command3->setVisible(true);

    const int index = c.cbxformat->currentIndex();
    const QString label = index >= 0 ? c.cbxformat->itemText(index) : QString();
    const auto format = formatForLabel(label.toStdString());

    c.Timer4->start();
    c.Timer3->start(1000);
    c.Timer2->start();
    // The clock starts before the device is told anything.
    ui::setText1Tag(c, startStamp(ctx.clock.now()));
    increment(ctx);

    send(ctx.mci, setFormatCommand(format));
    send(ctx.mci, command::record);
    ctx.awake.hold(&c, true);
    c.Command3->setVisible(true);
    c.Command3->setEnabled(true);
}

void stop(RecorderContext& ctx)
{
    auto& c = ctx.c;
    ui::setItemEnabled(c.testplay, true);
    ui::setItemEnabled(c.save, true);
    ui::setItemEnabled(c.reset, true);
    ui::setItemEnabled(c.stop2, false);
    ui::setItemEnabled(c.rec, false);
    c.Command2->setEnabled(false);
    c.Command5->setEnabled(true);
    c.Command1->setEnabled(true);
    c.Command2->setVisible(true);
    c.autoStopSeconds = 0;
    c.Timer4->stop();
    c.Text4->setText(QStringLiteral("0"));
    send(ctx.mci, command::stop);
    ctx.awake.hold(&c, false);
    c.Timer2->start(); // until the last audio is in
    c.Command4->setEnabled(true);
    c.Timer3->stop();
}

void listen(RecorderContext& ctx)
{
    auto& c = ctx.c;
    ui::setItemEnabled(c.rec, false);
    ui::setItemEnabled(c.stop2, true);
    ui::setItemEnabled(c.reset, false);
    ui::setItemEnabled(c.save, false);
    c.Command3->setEnabled(true);
    c.Command2->setVisible(false);
    send(ctx.mci, command::play);
}

QString recordingEndedText(const QString& why, bool keptAudio)
{
    if (!keptAudio)
        return QStringLiteral("The recording could not be made: ") + why
            + QStringLiteral(".\n\nNothing was recorded. Press Reset to try again.");
    return QStringLiteral("The recording stopped by itself: ") + why
        + QStringLiteral(".\n\nWhat was recorded until then is kept: you can listen to it and save it.");
}

void followDevice(RecorderContext& ctx, const QString& modeReply, platform::MessageBoxes& boxes, QWidget* owner)
{
    // The clock runs only while the window shows a recording.
    if (!ctx.c.Timer3->isActive())
        return;
    if (const std::string notice = ctx.mci.notice("capture"); !notice.empty())
        boxes.show(owner, QStringLiteral("While recording: ") + QString::fromStdString(notice) + QLatin1Char('.'),
                   platform::box::okExclamation, QLatin1String(ui::applicationTitle));
    if (modeReply != QLatin1String("stopped"))
        return;
    stop(ctx);
    std::string why = ctx.mci.problem("capture");
    if (why.empty())
        why = "the sound device stopped recording";
    send(ctx.mci, command::timeFormatBytes);
    const bool keptAudio = queryNumber(ctx.mci, command::statusLength) > 0;
    boxes.show(owner, recordingEndedText(QString::fromStdString(why), keptAudio), platform::box::okCritical,
               QLatin1String(ui::applicationTitle));
}

} // namespace quorvel::recorder
