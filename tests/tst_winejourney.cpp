// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows build under Wine, clicked from outside as a user would on the test display with its
// tray and the private sound server: Record, Stop, Save as WAV and as MP3 (the shipped lame.exe),
// the tray icon and its menu, F1, Toggle, Exit; the options survive a restart; a killed program's
// take comes back at the next start. tools/windows/test.sh runs it with QUORVEL_WINDOWS_APP (the
// Windows application folder) and WINEPREFIX (a booted Wine prefix) set; skipped without them.

#include "desktopdriver.h"
#include "filecontents.h"
#include "wavfile.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

#include <pwd.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString title = QStringLiteral("^Quorvel$");
// In the main window, as it is drawn.
constexpr QPoint recordButton(232, 40), saveButton(288, 64), toggleButton(232, 96), mp3Option(31, 232);
constexpr QPoint nameBox(140, 100);

} // namespace

class TestWineJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QString m_app;
    QString m_spools;
    QString path(const QString& name) const { return m_home.filePath(name); }
    QStringList spools() const { return QDir(m_spools).entryList({QStringLiteral("quorvel-spool-*")}, QDir::Files); }
    // The audio bytes the spool holds (behind its header).
    qint64 spoolAudio() const
    {
        const QStringList files = spools();
        return files.isEmpty() ? 0 : QFileInfo(m_spools + QLatin1Char('/') + files.first()).size() - 4140;
    }
    QStringList recovered() const
    {
        return QDir(path(QStringLiteral("drive"))).entryList({QStringLiteral("Recovered *.wav")}, QDir::Files);
    }

    XWindow start(QProcess& quorvel)
    {
        quorvel.setProcessChannelMode(QProcess::ForwardedChannels);
        quorvel.start(QStringLiteral("wine"), {m_app + QStringLiteral("/quorvel.exe")});
        const QList<XWindow> main = waitForWindows(title, 1, 30000);
        return main.isEmpty() ? XWindow() : main.first();
    }

    // The program has ended: the `wine` that started it (which may have handed it to Wine's
    // session and ended already) and every process running our quorvel.exe.
    bool ended(QProcess& quorvel)
    {
        if (quorvel.state() != QProcess::NotRunning && !quorvel.waitForFinished(15000))
            return false;
        const auto running = [this] {
            QProcess pgrep;
            pgrep.setStandardOutputFile(QProcess::nullDevice());
            pgrep.start(QStringLiteral("pgrep"), {QStringLiteral("-f"), m_app + QStringLiteral("/quorvel.exe")});
            return pgrep.waitForFinished() && pgrep.exitCode() == 0;
        };
        QElapsedTimer waited;
        waited.start();
        while (running()) {
            if (waited.elapsed() > 15000) {
                // What is left, for whoever reads the failure.
                QProcess::execute(QStringLiteral("sh"),
                                  {QStringLiteral("-c"), QStringLiteral("ps -eo pid,stat,args | grep -i '[.]exe'")});
                return false;
            }
            QTest::qWait(100);
        }
        return true;
    }

    // Exit from the tray menu, and the program gone. Wine's tray takes a click only with a
    // moment between the press and the release.
    void exit(QProcess& quorvel)
    {
        QVERIFY(xdotool({QStringLiteral("mousemove"), QString::number(trayIcon.x()), QString::number(trayIcon.y()),
                         QStringLiteral("mousedown"), QStringLiteral("3"), QStringLiteral("sleep"),
                         QStringLiteral("0.2"), QStringLiteral("mouseup"), QStringLiteral("3")}));
        QTRY_VERIFY_WITH_TIMEOUT(trayMenuShown(), 10000);
        QVERIFY(clickAt(trayExitItem));
        QVERIFY(waitUntilGone(title, 15000));
        QVERIFY(ended(quorvel));
    }

    // Records until the spool holds `seconds` of 11.025 kHz 16-bit stereo, then stops.
    void recordFor(const XWindow& main, double seconds)
    {
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QTRY_VERIFY_WITH_TIMEOUT(spoolAudio() >= seconds * 44100, 30000);
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton)); // Stop
    }

    // Wine takes a key, like a click on its tray, only with a moment between press and release.
    static bool press(const XWindow& window, const QString& keys)
    {
        return xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window.id})
            && xdotool({QStringLiteral("keydown"), QStringLiteral("--clearmodifiers"), keys, QStringLiteral("sleep"),
                        QStringLiteral("0.1"), QStringLiteral("keyup"), keys});
    }

    // The message shown beside the main window, as a Windows user copies it (Ctrl+C copies a
    // whole message box there), then answered with Escape: OK, or No to a question.
    QString message(const XWindow& main, int timeoutMs)
    {
        const QList<XWindow> both = waitForWindows(title, 2, timeoutMs);
        if (both.isEmpty())
            return {};
        const XWindow box = both.last().id == main.id ? both.first() : both.last();
        QClipboard* clipboard = QGuiApplication::clipboard();
        clipboard->clear();
        press(box, QStringLiteral("ctrl+c"));
        QElapsedTimer waited;
        waited.start();
        while (clipboard->text().isEmpty() && waited.elapsed() < 5000)
            QTest::qWait(50);
        const QString text = clipboard->text();
        press(box, QStringLiteral("Escape"));
        const auto shown = [&box] {
            const QList<XWindow> windows = visibleWindows(title);
            return std::any_of(windows.begin(), windows.end(), [&box](const XWindow& w) { return w.id == box.id; });
        };
        QElapsedTimer closing;
        closing.start();
        while (shown() && closing.elapsed() < 10000)
            QTest::qWait(50);
        return text;
    }

    // Save, a name typed into the dialog, Return.
    void saveAs(const XWindow& main, const QString& name)
    {
        QVERIFY(waitUntilGone(QStringLiteral("^Save$"), 10000)); // the last save's dialog
        QVERIFY(clickAt(main.geometry.topLeft() + saveButton));
        const QList<XWindow> dialog = waitForWindows(QStringLiteral("^Save$"), 1, 10000);
        QVERIFY(!dialog.isEmpty());
        QVERIFY(clickAt(dialog.first().geometry.topLeft() + nameBox));
        QVERIFY(typeText(name));
        QVERIFY(press(dialog.first(), QStringLiteral("Return")));
    }

