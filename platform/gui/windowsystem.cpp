// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowsystem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace quorvel::platform {

namespace {

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

// Undoes a maximised or full-screen state the compositor imposed, and any other size.
class SizeHolder final : public QObject
{
public:
    SizeHolder(QWidget* window, QSize size)
        : QObject(window)
        , m_window(window)
        , m_size(size)
    {
        setObjectName(QLatin1String(name));
        window->installEventFilter(this);
    }
    static constexpr auto name = "quorvel-size-holder";
    void hold(QSize size)
    {
        m_size = size;
        restore();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched != m_window)
            return false;
        if (event->type() == QEvent::WindowStateChange
            && (m_window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
            // The compositor's size is taken while it stands (anything else breaks the protocol),
            // and the normal state asked for at once; its size comes back with it.
            m_leavingImposedState = true;
            QTimer::singleShot(0, this, [this] {
                if (m_window)
                    m_window->setWindowState(m_window->windowState() & ~(Qt::WindowMaximized | Qt::WindowFullScreen));
            });
        } else if (event->type() == QEvent::Resize && m_window->size() == m_size) {
            m_leavingImposedState = false;
        } else if (event->type() == QEvent::Resize && !m_leavingImposedState) {
            QTimer::singleShot(0, this, &SizeHolder::restore);
        }
        return false;
    }

private:
    void restore()
    {
        if (m_window && !m_leavingImposedState && m_window->size() != m_size)
            m_window->resize(m_size);
    }

    QPointer<QWidget> m_window;
    QSize m_size;
    bool m_leavingImposedState = false;
};

} // namespace

bool windowsCanBePlaced()
{
    return !onWayland();
}

void holdWindowSize(QWidget* window, QSize size)
{
    if (!onWayland()) {
        window->setFixedSize(size);
        return;
    }
    // No maximum size: a maximised configure must be answered with the compositor's size.
    window->setMinimumSize(size);
    window->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (auto* holder = window->findChild<QObject*>(QLatin1String(SizeHolder::name), Qt::FindDirectChildrenOnly))
        static_cast<SizeHolder*>(holder)->hold(size);
    else
        new SizeHolder(window, size);
    window->resize(size);
}

bool startWindowMove(QWidget* window)
{
    QWindow* handle = window->windowHandle();
    return handle && handle->startSystemMove();
}

void showMinimizedWhenMapped(QWidget* window)
{
    if (!onWayland()) {
        window->showMinimized();
        return;
    }
    // Minimised once the compositor has shown it: its first exposure.
    class MinimizeWhenExposed final : public QObject
    {
    public:
        explicit MinimizeWhenExposed(QWidget* form)
            : QObject(form)
            , m_form(form)
        {
        }

    protected:
        bool eventFilter(QObject* watched, QEvent* event) override
        {
            auto* handle = qobject_cast<QWindow*>(watched);
            if (event->type() == QEvent::Expose && handle && handle->isExposed()) {
                QTimer::singleShot(0, m_form, [form = m_form] {
                    if (form)
                        form->setWindowState(form->windowState() | Qt::WindowMinimized);
                });
                handle->removeEventFilter(this);
                deleteLater();
            }
            return false;
        }

    private:
        QPointer<QWidget> m_form;
    };
    window->winId(); // the native window exists, to be watched
    window->windowHandle()->installEventFilter(new MinimizeWhenExposed(window));
    window->show();
}

} // namespace quorvel::platform
