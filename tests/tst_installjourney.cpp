// SPDX-License-Identifier: GPL-3.0-or-later
// Quorvel installed as a user gets it: `cmake --install` into a prefix nobody may write (run as
// the unprivileged user "nobody" when the tests run as root), and a copy of the application
// folder. The options survive Exit and Reset, F1 finds the help, and "Load At Windows Start"
// writes an entry that starts this very program.

#include "desktopdriver.h"
#include "filecontents.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString title = QStringLiteral("^Quorvel$");
// In the main window, as it is drawn.
constexpr QPoint recordButton(232, 40), resetButton(344, 40), toggleButton(232, 96), qualityBox(109, 162),
    loadAtStartBox(246, 152), mp3Option(30, 232);

bool run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedChannels);
    process.start(program, arguments);
    return process.waitForFinished(60000) && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace

class TestInstallJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    bool m_asNobody = ::geteuid() == 0;
    QString path(const QString& name) const { return m_root.filePath(name); }
    QString home() const { return path(QStringLiteral("home")); }

    // A command as the user runs it: as nobody when we are root, in a clean environment.
    QStringList asUser(const QStringList& command) const
    {
        QStringList line;
        if (m_asNobody)
            line << QStringLiteral("runuser") << QStringLiteral("-u") << QStringLiteral("nobody")
                 << QStringLiteral("--");
        line << QStringLiteral("env") << QStringLiteral("-i")
             << QStringLiteral("DISPLAY=") + qEnvironmentVariable("DISPLAY") << QStringLiteral("HOME=") + home()
             << QStringLiteral("PATH=/usr/bin:/bin")
             << QStringLiteral("XDG_RUNTIME_DIR=") + home() + QStringLiteral("/run")
             << QStringLiteral("QUORVEL_DRIVE_C=") + home() << QStringLiteral("QT_QPA_PLATFORM=xcb")
             << QStringLiteral("PULSE_SERVER=unix:/nonexistent");
        return line + command;
    }

    bool chownToUser(const QString& target)
    {
        return !m_asNobody || run(QStringLiteral("chown"), {QStringLiteral("-R"), QStringLiteral("nobody"), target});
    }

    XWindow start(QProcess& quorvel, const QStringList& command)
    {
        const QStringList line = asUser(command);
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(line.first(), line.mid(1));
        const QList<XWindow> main = waitForWindows(title, 1, 15000);
        return main.isEmpty() ? XWindow() : main.first();
    }

    // Exit from the tray menu, and the program gone.
    bool exit() { return exitFromTray() && waitUntilGone(title, 10000); }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test X display");
        QVERIFY(QFile::setPermissions(m_root.path(),
                                      QFile::permissions(m_root.path()) | QFile::ReadOther | QFile::ExeOther
                                          | QFile::ReadGroup | QFile::ExeGroup));
        // The install, then nobody may write it.
        QVERIFY(run(QStringLiteral(QUORVEL_CMAKE),
                    {QStringLiteral("--install"), QStringLiteral(QUORVEL_BUILD_DIR), QStringLiteral("--prefix"),
                     path(QStringLiteral("prefix"))}));
        QVERIFY(run(QStringLiteral("chmod"),
                    {QStringLiteral("-R"), QStringLiteral("a-w,a+rX"), path(QStringLiteral("prefix"))}));
        // The application folder, copied.
        QVERIFY(run(QStringLiteral("cp"),
                    {QStringLiteral("-a"), QStringLiteral(QUORVEL_APP_DIR), path(QStringLiteral("copy"))}));
        QFile::remove(path(QStringLiteral("copy/settings9.txt")));
        QVERIFY(chownToUser(path(QStringLiteral("copy"))));
    }

    void init()
    {
        QDir(home()).removeRecursively();
        QVERIFY(QDir().mkpath(home() + QStringLiteral("/run")));
        QVERIFY(QFile::setPermissions(home() + QStringLiteral("/run"),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QVERIFY(chownToUser(home()));
        QFile::remove(path(QStringLiteral("copy/settings9.txt")));
    }

    void optionsSurviveExitAndReset_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("settings");
        QTest::newRow("installed, read-only") << "prefix/bin/quorvel"
                                              << "home/.config/quorvel/settings9.txt";
        QTest::newRow("copied application folder") << "copy/quorvel"
                                                   << "copy/settings9.txt";
    }

    void optionsSurviveExitAndReset()
    {
        QFETCH(QString, program);
        QFETCH(QString, settings);
        const QString quorvel = path(program);
        const QString autostart = home() + QStringLiteral("/.config/autostart/Quorvel.desktop");

        QProcess first;
        XWindow main = start(first, {quorvel});
        QVERIFY(!main.id.isEmpty());
        const QPoint at = main.geometry.topLeft();
        // The next quality, MP3 output, start with the session, then the compact window.
        QVERIFY(clickAt(at + qualityBox));
        QTest::qWait(300); // the list drops down
        QVERIFY(xdotool({QStringLiteral("key"), QStringLiteral("Down"), QStringLiteral("Return")}));
        QVERIFY(clickAt(at + mp3Option));
        QVERIFY(clickAt(at + loadAtStartBox));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(autostart), 5000);
        QVERIFY(clickAt(at + toggleButton));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title).value(0).geometry.height() < main.geometry.height(), 5000);

        // F1 finds the help, wherever it was installed; it is moved off the tray to get at Exit.
        QVERIFY(pressKeys(main, QStringLiteral("F1")));
        const QList<XWindow> help = waitForWindows(QStringLiteral("^Quorvel Help$"), 1, 10000);
        QCOMPARE(help.size(), 1);
        QVERIFY(xdotool({QStringLiteral("windowmove"), help.first().id, QStringLiteral("400"), QStringLiteral("0")}));
        QVERIFY(exit());
        QVERIFY(first.waitForFinished(10000));

        const QByteArray line = contents(path(settings));
        QVERIFY2(line.startsWith("0,0,700,70,8,") && line.endsWith(",0,1,#TRUE#,#FALSE#\r\n"), line.constData());
        QVERIFY2(!line.contains(",6500,"), line.constData()); // compact

        // The entry for the session starts this program, and it comes back as it was left.
        const QByteArray entry = contents(autostart);
        QVERIFY2(entry.contains("\nExec=" + QFile::encodeName(quorvel) + '\n'), entry.constData());
        QProcess launcher;
        main = start(launcher, {QStringLiteral("gio"), QStringLiteral("launch"), autostart});
        QVERIFY(!main.id.isEmpty());
        QVERIFY(main.geometry.height() < 300);

        // Reset round-trips the options through the settings file. (No sound server: the take
        // ends at once with a message, and Reset is there.)
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        const QString message = takeMessage(title, main, 10000);
        QVERIFY2(message.contains(QLatin1String("could not be made")), qPrintable(message));
        QVERIFY(clickAt(main.geometry.topLeft() + resetButton));
        main = waitForWindows(title, 1, 10000).value(0);
        QVERIFY(!main.id.isEmpty());
        QVERIFY(exit());
        QCOMPARE(contents(path(settings)), line);

        QVERIFY(!QFile::exists(path(QStringLiteral("prefix/bin/settings9.txt"))));
    }
};

QTEST_MAIN(TestInstallJourney)
#include "tst_installjourney.moc"
