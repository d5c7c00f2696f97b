// SPDX-License-Identifier: GPL-3.0-or-later
#include "lifetime.h"

#include <QTimer>

namespace quorvel::shell {

LoadedWindows& LoadedWindows::instance()
{
    static LoadedWindows windows;
    return windows;
}

void LoadedWindows::loaded(QObject* window)
{
    m_windows.insert(window);
}

void LoadedWindows::unloaded(QObject* window)
{
    if (!m_windows.remove(window) || !m_windows.isEmpty())
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_windows.isEmpty())
            emit lastUnloaded();
    });
}

void LoadedWindows::loadedUntilDestroyed(QObject* window)
{
    loaded(window);
    connect(window, &QObject::destroyed, this, [this](QObject* gone) { unloaded(gone); });
}

} // namespace quorvel::shell
