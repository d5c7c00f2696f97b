// SPDX-License-Identifier: GPL-3.0-or-later
// The program on a Wayland desktop: weston on the test display (its X11 backend, driven with
// xdotool from outside), the built program on Qt's wayland plugin, the private sound server. The
// window is found on screen by its skin's colour: a Wayland client's windows are invisible to X.

#include "desktopdriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>

#include <optional>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QColor skin(0x80, 0x80, 0xff); // the main window's own surface
// Weston's output fills the top left of the test display; outside it, the pointer is X's alone.
const QSize westonOutput(1000, 740);
const QPoint outsideWeston(1015, 760);

QImage screen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The main window's client area: the bounding box of its skin's colour.
std::optional<QRect> mainWindow(const QImage& image)
{
    int left = image.width(), top = image.height(), right = -1, bottom = -1;
    for (int y = 0; y < std::min(image.height(), westonOutput.height()); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        for (int x = 0; x < std::min(image.width(), westonOutput.width()); ++x) {
            if (QColor(line[x]) == skin) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
        }
    }
    if (right < 0 || right - left < 300)
        return std::nullopt;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

std::optional<QRect> waitForMainWindow(const std::function<bool(const QRect&)>& until, int timeoutMs = 10000)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < timeoutMs) {
        if (const auto found = mainWindow(screen()); found && until(*found))
            return found;
        QTest::qWait(100);
    }
    return std::nullopt;
}

// The main window once it is drawn whole: the same rectangle on two screens in a row.
std::optional<QRect> waitForSettledMainWindow()
{
    std::optional<QRect> last;
    return waitForMainWindow([&last](const QRect& now) {
        const bool settled = last == now;
        last = now;
        return settled;
    });
}

// Weston takes the pointer's place from where it enters its window, and moves it from there.
bool pointTo(QPoint at)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(outsideWeston.x()), QString::number(outsideWeston.y()),
                    QStringLiteral("sleep"), QStringLiteral("0.2"), QStringLiteral("mousemove"),
                    QString::number(at.x()), QString::number(at.y()), QStringLiteral("sleep"), QStringLiteral("0.3")});
}

bool clickAtInWeston(QPoint at)
{
    return pointTo(at) && xdotool({QStringLiteral("click"), QStringLiteral("1")});
}

// A drag with the left button, in ten steps.
bool dragInWeston(QPoint from, QPoint by)
{
    if (!pointTo(from) || !xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}))
        return false;
    for (int i = 0; i < 10; ++i) {
        if (!xdotool({QStringLiteral("mousemove_relative"), QStringLiteral("--"), QString::number(by.x() / 10),
                      QString::number(by.y() / 10), QStringLiteral("sleep"), QStringLiteral("0.05")}))
            return false;
    }
    return xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

// The main window's client area, whole.
const QSize mainWindowSize(393, 409);

} // namespace

