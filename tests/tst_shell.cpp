// SPDX-License-Identifier: GPL-3.0-or-later
// Living on the desktop: the tray icon, Toggle and dragging, start with the session, F1 and the
// program's lifetime, with the desktop's services as doubles.

#include "dialogs.h"
#include "doubles.h"
#include "form8.h"
#include "help.h"
#include "lifetime.h"
#include "startwithlogin.h"
#include "trayicon.h"

#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>

using namespace quorvel;
using namespace quorvel::test;

namespace {

QTextBrowser* helpWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("HelpViewer"))
            return qobject_cast<QTextBrowser*>(w);
    }
    return nullptr;
}

// The tray menu's entries as shown: text, "+" enabled or "-" disabled.
QString shownMenu(QMenu* menu)
{
    QStringList entries;
    for (QAction* item : menu->actions()) {
        if (item->isVisible())
            entries << (item->isSeparator() ? QStringLiteral("|") : item->text() + (item->isEnabled() ? u'+' : u'-'));
    }
    return entries.join(QLatin1Char(' '));
}

} // namespace

class TestShell : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app, m_config, m_drive;
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_form;

    ui::Form8Controls& c() { return m_form->controls(); }
    QString autostartFile() const { return m_config.filePath(QStringLiteral("autostart/Quorvel.desktop")); }

    ui::Form8* load(const QByteArray& settings = {})
    {
        QFile::remove(m_app.filePath(QStringLiteral("settings9.txt")));
        if (!settings.isEmpty()) {
            QFile file(m_app.filePath(QStringLiteral("settings9.txt")));
            if (file.open(QIODevice::WriteOnly))
                file.write(settings + "\r\n");
        }
        m_services = std::make_unique<TestServices>(m_app.path());
        m_form = ui::Form8::load(m_services->services);
        connect(m_form, &ui::Form8::reloaded, this, [this](ui::Form8* next) { m_form = next; });
        return m_form;
    }

