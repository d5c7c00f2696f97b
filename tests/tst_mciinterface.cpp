// SPDX-License-Identifier: GPL-3.0-or-later
// The device's command language: grammar, replies and error numbers.

#include "audio/syntheticbackend.h"
#include "mcicall.h"
#include "paths.h"

#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>

#ifndef Q_OS_WIN
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#endif

using namespace quorvel;
using namespace quorvel::test;

class TestMciInterface : public QObject
{
    Q_OBJECT

    QTemporaryDir m_drive;

private slots:
    void initTestCase()
    {
        QVERIFY(m_drive.isValid());
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive.path()));
        platform::SyntheticBackend::Options options;
        options.captureLimit = 22050 * 2; // one second at the format the examples set
        platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>(options));
    }

    void init() { mci("close all"); }
    void cleanupTestCase() { mci("close all"); }

    // A whole session, command by command, with the device's refusals on the way (a second open
    // of an alias, a format it can't take, a change while recording): each command's code and
    // reply.
    void referenceExamples()
    {
        const struct
        {
            const char* command;
            std::uint32_t code;
            const char* reply;
        } steps[] = {
            {"close all", 0, ""},
            {"status capture mode", 263, ""},
            {"open new type waveaudio alias capture", 0, "1"},
            {"open new type waveaudio alias capture", 289, ""},
            {"open new type waveaudio", 299, ""},
            {"status capture mode", 0, "stopped"},
            {"status capture samplespersec", 0, "11025"},
            {"set capture samplespersec  channels  bitspersample  alignment 0 bytespersec 0", 270, ""},
            {"status capture samplespersec", 0, "11025"},
            {"set capture samplespersec 22050 channels 1 bitspersample 16 alignment 2 bytespersec 44100", 0, ""},
            {"set capture time format bytes", 0, ""},
            {"status capture length", 0, "0"},
            {"status capture bogus", 259, ""},
            {"status capture", 273, ""},
            {"record capture", 0, ""},
            {"status capture mode", 0, "recording"},
            {"set capture channels 2", 302, ""},
            {"stop capture", 0, ""},
            {"save capture c:\\my take.wav", 0, ""},
            {"close capture", 0, ""},
            {"status capture length", 263, ""},
        };
        for (const auto& step : steps) {
            const auto result = mci(step.command);
            QVERIFY2(result.code == step.code,
                     qPrintable(QStringLiteral("%1: got %2").arg(QLatin1String(step.command)).arg(result.code)));
            QCOMPARE(result.reply, QString::fromLatin1(step.reply));
        }
        const QDir drive(m_drive.path());
        QCOMPARE(drive.entryList(QDir::Files), QStringList {QStringLiteral("my take.wav")});
    }

    // A set command of any length: the items are read whole, the last one wins.
    void setTakesAnyNumberOfItems()
    {
        mci("open new type waveaudio alias capture");
        std::string command = "set capture";
        for (int i = 0; i < 40; ++i)
            command += i % 2 ? " channels 1" : " channels 2";
        command += " samplespersec 8000";
        QCOMPARE(mci(command).code, 0u);
        QCOMPARE(mci("status capture channels").reply, QStringLiteral("1"));
        QCOMPARE(mci("status capture samplespersec").reply, QStringLiteral("8000"));
        QCOMPARE(mci(command + " volume").code, 259u);
    }

    void defaultFormatAfterOpen()
    {
        mci("open new type waveaudio alias capture");
        QCOMPARE(mci("status capture samplespersec").reply, QStringLiteral("11025"));
        QCOMPARE(mci("status capture channels").reply, QStringLiteral("1"));
        QCOMPARE(mci("status capture bitspersample").reply, QStringLiteral("8"));
        QCOMPARE(mci("status capture alignment").reply, QStringLiteral("1"));
        QCOMPARE(mci("status capture bytespersec").reply, QStringLiteral("11025"));
        QCOMPARE(mci("status capture time format").reply, QStringLiteral("milliseconds"));
        QCOMPARE(mci("status capture position").reply, QStringLiteral("0"));
    }

    void replyIsCutToTheBuffer()
    {
        char reply[4];
        std::memset(reply, 'x', sizeof reply);
        QCOMPARE(platform::mciSendString("open new type waveaudio alias capture", reply, sizeof reply), 0u);
        QCOMPARE(platform::mciSendString("status capture mode", reply, sizeof reply), 0u);
        QCOMPARE(QByteArray(reply), QByteArray("sto"));
        QCOMPARE(platform::mciSendString("status capture mode", reply, 1), 0u);
        QCOMPARE(reply[0], '\0');
        // No buffer at all is allowed for commands whose reply nobody reads.
        QCOMPARE(platform::mciSendString("status capture mode", nullptr, 0), 0u);
    }

    void replyIsEmptyOnError()
    {
        char reply[255];
        std::strcpy(reply, "stale");
        QCOMPARE(platform::mciSendString("status nothing mode", reply, sizeof reply), 263u);
        QCOMPARE(reply[0], '\0');
    }

    void grammarErrors_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<uint>("code");
        QTest::newRow("empty") << "" << 267u;
        QTest::newRow("only blanks") << "   " << 267u;
        QTest::newRow("unknown verb") << "pause capture" << 261u;
        QTest::newRow("open without device") << "open" << 292u;
        QTest::newRow("status without device") << "status" << 292u;
        QTest::newRow("other type") << "open new type cdaudio alias x" << 306u;
        QTest::newRow("open without type") << "open new alias x" << 306u;
        QTest::newRow("missing quote") << "status \"capture mode" << 294u;
        QTest::newRow("after the quote") << "status \"capture\"x mode" << 305u;
        QTest::newRow("closing unknown alias") << "close other" << 263u;
        QTest::newRow("alias not open") << "record other" << 263u;
        QTest::newRow("unknown set item") << "set capture volume 5" << 259u;
        QTest::newRow("letters for a number") << "set capture samplespersec fast" << 270u;
        QTest::newRow("signed number") << "set capture channels -1" << 270u;
        QTest::newRow("missing number") << "set capture channels" << 270u;
        QTest::newRow("rate too low") << "set capture samplespersec 7999" << 282u;
        QTest::newRow("rate too high") << "set capture samplespersec 48001" << 282u;
        QTest::newRow("three channels") << "set capture channels 3" << 282u;
        QTest::newRow("24 bits") << "set capture bitspersample 24" << 282u;
        QTest::newRow("alignment off") << "set capture channels 2 bitspersample 16 alignment 2" << 282u;
        QTest::newRow("byte rate off") << "set capture samplespersec 8000 bytespersec 8001" << 282u;
        QTest::newRow("huge number") << "set capture samplespersec 99999999999999999999999" << 282u;
        QTest::newRow("other time unit") << "set capture time format frames" << 290u;
        QTest::newRow("set without items") << "set capture" << 273u;
        QTest::newRow("save without path") << "save capture" << 273u;
        QTest::newRow("save to drive d") << "save capture d:\\x.wav" << 286u;
        QTest::newRow("play past the end") << "play capture from 5" << 282u;
        QTest::newRow("record with item") << "record capture insert" << 259u;
    }

    // A refused command leaves the device exactly as it was: format, time format and mode.
    void grammarErrors()
    {
        QFETCH(QString, command);
        QFETCH(uint, code);
        QCOMPARE(mci("open new type waveaudio alias capture").code, 0u);
        QCOMPARE(mci(command.toStdString()).code, code);
        QCOMPARE(mci("status capture samplespersec").reply, QStringLiteral("11025"));
        QCOMPARE(mci("status capture channels").reply, QStringLiteral("1"));
        QCOMPARE(mci("status capture bitspersample").reply, QStringLiteral("8"));
        QCOMPARE(mci("status capture time format").reply, QStringLiteral("milliseconds"));
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        QCOMPARE(QDir(m_drive.path()).entryList(QDir::Files).filter(QStringLiteral("x.wav")), QStringList());
    }

    void keywordsIgnoreCaseAndExtraBlanks()
    {
        QCOMPARE(mci("OPEN New TYPE WaveAudio ALIAS Capture").code, 0u);
        QCOMPARE(mci("  STATUS   capture   MODE  ").reply, QStringLiteral("stopped"));
        QCOMPARE(mci("status \"CAPTURE\" mode").reply, QStringLiteral("stopped"));
        QCOMPARE(mci("Set CAPTURE Time Format Bytes").code, 0u);
        QCOMPARE(mci("status capture time format").reply, QStringLiteral("bytes"));
        QCOMPARE(mci("close CAPTURE").code, 0u);
    }

    void deviceIdsAndCloseAll()
    {
        QCOMPARE(mci("close all").code, 0u); // nothing open: still fine
        QCOMPARE(mci("open new type waveaudio alias a").reply, QStringLiteral("1"));
        QCOMPARE(mci("open new type waveaudio alias b").reply, QStringLiteral("2"));
        QCOMPARE(mci("close all").code, 0u);
        QCOMPARE(mci("status a mode").code, 263u);
        QCOMPARE(mci("status b mode").code, 263u);
        QCOMPARE(mci("open new type waveaudio alias capture").reply, QStringLiteral("1"));
    }

    // The path is everything after the alias, blanks included, in the program's own path form.
    void savePaths()
    {
        mci("open new type waveaudio alias capture");
        QCOMPARE(mci("save capture c:\\two  blanks .wav").code, 0u);
        QCOMPARE(mci("save capture C:\\upper.wav").code, 0u);
        QCOMPARE(mci("save capture \"c:\\quoted name.wav\"").code, 0u);
        QDir(m_drive.path()).mkdir(QStringLiteral("sub"));
        QCOMPARE(mci("save capture c:\\sub\\inner.wav").code, 0u);
        QCOMPARE(mci("save capture c:\\missing\\x.wav").code, 286u);
        QVERIFY(QFile::exists(m_drive.filePath(QStringLiteral("two  blanks .wav"))));
        QVERIFY(QFile::exists(m_drive.filePath(QStringLiteral("upper.wav"))));
        QVERIFY(QFile::exists(m_drive.filePath(QStringLiteral("quoted name.wav"))));
        QVERIFY(QFile::exists(m_drive.filePath(QStringLiteral("sub/inner.wav"))));
    }

    // No sound server, or one that died and left its socket: record fails at once with 328, says
    // which, and the device stays usable.
    void recordWithoutSoundServer_data()
    {
        QTest::addColumn<bool>("died");
        QTest::addColumn<QString>("says");
        QTest::newRow("none") << false << "no sound server is running";
        QTest::newRow("died") << true << "the sound server is not running any more";
    }

    void recordWithoutSoundServer()
    {
#ifdef Q_OS_WIN
        QSKIP("The audio engine of Windows is always there");
#else
        QFETCH(bool, died);
        QFETCH(QString, says);
        QTemporaryDir run;
        const QByteArray socketPath = QFile::encodeName(run.filePath(QStringLiteral("native")));
        if (died) { // a socket bound and closed: its file stays, nobody listens
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un address {};
            address.sun_family = AF_UNIX;
            std::memcpy(address.sun_path, socketPath.constData(), socketPath.size() + 1);
            QCOMPARE(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
            ::close(fd);
        }
        qputenv("PULSE_SERVER", "unix:" + socketPath);
        platform::setAudioBackend(platform::systemAudioBackend());
        mci("open new type waveaudio alias capture");
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(mci("record capture").code, 328u);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        const QString problem = QString::fromStdString(platform::recordingProblem("capture"));
        QVERIFY2(problem.startsWith(says), qPrintable(problem));
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        QCOMPARE(mci("play capture").code, 0u); // nothing recorded: nothing to play
        QCOMPARE(mci("save capture c:\\nothing.wav").code, 0u);
        QCOMPARE(mci("close capture").code, 0u);
        platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>());
#endif
    }

    void pathMapping()
    {
        const auto drive = platform::driveCFolder();
        QCOMPARE(QString::fromStdString(drive.string()), m_drive.path());
        QCOMPARE(*platform::nativePath("c:\\take1.wav"), drive / "take1.wav");
        QCOMPARE(*platform::nativePath("C:\\a\\b.wav"), drive / "a/b.wav");
        QCOMPARE(*platform::nativePath("\\Quorvel.desktop"), drive / "Quorvel.desktop");
        QCOMPARE(*platform::nativePath("Text2"), std::filesystem::path("Text2"));
        QCOMPARE(*platform::nativePath("/tmp/a b.wav"), std::filesystem::path("/tmp/a b.wav"));
        QVERIFY(!platform::nativePath("d:\\take1.wav"));
    }
};

QTEST_GUILESS_MAIN(TestMciInterface)
#include "tst_mciinterface.moc"
