// SPDX-License-Identifier: GPL-3.0-or-later
#include "notifyicon.h"

#include <QCursor>
#include <QSystemTrayIcon>

#include <memory>

namespace quorvel::platform {

namespace {

class SystemNotifyIcon final : public NotifyIcon
{
public:
    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void add(const QIcon& icon) override
    {
        // Made only where there is a notification area: without one, Qt's icon would only look for
        // one (and warn about it on Wayland).
        if (!m_icon && !isAvailable())
            return;
        if (!m_icon) {
            m_icon = std::make_unique<QSystemTrayIcon>();
            connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
                if (reason == QSystemTrayIcon::Trigger)
                    emit leftButtonUp();
                else if (reason == QSystemTrayIcon::Context)
                    emit rightButtonUp(QCursor::pos());
            });
            m_icon->setToolTip(m_tip);
        }
        m_icon->setIcon(icon);
        m_icon->show();
    }
    void setIcon(const QIcon& icon) override
    {
        if (m_icon)
            m_icon->setIcon(icon);
    }
    void setTip(const QString& text) override
    {
        m_tip = text;
        if (m_icon)
            m_icon->setToolTip(text);
    }
    void remove() override
    {
        if (m_icon)
            m_icon->hide();
    }

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
    QString m_tip;
};

} // namespace

std::unique_ptr<NotifyIcon> createSystemNotifyIcon()
{
    return std::make_unique<SystemNotifyIcon>();
}

} // namespace quorvel::platform
