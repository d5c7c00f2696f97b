// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quorvel::platform {

// The help viewer: one window of the program that shows an HTML help file.
class HelpViewer
{
public:
    virtual ~HelpViewer() = default;
    // Opens the file at its first topic in the help window, bringing the window forward; false,
    // and nothing shown, when the file is not there.
    virtual bool showHelpFile(QWidget* owner, const QString& path) = 0;
};

HelpViewer& systemHelpViewer();

} // namespace quorvel::platform
