#include "notifyicon.h"

#include <QCursor>
#include <QSystemTrayIcon>

namespace quorvel::platform {

namespace {

class SystemNotifyIcon final : public NotifyIcon
{
public:
    SystemNotifyIcon()
    {
        connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
            if (reason == QSystemTrayIcon::Trigger)
                emit leftButtonUp();
            else if (reason == QSystemTrayIcon::Context)
                emit rightButtonUp(QCursor::pos());
        });
    }

    bool isAvailable() const override { return QSystemTrayIcon::isSystemTrayAvailable(); }

    void add(const QIcon& icon) override
    {
        m_icon.setIcon(icon);
        m_icon.show();
    }
    void setIcon(const QIcon& icon) override { m_icon.setIcon(icon); }
    void setTip(const QString& text) override { m_icon.setToolTip(text); }
    void remove() override { m_icon.hide(); }

private:
    QSystemTrayIcon m_icon;
};

} // namespace

std::unique_ptr<NotifyIcon> createSystemNotifyIcon()
{
    return std::make_unique<SystemNotifyIcon>();
}

} // namespace quorvel::platform
