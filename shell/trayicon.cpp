// SPDX-License-Identifier: GPL-3.0-or-later
#include "trayicon.h"

#include <QMenu>
#include <QWidget>

namespace quorvel::shell {

TrayIcon::TrayIcon(platform::NotifyIconFactory factory, QObject* parent)
    : QObject(parent)
    , m_factory(factory)
{
}

TrayIcon::~TrayIcon()
{
    RemoveTrayIcon();
}

void TrayIcon::AddTrayIcon(QWidget* form, QMenu* menu)
{
    m_form = form;
    m_menu = menu;
    if (!m_factory)
        return;
    m_icon = m_factory();
    connect(m_icon.get(), &platform::NotifyIcon::leftButtonUp, this, [this] {
        if (!m_form)
            return;
        // Hidden by Tray, or minimised (by the window manager, or by Tray while no tray was there).
        if (m_form->isMinimized())
            m_form->setWindowState(m_form->windowState() & ~Qt::WindowMinimized);
        m_form->show();
    });
    connect(m_icon.get(), &platform::NotifyIcon::rightButtonUp, this, [this](const QPoint& cursor) {
        if (m_menu)
            m_menu->popup(cursor); // not exec(): no nested event loop under the icon's own handler
    });
    m_icon->add(form ? form->windowIcon() : QIcon());
}

void TrayIcon::SetTrayIcon(const QIcon& picture)
{
    if (m_icon && !picture.isNull())
        m_icon->setIcon(picture);
}

void TrayIcon::SetTrayTip(const QString& text)
{
    if (m_icon)
        m_icon->setTip(text.left(63));
}

void TrayIcon::RemoveTrayIcon()
{
    if (m_icon) {
        m_icon->remove();
        m_icon->disconnect(this);
        // The icon may be in the middle of reporting the click that led here (Exit or Reset from
        // its menu): let it return before it goes.
        m_icon.release()->deleteLater();
    }
    m_form = nullptr;
    m_menu = nullptr;
}

bool TrayIcon::isAvailable() const
{
    return m_icon && m_icon->isAvailable();
}

} // namespace quorvel::shell
