// SPDX-License-Identifier: GPL-3.0-or-later
#include "filedialogs.h"

#include "helpviewer.h"
#include "specialfolders.h"

#include <QFileDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QShortcut>
#include <QStringList>

namespace quorvel::platform {

QString qtFilter(const QString& classicFilter)
{
    const QStringList parts = classicFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString text = parts.at(i);
        const QString pattern = parts.at(i + 1);
        // Qt takes the patterns from the parentheses; add them where the text has none.
        if (!text.contains(QLatin1Char('(')))
            text += QStringLiteral(" (%1)").arg(pattern);
        else if (!text.contains(pattern))
            text = text.left(text.indexOf(QLatin1Char('('))) + QStringLiteral("(%1)").arg(pattern);
        filters << text;
    }
    return filters.join(QStringLiteral(";;"));
}

namespace {

class SystemFileDialogs final : public FileDialogs
{
public:
    QString openFile(QWidget* owner, const QString& title, const QString& filter, const QString& defaultExtension,
                     const QString& folder) override
    {
        return run(owner, title, filter, defaultExtension, folder, QFileDialog::AcceptOpen);
    }

    QString saveFile(QWidget* owner, const QString& title, const QString& filter, const QString& defaultExtension,
                     const QString& folder) override
    {
        return run(owner, title, filter, defaultExtension, folder, QFileDialog::AcceptSave);
    }

private:
    static QString run(QWidget* owner, const QString& title, const QString& filter, const QString& extension,
                       const QString& folder, QFileDialog::AcceptMode mode)
    {
        QFileDialog dialog(owner, title, folder);
        // Wide enough that the Size, Type and Date columns are read whole, within the screen; the
        // size the user gives one dialog is the next one's.
        static QSize size(840, 520);
        if (const QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen())
            dialog.resize(size.boundedTo(screen->availableGeometry().size()));
        dialog.setAcceptMode(mode);
        dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
        dialog.setNameFilter(qtFilter(filter));
        dialog.setDefaultSuffix(extension);
        // F1 opens the help here too; the dialog holds up only its own window, so the help can be
        // read beside it.
        dialog.setWindowModality(Qt::WindowModal);
        QShortcut help(QKeySequence(Qt::Key_F1), &dialog);
        QObject::connect(&help, &QShortcut::activated, &dialog,
                         [&dialog] { systemHelpViewer().showHelpFile(&dialog, applicationFiles().helpFile); });
        const bool accepted = dialog.exec() == QDialog::Accepted;
        size = dialog.size();
        if (!accepted || dialog.selectedFiles().isEmpty())
            return {};
        return dialog.selectedFiles().constFirst();
    }
};

} // namespace

FileDialogs& systemFileDialogs()
{
    static SystemFileDialogs instance;
    return instance;
}

} // namespace quorvel::platform
