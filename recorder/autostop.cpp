// SPDX-License-Identifier: GPL-3.0-or-later
#include "autostop.h"

#include "capturecommands.h"
#include "messageboxes.h"

#include <QLocale>
#include <QPointer>
#include <QTimer>

#include <limits>

namespace quorvel::recorder {

void Check1_Click(ui::Form8Controls& c)
{
    const int value = ui::checkValue(c.Check1);
    if (value == 2)
        return;
    const bool on = value == 1;
    c.Text5->setEnabled(on);
    c.Label8->setEnabled(on);
    c.HScroll1->setEnabled(on);
}

void Check2_Click(ui::Form8Controls& c)
{
    const int value = ui::checkValue(c.Check2);
    if (value == 2)
        return;
    const bool on = value == 1;
    c.Label10->setEnabled(on);
    c.Text6->setEnabled(on);
    c.HScroll2->setEnabled(on);
}

void HScroll1_Change(ui::Form8Controls& c)
{
    c.Text5->setText(QString::number(c.HScroll1->value()));
}

void HScroll2_Change(ui::Form8Controls& c)
{
    c.Text6->setText(QString::number(c.HScroll2->value()));
}

double typedNumber(QStringView text, QStringView decimalPoint)
{
    // Digits are gathered as text and converted once, so "0.1" reads as 0.1, not as a sum.
    QString digits;
    bool seenDigit = false, seenPoint = false;
    qsizetype i = 0;
    const auto isBlank = [](QChar ch) {
        return ch == u' ' || ch == u'\t' || ch == u'\n' || ch == u'\r';
    };
    while (i < text.size() && isBlank(text[i]))
        ++i;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+')) {
        if (text[i] == u'-')
            digits += u'-';
        ++i;
    }
    while (i < text.size()) {
        const QChar ch = text[i];
        if (isBlank(ch)) {
            ++i;
        } else if (ch.isDigit()) {
            // The locale may write its own digits (Arabic, Persian, Bengali...).
            digits += QChar(static_cast<char16_t>(u'0' + ch.digitValue()));
            seenDigit = true;
            ++i;
        } else if (!seenPoint && !decimalPoint.isEmpty() && text.sliced(i).startsWith(decimalPoint)) {
            digits += u'.';
            seenPoint = true;
            i += decimalPoint.size();
        } else {
            break;
        }
    }
    if (!seenDigit)
        return 0;
    bool ok = false;
    const double value = digits.toDouble(&ok);
    return ok ? value : 0;
}

namespace {

// The same for both rules: the recording is stopped and kept, and the transport is left in its
// recorded state. Visibility, the size display and the Listen item stay as they are.
void stopAction(RecorderContext& ctx, platform::MessageBoxes& boxes, QWidget* owner, const char* message)
{
    auto& c = ctx.c;
    c.Timer3->stop();
    send(ctx.mci, command::stop);
    c.Timer4->stop();
    c.Command1->setEnabled(true);
    c.Command3->setEnabled(false);
    c.Command2->setEnabled(false);
    c.Command4->setEnabled(true);
    c.Command5->setEnabled(true);
    c.autoStopSeconds = 0;
    ui::setItemEnabled(c.save, true);
    ui::setItemEnabled(c.reset, true);
    ui::setItemEnabled(c.stop2, false);
    ui::setItemEnabled(c.rec, false);
    boxes.show(owner, QLatin1String(message), platform::box::okInformation, QLatin1String(ui::applicationTitle));
}

} // namespace

void Timer4_Timer(RecorderContext& ctx, platform::MessageBoxes& boxes, QWidget* owner)
{
    auto& c = ctx.c;
    // The count is wide enough for any recording; it stops at its top rather than wrap.
    if (c.autoStopSeconds < std::numeric_limits<decltype(c.autoStopSeconds)>::max())
        ++c.autoStopSeconds;

    // The size display is written in the user's locale, so it is read back in it; targets are
    // typed with ".".
    const double targetSize = typedNumber(c.Text5->text());
    const double size = typedNumber(c.Text4->text(), QLocale().decimalPoint());
    if (ui::checkValue(c.Check1) == 1 && targetSize <= size) {
        // The message box runs the event loop: a Reset or Exit meanwhile can take the window away.
        const QPointer<QTimer> windowStillThere(c.Timer4);
        stopAction(ctx, boxes, owner, sizeReachedMessage);
        if (!windowStillThere)
            return;
    }

    const double targetLength = typedNumber(c.Text6->text());
    const double minutes = static_cast<double>(c.autoStopSeconds) / 60.0;
    if (ui::checkValue(c.Check2) == 1 && targetLength <= minutes)
        stopAction(ctx, boxes, owner, lengthReachedMessage);
}

} // namespace quorvel::recorder
