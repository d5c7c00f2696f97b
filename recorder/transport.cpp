#include "transport.h"

#include "capturecommands.h"
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
    // The clock starts before the device is told anything.
    ui::setText1Tag(c, startStamp(ctx.clock.now()));
    increment(ctx);

    send(ctx.mci, setFormatCommand(format));
    send(ctx.mci, command::record);
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

} // namespace quorvel::recorder
