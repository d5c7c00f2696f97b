// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

#include <memory>

namespace quorvel::platform {

// One icon in the desktop's notification area. It reports the mouse and does nothing else.
class NotifyIcon : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;
    // Whether the desktop has a notification area at all.
    virtual bool isAvailable() const = 0;
    virtual void add(const QIcon& icon) = 0;
    virtual void setIcon(const QIcon& icon) = 0;
    virtual void setTip(const QString& text) = 0;
    virtual void remove() = 0;

signals:
    void leftButtonUp();
    void rightButtonUp(const QPoint& cursor);
};

// Makes the notification icons the tray code uses; tests put a double in its place.
using NotifyIconFactory = std::unique_ptr<NotifyIcon> (*)();
std::unique_ptr<NotifyIcon> createSystemNotifyIcon();

} // namespace quorvel::platform
