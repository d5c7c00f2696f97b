// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quorvel::platform {

// Open and save dialogs. The filter comes in the classic form, pairs of text and pattern
// separated by bars ("Wav Files (*.wav)|*.wav|All (*.*)|*.*"); the default extension is added to
// a typed name without one. The dialog opens in `folder`. A cancelled dialog gives an empty name.
class FileDialogs
{
public:
    virtual ~FileDialogs() = default;
    virtual QString openFile(QWidget* owner, const QString& title, const QString& filter,
                             const QString& defaultExtension, const QString& folder)
        = 0;
    virtual QString saveFile(QWidget* owner, const QString& title, const QString& filter,
                             const QString& defaultExtension, const QString& folder)
        = 0;
};

FileDialogs& systemFileDialogs();

// "A (*.a)|*.a|B|*.*" as Qt writes it: "A (*.a);;B (*.*)".
QString qtFilter(const QString& classicFilter);

} // namespace quorvel::platform
