// SPDX-License-Identifier: GPL-3.0-or-later
#include "help.h"

#include <QShortcut>
#include <QWidget>

namespace quorvel::shell {

void openHelpFile(QWidget* owner, platform::Services& services)
{
    if (services.help)
        services.help->showHelpFile(owner, services.files.helpFile);
}

void catchF1(QWidget* window, platform::Services& services)
{
    auto* f1 = new QShortcut(QKeySequence(Qt::Key_F1), window);
    f1->setContext(Qt::WindowShortcut);
    QObject::connect(f1, &QShortcut::activated, window, [window, &services] { openHelpFile(window, services); });
}

} // namespace quorvel::shell
