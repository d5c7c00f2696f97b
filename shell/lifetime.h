// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QSet>

namespace quorvel::shell {

// The program's windows that are loaded: a main window hidden in the tray is loaded, a dialog
// that was closed is not. When the last one is unloaded the program is to end, never before,
// whatever is visible.
class LoadedWindows : public QObject
{
    Q_OBJECT

public:
    static LoadedWindows& instance();

    void loaded(QObject* window);
    void unloaded(QObject* window);
    // A dialog counts from now until it is destroyed.
    void loadedUntilDestroyed(QObject* window);
    qsizetype count() const { return m_windows.size(); }

signals:
    // Sent once control is back in the event loop, so a window unloaded and loaded again in one
    // handler (Reset) does not end the program.
    void lastUnloaded();

private:
    QSet<QObject*> m_windows;
};

} // namespace quorvel::shell
