// SPDX-License-Identifier: GPL-3.0-or-later
#include "helpviewer.h"

#include <QFileInfo>
#include <QKeySequence>
#include <QPointer>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>

namespace quorvel::platform {

namespace {

class SystemHelpViewer final : public HelpViewer
{
public:
    bool showHelpFile(QWidget*, const QString& path) override
    {
        if (!QFileInfo(path).isFile())
            return false;
        // A window of its own, owned by none of the program's windows: it stays while they come
        // and go, and goes with the program.
        if (!m_window) {
            m_window = new QTextBrowser;
            m_window->setObjectName(QStringLiteral("HelpViewer"));
            m_window->setAttribute(Qt::WA_DeleteOnClose);
            m_window->setWindowTitle(QStringLiteral("Quorvel Help"));
            m_window->setOpenExternalLinks(true);
            m_window->resize(640, 560);
            // A reading window: Escape puts it away, as it does a dialog.
            auto* close = new QShortcut(QKeySequence(Qt::Key_Escape), m_window);
            QObject::connect(close, &QShortcut::activated, m_window, &QWidget::close);
        }
        m_window->setSource(QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()));
        m_window->home();
        m_window->show();
        m_window->raise();
        m_window->activateWindow();
        return true;
    }

private:
    QPointer<QTextBrowser> m_window;
};

} // namespace

HelpViewer& systemHelpViewer()
{
    static SystemHelpViewer instance;
    return instance;
}

} // namespace quorvel::platform