private slots:
    void initTestCase()
    {
        const QString app = qEnvironmentVariable("QUORVEL_WINDOWS_APP");
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test sound server and X display");
        // A copy of the application folder, which keeps its settings beside the program.
        m_app = path(QStringLiteral("app"));
        QCOMPARE(QProcess::execute(QStringLiteral("cp"), {QStringLiteral("-a"), app, m_app}), 0);
        QFile::remove(m_app + QStringLiteral("/settings9.txt"));
        QVERIFY(QDir().mkpath(path(QStringLiteral("drive"))));
        // Drive C in this test's folder, as the Windows program sees it: through Wine's drive Z.
        qputenv("QUORVEL_DRIVE_C", "Z:" + QFile::encodeName(path(QStringLiteral("drive"))));
        qputenv("WINEDEBUG", "-all");
        // The spools in %LOCALAPPDATA%\Quorvel, under the Windows user Wine names after this one.
        const passwd* user = ::getpwuid(::getuid());
        QVERIFY(user);
        m_spools = qEnvironmentVariable("WINEPREFIX") + QStringLiteral("/drive_c/users/")
            + QString::fromLocal8Bit(user->pw_name) + QStringLiteral("/AppData/Local/Quorvel");
        for (const QString& stale : spools())
            QFile::remove(m_spools + QLatin1Char('/') + stale);
    }

    // Whatever a failed step left running goes before the next.
    void cleanup()
    {
        QProcess::execute(QStringLiteral("wineserver"), {QStringLiteral("-k")});
        for (const QString& name : recovered())
            QFile::remove(path(QStringLiteral("drive/")) + name);
    }

    void takeSavedAsWavAndMp3()
    {
        QProcess quorvel;
        const XWindow main = start(quorvel);
        QVERIFY(!main.id.isEmpty());
        recordFor(main, 2.0);
        saveAs(main, QStringLiteral("wine take"));
        QString text = message(main, 10000);
        QVERIFY2(text.contains(QLatin1String("File Saved: c:\\wine take.wav")), qPrintable(text));
        const WavFile wav = inspectWav(path(QStringLiteral("drive/wine take.wav")));
        QVERIFY2(wav.valid && wav.seconds() >= 2.0, qPrintable(QString::number(wav.seconds())));

        // The same take again as MP3, through the lame.exe beside the program; the WAV on its
        // way goes.
        QVERIFY(clickAt(main.geometry.topLeft() + mp3Option));
        saveAs(main, QStringLiteral("wine take 2"));
        const QString mp3 = path(QStringLiteral("drive/wine take 2.mp3"));
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(mp3).size() > 0, 30000);
        text = message(main, 10000);
        QVERIFY2(text.contains(QLatin1String("wine take 2.mp3")), qPrintable(text));
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(path(QStringLiteral("drive/wine take 2.wav"))), 10000);

        // F1 opens the help; Toggle makes the window compact; the tray's menu is there.
        QVERIFY(press(main, QStringLiteral("F1")));
        QVERIFY(!waitForWindows(QStringLiteral("^Quorvel Help$"), 1, 10000).isEmpty());
        QVERIFY(press(visibleWindows(QStringLiteral("^Quorvel Help$")).first(), QStringLiteral("Escape")));
        QVERIFY(waitUntilGone(QStringLiteral("^Quorvel Help$"), 10000));
        const int tall = main.geometry.height();
        QVERIFY(clickAt(main.geometry.topLeft() + toggleButton));
        QTRY_VERIFY_WITH_TIMEOUT(visibleWindows(title).value(0).geometry.height() < tall, 10000);
        exit(quorvel);
        // The options were written on the way out: MP3 output and the compact window.
        const QByteArray settings = contents(m_app + QStringLiteral("/settings9.txt"));
        QVERIFY2(!settings.isEmpty(), "no settings9.txt beside the program");

        // ... and are read at the next start: the window comes back compact.
        QProcess again;
        const XWindow second = start(again);
        QVERIFY(!second.id.isEmpty());
        QVERIFY2(second.geometry.height() < tall, qPrintable(QString::number(second.geometry.height())));
        exit(again);
        QCOMPARE(contents(m_app + QStringLiteral("/settings9.txt")), settings);
    }

    void endedTakeComesBack_data()
    {
        QTest::addColumn<QStringList>("ending");
        QTest::addColumn<bool>("orderly");
        // Killed as Task Manager kills: nothing of the program runs after.
        QTest::newRow("killed") << QStringList {QStringLiteral("wineserver"), QStringLiteral("-k")} << false;
        // The end of the session (log-off, shutdown): WM_QUERYENDSESSION, WM_ENDSESSION. The
        // windows close in order and write the settings.
        QTest::newRow("session ended") << QStringList {QStringLiteral("wineboot"), QStringLiteral("--end-session")}
                                       << true;
    }

    void endedTakeComesBack()
    {
        QFETCH(QStringList, ending);
        QFETCH(bool, orderly);
        QFile::remove(m_app + QStringLiteral("/settings9.txt"));
        QProcess first;
        const XWindow main = start(first);
        QVERIFY(!main.id.isEmpty());
        QVERIFY(clickAt(main.geometry.topLeft() + recordButton));
        QTRY_VERIFY_WITH_TIMEOUT(spoolAudio() >= 3 * 44100, 30000);
        QCOMPARE(QProcess::execute(ending.first(), ending.mid(1)), 0);
        QVERIFY(ended(first));
        QVERIFY(waitUntilGone(title, 10000));
        QCOMPARE(recovered(), QStringList());
        QCOMPARE(QFile::exists(m_app + QStringLiteral("/settings9.txt")), orderly);

        QProcess second;
        const XWindow next = start(second);
        const QString text = message(next, 15000);
        QVERIFY2(text.contains(QLatin1String("not closed properly")), qPrintable(text));
        QCOMPARE(recovered().size(), 1);
        QCOMPARE(spools(), QStringList());
        const WavFile wav = inspectWav(path(QStringLiteral("drive/")) + recovered().first());
        QVERIFY2(wav.valid && wav.seconds() >= 2.5, qPrintable(QString::number(wav.seconds())));
        exit(second);
    }
};

int main(int argc, char** argv)
{
    // Without the Windows build the journey has nothing to walk: ctest reports it skipped (77),
    // not passed.
    if (qEnvironmentVariableIsEmpty("QUORVEL_WINDOWS_APP") || qEnvironmentVariableIsEmpty("WINEPREFIX")) {
        std::puts("SKIP: tools/windows/test.sh runs this with the Windows build and a Wine prefix");
        return 77;
    }
    QApplication app(argc, argv);
    TestWineJourney journey;
    return QTest::qExec(&journey, argc, argv);
}

#include "tst_winejourney.moc"