private slots:
    void initTestCase()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_config.path()));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive.path()));
        // The application folder's starter, as the build makes it.
        QVERIFY(QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/Quorvel.desktop"),
                            m_app.filePath(QStringLiteral("Quorvel.desktop"))));
    }

    void cleanup()
    {
        delete m_form.data();
        FakeNotifyIcon::available = true;
        QFile::remove(m_drive.filePath(QStringLiteral("Project12.lnk")));
        QFile::remove(autostartFile());
    }

    void leftClickShowsTheWindow()
    {
        load();
        c().Command7->click(); // Tray
        QVERIFY(m_form->isHidden());
        emit FakeNotifyIcon::last->leftButtonUp();
        QVERIFY(m_form->isVisible());
        emit FakeNotifyIcon::last->leftButtonUp();
        QVERIFY(m_form->isVisible());
        // Without a notification area, Tray only minimises: the window stays within reach.
        FakeNotifyIcon::available = false;
        c().Command7->click();
        QVERIFY(m_form->isVisible() && m_form->isMinimized());
        // A tray that comes up later brings the minimised window back too.
        emit FakeNotifyIcon::last->leftButtonUp();
        QVERIFY(m_form->isVisible() && !m_form->isMinimized());
    }

    void rightClickPopsUpTheMenu_data()
    {
        QTest::addColumn<QStringList>("buttons");
        QTest::addColumn<QString>("menu");
        QTest::newRow("idle") << QStringList {} << "Exit+ | Save- | Listen- Reset- Record Now+ Stop-";
        QTest::newRow("recording") << QStringList {"Command2"} << "Exit+ | Save- | Listen- Reset- Stop+";
        QTest::newRow("recorded") << QStringList {"Command2", "Command3"} << "Exit+ | Save+ | Listen+ Reset+ Stop-";
        QTest::newRow("listening") << QStringList {"Command2", "Command3", "Command4"}
                                   << "Exit+ | Save- | Listen+ Reset- Stop+";
    }

    void rightClickPopsUpTheMenu()
    {
        QFETCH(QStringList, buttons);
        QFETCH(QString, menu);
        load();
        for (const QString& name : buttons)
            m_form->findChild<QPushButton*>(name)->click();
        emit FakeNotifyIcon::last->rightButtonUp(QPoint(20, 20));
        QTRY_VERIFY(c().mnuTray->isVisible());
        QCOMPARE(shownMenu(c().mnuTray), menu);
        c().mnuTray->hide();
    }

    void nullPictureChangesNothing()
    {
        QWidget form;
        QMenu menu;
        shell::TrayIcon tray(&createFakeNotifyIcon);
        tray.AddTrayIcon(&form, &menu);
        QPixmap picture(16, 16);
        picture.fill(Qt::red);
        tray.SetTrayIcon(QIcon(picture));
        const qint64 shown = FakeNotifyIcon::last->icon.cacheKey();
        tray.SetTrayIcon(QIcon());
        QCOMPARE(FakeNotifyIcon::last->icon.cacheKey(), shown);
    }

    void toggleKeepsAFixedSize()
    {
        load();
        const QSize expanded = m_form->size();
        QVERIFY(!c().Command9->isHidden());
        c().Command9->click();
        QCOMPARE(m_form->height(), 119);
        QVERIFY(c().Command9->isHidden() && !c().Command8->isHidden());
        m_form->resize(600, 300); // nothing else changes the size
        QCOMPARE(m_form->height(), 119);
        c().Command8->click();
        QCOMPARE(m_form->size(), expanded);
        QVERIFY(!c().Command9->isHidden() && c().Command8->isHidden());
        QCOMPARE(m_form->minimumSize(), m_form->maximumSize());
        QVERIFY(!(m_form->windowFlags() & Qt::WindowMaximizeButtonHint));
    }

    void drag_data()
    {
        QTest::addColumn<QString>("over"); // the control pressed, or the window's surface
        QTest::addColumn<int>("buttons"); // 1 left, 2 right, 3 both
        QTest::addColumn<bool>("moves");
        QTest::newRow("surface, left") << "" << 1 << true;
        QTest::newRow("surface, right") << "" << 2 << false;
        QTest::newRow("surface, both") << "" << 3 << false;
        QTest::newRow("frame") << "Frame4" << 1 << false;
        QTest::newRow("label") << "Label10" << 1 << false;
        QTest::newRow("skin label") << "SkinLabel1" << 1 << false;
    }

    void drag()
    {
        QFETCH(QString, over);
        QFETCH(int, buttons);
        QFETCH(bool, moves);
        load();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QWidget* target = over.isEmpty() ? m_form.data() : m_form->findChild<QWidget*>(over);
        // A point of the window's own surface: the gap between the two top panels.
        const QPoint start = over.isEmpty() ? QPoint(188, 60) : target->mapTo(m_form, QPoint(4, target->height() - 3));
        QVERIFY(over.isEmpty() ? m_form->childAt(start) == nullptr : m_form->childAt(start) == target);
        QWidget* receiver = over.isEmpty() ? m_form.data() : target;
        const QPoint local = receiver->mapFrom(m_form, start);
        const QPoint before = m_form->pos();
        if (buttons & 1)
            QTest::mousePress(receiver, Qt::LeftButton, {}, local);
        if (buttons & 2)
            QTest::mousePress(receiver, Qt::RightButton, {}, local);
        // 300 twips right and 150 down.
        QTest::mouseMove(receiver, local + QPoint(20, 10));
        if (buttons & 2)
            QTest::mouseRelease(receiver, Qt::RightButton, {}, local + QPoint(20, 10));
        if (buttons & 1)
            QTest::mouseRelease(receiver, Qt::LeftButton, {}, local + QPoint(20, 10));
        QCOMPARE(m_form->pos() - before, moves ? QPoint(20, 10) : QPoint(0, 0));
    }

    void loadAtWindowsStart()
    {
        load();
        c().Check3->setChecked(true);
        c().Check4->click();
        QVERIFY(c().Check3->isEnabled());
        QVERIFY(QFile::exists(autostartFile()));
        QCOMPARE(QProcess::execute(QStringLiteral("desktop-file-validate"), {autostartFile()}), 0);
        QFile entry(autostartFile());
        QVERIFY(entry.open(QIODevice::ReadOnly));
        // It starts the program that wrote it, this folder's, not the one it was built in.
        const QByteArray text = entry.readAll();
        QVERIFY(text.contains("\nExec=" + QFile::encodeName(m_app.filePath(QStringLiteral("quorvel"))) + '\n'));
        QVERIFY(text.contains("\nIcon=" + QFile::encodeName(m_app.filePath(QStringLiteral("quorvel.png"))) + '\n'));
        c().Check4->click();
        QVERIFY(!QFile::exists(autostartFile()));
        QVERIFY(!c().Check3->isEnabled());
        QVERIFY(c().Check3->isChecked());

        // A folder under the entry's name is left be, and the user who ticked the box is told.
        QVERIFY(QDir().mkpath(autostartFile()));
        c().Check4->click();
        const bool folderKept = QFileInfo(autostartFile()).isDir();
        QDir().rmdir(autostartFile());
        QVERIFY(folderKept);
        QCOMPARE(m_services->boxes.texts(),
                 QStringList(QStringLiteral("Quorvel could not be set to start when you log in: ") + autostartFile()
                             + QStringLiteral(" could not be written (Is a directory: a folder has "
                                              "that name).")));
    }

    // A path as one Exec= argument: quoted where the desktop entry format reserves a character,
    // then escaped as its strings are (so a backslash is four).
    void execArgumentOfAnyPath_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/usr/bin/quorvel"
                               << "/usr/bin/quorvel";
        QTest::newRow("space, quote, dollar") << R"(/home/a b/"$x"/quorvel)"
                                              << R"("/home/a b/\\"\\$x\\"/quorvel")";
        QTest::newRow("backslash, percent") << R"(/opt/a\b/100%/quorvel)"
                                            << R"("/opt/a\\\\b/100%%/quorvel")";
    }

    void execArgumentOfAnyPath()
    {
        QFETCH(QString, program);
        QFETCH(QString, exec);
        QCOMPARE(shell::desktopExecArgument(program), exec);
    }

    void grayedLoadAtWindowsStartRemovesTheStarter()
    {
        QDir().mkpath(m_config.filePath(QStringLiteral("autostart")));
        QVERIFY(QFile::copy(m_app.filePath(QStringLiteral("Quorvel.desktop")), autostartFile()));
        load("0,0,700,70,7,6500,5265,4125,1,2,#FALSE#,#TRUE#");
        QVERIFY(!QFile::exists(autostartFile()));
        QVERIFY(!c().Check3->isEnabled());
    }

    void startsMinimized_data()
    {
        QTest::addColumn<bool>("marker");
        QTest::addColumn<bool>("trayHost");
        QTest::addColumn<QString>("start");
        QTest::newRow("marker and a tray") << true << true << "hidden";
        QTest::newRow("marker, no tray") << true << false << "minimized";
        QTest::newRow("no marker") << false << true << "shown";
    }

    void startsMinimized()
    {
        QFETCH(bool, marker);
        QFETCH(bool, trayHost);
        QFETCH(QString, start);
        if (marker) {
            QFile file(m_drive.filePath(QStringLiteral("Project12.lnk")));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        FakeNotifyIcon::available = trayHost;
        load("0,0,700,70,7,6500,5265,4125,1,1,#FALSE#,#TRUE#");
        const QString seen = m_form->isHidden() ? QStringLiteral("hidden")
            : m_form->isMinimized()             ? QStringLiteral("minimized")
                                                : QStringLiteral("shown");
        QCOMPARE(seen, start);
        QVERIFY(FakeNotifyIcon::last->shown);
    }

    // F1 anywhere opens the one help window at its first topic; without a help file, nothing.
    void f1OpensTheHelp()
    {
        load();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        QTest::keyClick(m_form, Qt::Key_F1);
        QVERIFY(!helpWindow() || !helpWindow()->isVisible());

        QDir(m_app.path()).mkdir(QStringLiteral("HELPFILE"));
        QVERIFY(QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/HELPFILE/HELPFILE.html"),
                            m_app.filePath(QStringLiteral("HELPFILE/HELPFILE.html"))));
        QList<QWidget*> windows
            = {m_form, ui::Form10::showDialog(m_services->services), ui::Form1::showDialog(m_services->services),
               ui::Form2::showDialog(m_services->services)};
        QTextBrowser* first = nullptr;
        for (QWidget* window : windows) {
            window->activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(window));
            QTest::keyClick(window, Qt::Key_F1);
            QTextBrowser* help = helpWindow();
            QVERIFY2(help && help->isVisible(), qPrintable(window->objectName()));
            QCOMPARE(help->source(), QUrl::fromLocalFile(m_app.filePath(QStringLiteral("HELPFILE/HELPFILE.html"))));
            QCOMPARE(help->verticalScrollBar()->value(), 0);
            // Its text fits the window: nothing to scroll sideways.
            QVERIFY(!help->horizontalScrollBar()->isVisible());
            if (first)
                QCOMPARE(help, first);
            first = help;
            help->verticalScrollBar()->setValue(help->verticalScrollBar()->maximum()); // the next F1 starts over
        }
        for (QWidget* dialog : windows.mid(1))
            dialog->close();
        first->close();
    }

    void helpCoversEveryControl()
    {
        QFile file(QStringLiteral(QUORVEL_APP_DIR "/HELPFILE/HELPFILE.html"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        QTextDocument document;
        document.setHtml(QString::fromUtf8(file.readAll()));
        const QString help = document.toPlainText();
        load();
        QStringList missing;
        const auto need = [&](const QString& caption) {
            if (!caption.trimmed().isEmpty() && !help.contains(caption.trimmed()))
                missing << caption;
        };
        for (auto* button : m_form->findChildren<QAbstractButton*>())
            need(button->text());
        for (auto* label : m_form->findChildren<QLabel*>())
            need(label->text());
        for (auto* frame : m_form->findChildren<QGroupBox*>())
            need(frame->title());
        for (auto* item : c().mnuTray->actions())
            need(item->text());
        QCOMPARE(missing, QStringList());
    }

    // The program ends when its last loaded window goes, not when its last visible one closes.
    void lastLoadedWindowEndsTheProgram()
    {
        QSignalSpy ended(&shell::LoadedWindows::instance(), &shell::LoadedWindows::lastUnloaded);
        load();
        c().Command7->click(); // hidden in the tray, still loaded
        ui::Form1* options = ui::Form1::showDialog(m_services->services);
        options->Command4->click(); // "Exit" in Options
        QTest::qWait(0);
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 0);
        m_form->controls().Command1->setEnabled(true);
        m_form->Command1_Click(); // Reset: unloaded and loaded again in one go
        QCoreApplication::processEvents();
        QCOMPARE(ended.count(), 0);
        m_form->exit2_Click(); // Exit from the tray menu, the window hidden
        QTRY_COMPARE(ended.count(), 1);
    }
};

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
