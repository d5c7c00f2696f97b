// SPDX-License-Identifier: GPL-3.0-or-later
#include "startup.h"

#include "capturecommands.h"
#include "paths.h"
#include "recordercontext.h"
#include "recordingformat.h"
#include "settingsfile.h"
#include "skin.h"
#include "specialfolders.h"
#include "startwithlogin.h"

#include <QFileInfo>
#include <QTimer>
#include <QWidget>

namespace quorvel::shell {

namespace {

bool markerFileExists()
{
    const auto path = platform::nativePath(markerFile);
    return path && QFileInfo(platform::pathText(*path)).isFile();
}

// A recording whose program died is never lost: it is moved into drive C, and the user is told
// once the window is up.
void offerRecoveredRecordings(ShellContext& ctx)
{
    const platform::Recovery recovery = platform::recoverRecordings(platform::driveCFolder());
    if (recovery.recovered.empty() && recovery.waiting.empty())
        return;
    QString text;
    if (!recovery.recovered.empty()) {
        text = QLatin1String(recoveredText) + QStringLiteral("\n\n");
        for (const std::string& name : recovery.recovered)
            text += QStringLiteral("c:\\") + QString::fromStdString(name) + QLatin1Char('\n');
        text += QLatin1Char('\n') + QLatin1String(recoveredWhere);
    }
    for (const std::string& waiting : recovery.waiting)
        text += (text.isEmpty() ? QString() : QStringLiteral("\n\n")) + QString::fromStdString(waiting);
    platform::MessageBoxes* boxes = ctx.services.messageBoxes;
    QWidget* form = &ctx.form;
    QTimer::singleShot(0, form, [boxes, form, text] {
        boxes->show(form, text, platform::box::okInformation, QLatin1String(ui::applicationTitle));
    });
}

} // namespace

StartVisibility formLoad(ShellContext& ctx)
{
    auto& c = ctx.c;
    platform::applySkin(&ctx.form);
    ctx.form.setWindowTitle(QLatin1String(ui::applicationTitle));

    ctx.tray.AddTrayIcon(&ctx.form, c.mnuTray);
    const QPixmap picture = c.Picture2->pixmap();
    ctx.tray.SetTrayIcon(picture.isNull() ? QIcon() : QIcon(picture));
    ctx.tray.SetTrayTip(QLatin1String(trayTip));

    c.startupFolder = GetSpecialFolderPath(platform::startupFolderId);

    for (std::size_t i = 0; i < recorder::recordingFormats.size(); ++i) {
        const auto label = recorder::recordingFormats[i].label;
        c.cbxformat->addItem(QString::fromLatin1(label.data(), static_cast<qsizetype>(label.size())));
        if (static_cast<int>(i) == recorder::defaultFormatIndex)
            c.cbxformat->setCurrentIndex(recorder::defaultFormatIndex);
    }

    if (settingsFileExists(ctx.services.files))
        readSettings(c, ctx.form, ctx.services.files);

    c.Command1->setEnabled(false);
    c.Command5->setEnabled(false);
    c.Timer3->stop();

    c.Text5->setText(QString::number(c.HScroll1->value()));
    c.Text6->setText(QString::number(c.HScroll2->value()));

    recorder::send(*ctx.services.mci, recorder::command::closeAll);
    recorder::send(*ctx.services.mci, recorder::command::open);
    offerRecoveredRecordings(ctx);

    if (!markerFileExists())
        return StartVisibility::Shown;
    if (ui::checkValue(c.Check4) == 1) {
        c.Check3->setEnabled(true);
        if (ui::checkValue(c.Check3) == 1) {
            // Without a notification area a hidden window could never come back.
            return ctx.tray.isAvailable() ? StartVisibility::Hidden : StartVisibility::Minimized;
        }
        return StartVisibility::Shown;
    }
    ui::setCheckValue(c.Check4, 0);
    return StartVisibility::Shown;
}

void formUnload(ShellContext& ctx)
{
    recorder::send(*ctx.services.mci, recorder::command::close);
    ctx.services.keepAwake->hold(&ctx.c, false);
    writeSettings(ctx.c, ctx.form, ctx.services.files);
    ctx.tray.RemoveTrayIcon();
}

} // namespace quorvel::shell