class TestWaylandJourney : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QProcess m_weston;
    QString m_socket;
    QByteArray m_errors;

    QString path(const QString& name) const { return m_home.filePath(name); }
    qint64 spoolSize() const
    {
        const QDir spools(path(QStringLiteral("state/quorvel")));
        const QStringList files = spools.entryList(QDir::Files);
        return files.isEmpty() ? -1 : QFileInfo(spools.filePath(files.first())).size();
    }

    void start(QProcess& quorvel)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        env.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
        quorvel.setProcessEnvironment(env);
        quorvel.start(path(QStringLiteral("app/quorvel")), {});
        QVERIFY(quorvel.waitForStarted());
    }

    void collectErrors(QProcess& quorvel) { m_errors += quorvel.readAllStandardError(); }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("PULSE_SERVER") || qEnvironmentVariableIsEmpty("DISPLAY"))
            QFAIL("run through ctest, which starts the test sound server and X display");
        QVERIFY(prepareProgramHome(m_home.path()));
        QVERIFY(QDir().mkpath(path(QStringLiteral("app/HELPFILE"))));
        QVERIFY(QFile::copy(QStringLiteral(QUORVEL_APP_DIR "/HELPFILE/HELPFILE.html"),
                            path(QStringLiteral("app/HELPFILE/HELPFILE.html"))));
        const QString runtime = path(QStringLiteral("wayland"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        m_weston.setProcessEnvironment(env);
        m_weston.setProcessChannelMode(QProcess::MergedChannels);
        m_weston.setStandardOutputFile(path(QStringLiteral("weston.log")));
        m_weston.start(QStringLiteral("weston"),
                       {QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--use-pixman"),
                        QStringLiteral("--width=%1").arg(westonOutput.width()),
                        QStringLiteral("--height=%1").arg(westonOutput.height()), QStringLiteral("--socket=wayland-q"),
                        QStringLiteral("--idle-time=0")});
        QVERIFY(m_weston.waitForStarted());
        m_socket = runtime
            + QStringLiteral("/wayland-q"); // an absolute path: the client's runtime folder is the sound server's
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_socket), 10000);
    }

    void cleanupTestCase()
    {
        m_weston.terminate();
        m_weston.waitForFinished(5000);
        QVERIFY2(m_errors.isEmpty(), m_errors.constData());
    }

    // Record, then a click on the maximise box: the program goes on recording, its window as it
    // was. A drag over the window's own surface moves it; Toggle changes its height; the window's
    // close box ends the program.
    void theWindowOnWayland()
    {
        // A position from another desktop: the compositor places the window, the position stays.
        QFile settings(path(QStringLiteral("app/settings9.txt")));
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("0,0,700,70,7,6500,1234,2345,0,0,#FALSE#,#TRUE#\r\n");
        settings.close();
        QProcess quorvel;
        start(quorvel);
        auto shown = waitForSettledMainWindow();
        QVERIFY(shown);
        // Weston places a window at random, and may leave its foot below the output's edge: it is
        // dragged up (by its surface between the frames) to be seen whole, with room for more.
        if (shown->size() != mainWindowSize) {
            const QPoint up(shown->width() < mainWindowSize.width() ? -200 : 0,
                            shown->height() < mainWindowSize.height() ? -200 : 0);
            QVERIFY(dragInWeston(shown->topLeft() + QPoint(4, 120), up));
            shown = waitForMainWindow([](const QRect& now) { return now.size() == mainWindowSize; });
            QVERIFY(shown);
            shown = waitForSettledMainWindow();
            QVERIFY(shown);
        }
        const QRect window = *shown;

        QVERIFY(clickAtInWeston(window.topLeft() + QPoint(232, 40))); // Record
        QTRY_VERIFY_WITH_TIMEOUT(spoolSize() > 4140 + 44100, 5000);
        QVERIFY(clickAtInWeston(QPoint(window.right() - 38, window.top() - 16))); // maximise
        const qint64 before = spoolSize();
        QTRY_VERIFY_WITH_TIMEOUT(spoolSize() > before + 44100, 5000); // still recording
        QCOMPARE(quorvel.state(), QProcess::Running);
        QVERIFY(waitForMainWindow([&](const QRect& now) { return now == window; }));

        // A drag of 100,50 from the surface between the frames, towards the side with room: a
        // window pushed past the output's edge is seen cut.
        const QPoint by(window.right() + 100 < westonOutput.width() ? 100 : -100,
                        window.bottom() + 50 < westonOutput.height() ? 50 : -50);
        QVERIFY(dragInWeston(window.topLeft() + QPoint(4, 250), by));
        // Waits for the window where the drag should leave it: a screen caught mid-move shows it
        // half drawn.
        const QRect expected = window.translated(by);
        const auto moved = waitForMainWindow([&](const QRect& now) { return now == expected; });
        if (!moved)
            QCOMPARE(mainWindow(screen()).value_or(QRect()), expected);

        QVERIFY(clickAtInWeston(moved->topLeft() + QPoint(232, 96))); // Toggle
        QVERIFY(waitForMainWindow([&](const QRect& now) { return now.height() != moved->height(); }));

        QVERIFY(clickAtInWeston(QPoint(moved->right() - 15, moved->top() - 16))); // close
        QVERIFY(quorvel.waitForFinished(10000));
        QCOMPARE(quorvel.exitCode(), 0);
        collectErrors(quorvel);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        const QList<QByteArray> fields = settings.readAll().trimmed().split(',');
        QCOMPARE(fields.size(), 12);
        QCOMPARE(fields[6] + ',' + fields[7], QByteArray("1234,2345"));
    }

    // F1 opens the help beside the window.
    void helpOnWayland()
    {
        QProcess quorvel;
        start(quorvel);
        const auto shown = waitForSettledMainWindow();
        QVERIFY(shown);
        QVERIFY(clickAtInWeston(shown->topLeft() + QPoint(20, 36))); // the keyboard to the window: a label
        const QImage before = screen();
        // A moment between the click and the key, as a hand takes: weston gives the keyboard to the
        // window once the click is through.
        QVERIFY(xdotool({QStringLiteral("sleep"), QStringLiteral("0.5"), QStringLiteral("key"), QStringLiteral("F1")}));
        const auto changedOutside = [&] {
            const QImage now = screen();
            int changed = 0;
            for (int y = 0; y < westonOutput.height(); y += 4) {
                for (int x = 0; x < westonOutput.width(); x += 4) {
                    if (!shown->adjusted(-10, -40, 10, 10).contains(x, y) && now.pixel(x, y) != before.pixel(x, y))
                        ++changed;
                }
            }
            return changed;
        };
        QTRY_VERIFY_WITH_TIMEOUT(changedOutside() > 2000, 10000);
        quorvel.terminate();
        QVERIFY(quorvel.waitForFinished(10000));
        QCOMPARE(quorvel.exitCode(), 0);
        collectErrors(quorvel);
    }
};

QTEST_MAIN(TestWaylandJourney)
#include "tst_waylandjourney.moc"
