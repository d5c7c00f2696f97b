// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "notifyicon.h"

#include <QObject>
#include <QPointer>

#include <memory>

class QMenu;
class QWidget;

namespace quorvel::shell {

// The main window's icon in the notification area. A left-button release shows the window; a
// right-button release pops the tray menu up at the cursor. Nothing else reaches the window.
class TrayIcon : public QObject
{
    Q_OBJECT

public:
    explicit TrayIcon(platform::NotifyIconFactory factory, QObject* parent = nullptr);
    ~TrayIcon() override;

    // Adds the icon, showing the form's own icon, and starts passing its clicks on.
    void AddTrayIcon(QWidget* form, QMenu* menu);
    // Shows `picture` instead; a null picture (not an icon) changes nothing.
    void SetTrayIcon(const QIcon& picture);
    void SetTrayTip(const QString& text);
    // Removes the icon; the form gets no more clicks from it.
    void RemoveTrayIcon();

    // Whether the desktop can show the icon at all; without it the window must stay in reach.
    bool isAvailable() const;

private:
    platform::NotifyIconFactory m_factory;
    std::unique_ptr<platform::NotifyIcon> m_icon;
    QPointer<QWidget> m_form;
    QPointer<QMenu> m_menu;
};

} // namespace quorvel::shell
