// SPDX-License-Identifier: GPL-3.0-or-later
// Recording, playback and saving through the device, fed by the synthetic backend.

#include "audio/syntheticbackend.h"
#include "capturecommands.h"
#include "filesizelimit.h"
#include "mcicall.h"
#include "recordingformat.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <sndfile.h>
#include <sys/stat.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

using Options = platform::SyntheticBackend::Options;

std::shared_ptr<platform::SyntheticBackend> useBackend(Options options)
{
    auto backend = std::make_shared<platform::SyntheticBackend>(options);
    platform::setAudioBackend(backend);
    return backend;
}

// A fresh device holding this many bytes of the synthetic tone, stopped.
bool recorded(std::uint64_t bytes)
{
    useBackend({.captureLimit = bytes});
    mci("open new type waveaudio alias capture");
    mci("record capture");
    const bool done = waitFor([bytes] { return lengthBytes() >= bytes; }, 3000);
    mci("stop capture");
    return done;
}

} // namespace

class TestCaptureDevice : public QObject
{
    Q_OBJECT

    QTemporaryDir m_drive;
    QTemporaryDir m_spool;

    QStringList spoolFiles() const { return QDir(m_spool.filePath(QStringLiteral("quorvel"))).entryList(QDir::Files); }

private slots:
    void initTestCase()
    {
        QVERIFY(m_drive.isValid() && m_spool.isValid());
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive.path()));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_spool.path()));
    }

    void init() { mci("close all"); }
    void cleanup() { mci("close all"); }

    void everyPresetSavesTheFedSamples_data()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < 16; ++i)
            QTest::addRow("%s", recorder::recordingFormats[static_cast<std::size_t>(i)].label.data()) << i;
    }

    // Header fields and every data byte, in each of the sixteen formats.
    void everyPresetSavesTheFedSamples()
    {
        QFETCH(int, index);
        const auto& preset = recorder::recordingFormats[static_cast<std::size_t>(index)];
        // 1.3 s plus a frame: not a whole number of chunks, nor of table periods.
        const auto frames = static_cast<std::uint64_t>(preset.samplesPerSec) * 13 / 10 + 1;
        const std::uint64_t bytes = frames * static_cast<std::uint64_t>(preset.alignment());
        const std::uint64_t pad = bytes & 1; // RIFF chunks have even sizes
        useBackend({.captureLimit = bytes});

        QCOMPARE(mci(std::string(recorder::command::open)).code, 0u);
        QCOMPARE(mci(recorder::setFormatCommand(preset)).code, 0u);
        QCOMPARE(mci(std::string(recorder::command::record)).code, 0u);
        QVERIFY(waitFor([&] { return lengthBytes() >= bytes; }, 10000));
        QCOMPARE(mci(std::string(recorder::command::stop)).code, 0u);
        QCOMPARE(lengthBytes(), bytes);
        QCOMPARE(mci("save capture c:\\preset.wav").code, 0u);

        const QString path = m_drive.filePath(QStringLiteral("preset.wav"));
        const WavFile wav = inspectWav(path);
        QVERIFY(wav.valid);
        QCOMPARE(wav.sndfileFormat & SF_FORMAT_TYPEMASK, SF_FORMAT_WAV);
        QCOMPARE(QFileInfo(path).size(), qint64(44 + bytes + pad));
        const QByteArray& h = wav.header;
        QCOMPARE(h.left(4), QByteArray("RIFF"));
        QCOMPARE(le32(h, 4), std::uint32_t(36 + bytes + pad));
        QCOMPARE(h.mid(8, 8), QByteArray("WAVEfmt "));
        QCOMPARE(le16(h, 20), std::uint16_t(1)); // plain PCM
        QCOMPARE(int(le16(h, 22)), int(preset.channels));
        QCOMPARE(int(le32(h, 24)), preset.samplesPerSec);
        QCOMPARE(int(le32(h, 28)), preset.bytesPerSec());
        QCOMPARE(int(le16(h, 32)), int(preset.alignment()));
        QCOMPARE(int(le16(h, 34)), int(preset.bitsPerSample));
        QCOMPARE(h.mid(36, 4), QByteArray("data"));
        QCOMPARE(le32(h, 40), std::uint32_t(bytes));

        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        file.seek(44);
        const QByteArray data = file.read(static_cast<qint64>(bytes));
        QByteArray expected(static_cast<qsizetype>(bytes), '\0');
        platform::SyntheticBackend::render({static_cast<std::uint32_t>(preset.samplesPerSec),
                                            static_cast<std::uint16_t>(preset.channels),
                                            static_cast<std::uint16_t>(preset.bitsPerSample)},
                                           0, std::as_writable_bytes(std::span(expected.data(), expected.size())));
        QVERIFY(data == expected);
    }

    void lengthGrowsWhileRecording()
    {
        useBackend({.speed = 1.0});
        mci("open new type waveaudio alias capture");
        mci(recorder::setFormatCommand(recorder::recordingFormats[15]));
        QCOMPARE(mci("record capture").code, 0u);
        QVERIFY(waitFor([] { return lengthBytes() > 0; }, 2000));
        const auto first = lengthBytes();
        QThread::msleep(300);
        const auto second = lengthBytes();
        QVERIFY2(second > first, qPrintable(QStringLiteral("%1 then %2").arg(first).arg(second)));
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("recording"));
        mci("set capture time format milliseconds");
        QVERIFY(mciNumber("status capture length") >= 300);
        mci("stop capture");
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
    }

    // Playback runs to its end by itself, a second play starts over, stop ends it.
    // What a level meter reads: the loudest sample in dBFS, a full-scale one marked until the next
    // take, and silence (nothing at all above -60 dBFS) timed.
    void levelFollowsTheSound_data()
    {
        QTest::addColumn<double>("amplitude");
        QTest::addColumn<int>("bits");
        QTest::addColumn<bool>("clipped");
        QTest::newRow("half scale") << 0.5 << 16 << false;
        QTest::newRow("full scale") << 1.0 << 16 << true;
        QTest::newRow("full scale, 8-bit") << 1.0 << 8 << true;
        QTest::newRow("silence") << 0.0 << 16 << false;
        QTest::newRow("silence, 8-bit") << 0.0 << 8 << false;
    }

    void levelFollowsTheSound()
    {
        QFETCH(double, amplitude);
        QFETCH(int, bits);
        QFETCH(bool, clipped);
        useBackend({.speed = 1, .amplitude = amplitude});
        mci("open new type waveaudio alias capture");
        QCOMPARE(mci("set capture bitspersample " + std::to_string(bits)).code, 0u);
        const auto level = [](bool look = true) {
            return platform::recordingLevel("capture", look);
        };
        QCOMPARE(mci("record capture").code, 0u);
        QVERIFY(waitFor([] { return lengthBytes() > 0; }, 3000));
        const platform::SoundLevel heard = level();
        QVERIFY(heard.running);
        QCOMPARE(heard.clipped, clipped);
        if (amplitude > 0) {
            QVERIFY2(std::abs(20 * std::log10(heard.peak / amplitude)) < 0.1, qPrintable(QString::number(heard.peak)));
            QVERIFY2(heard.quietMs < 500, qPrintable(QString::number(heard.quietMs)));
        } else {
            QCOMPARE(heard.peak, 0.0f);
            QVERIFY(waitFor([&] { return level(false).quietMs >= 300; }, 3000));
        }
        mci("stop capture");
        QVERIFY(waitFor([&] { return !level().running; }, 3000));
        QCOMPARE(level().peak, 0.0f); // a meter at rest shows nothing
        QCOMPARE(level().quietMs, 0); // nor does a take that has ended warn
        QCOMPARE(level().clipped, clipped); // until the next take
    }

    void playback()
    {
        const std::uint64_t oneSecond = 8000;
        auto backend = useBackend({.speed = 1.0, .captureLimit = oneSecond});
        mci("open new type waveaudio alias capture");
        mci(recorder::setFormatCommand(recorder::recordingFormats[0]));
        QCOMPARE(mci("play capture from 0").code, 0u); // empty: nothing to play, and no error
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        mci("record capture");
        QVERIFY(waitFor([&] { return lengthBytes() >= oneSecond; }, 3000));
        mci("stop capture");

        QCOMPARE(mci("play capture from 0").code, 0u);
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("playing"));
        QCOMPARE(mci("record capture").code, 302u);
        QThread::msleep(500);
        const auto halfway = mciNumber("status capture position");
        QVERIFY(halfway > 0 && halfway < oneSecond);
        QCOMPARE(mci("play capture from 0").code, 0u);
        QVERIFY(mciNumber("status capture position") < halfway);
        QVERIFY(waitFor([] { return mci("status capture mode").reply == QLatin1String("stopped"); }, 3000));
        QCOMPARE(mciNumber("status capture position"), oneSecond);
        QVERIFY(backend->bytesPlayed() >= oneSecond + halfway);

        QCOMPARE(mci("play capture from 0").code, 0u);
        QCOMPARE(mci("stop capture").code, 0u);
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        QCOMPARE(mci("play capture from 8001").code, 282u);
    }

    void spoolFileLivesWithTheDevice()
    {
        useBackend({.captureLimit = 1000});
        mci("open new type waveaudio alias capture");
        QCOMPARE(spoolFiles(), QStringList()); // nothing recorded, no file
        mci("record capture");
        QCOMPARE(spoolFiles().size(), 1);
        mci("stop capture");
        QCOMPARE(mci("close capture").code, 0u);
        QCOMPARE(spoolFiles(), QStringList());

        mci("open new type waveaudio alias capture");
        mci("record capture");
        mci("open new type waveaudio alias other");
        mci("record other");
        QCOMPARE(spoolFiles().size(), 2);
        QCOMPARE(mci("close all").code, 0u);
        QCOMPARE(spoolFiles(), QStringList());
    }

    // While recording, the spool is a WAV on disk that any reader opens, never behind by more than
    // a few seconds, and nothing of it lies in the temporary folder.
    void spoolIsAValidWavOnDisk()
    {
        QTemporaryDir tmp;
        qputenv("TMPDIR", QFile::encodeName(tmp.path()));
        useBackend({.speed = 1.0});
        mci("open new type waveaudio alias capture");
        mci(recorder::setFormatCommand(recorder::recordingFormats[15]));
        mci("record capture");
        QVERIFY(waitFor([] { return lengthBytes() > 0; }, 3000));
        const std::uint64_t earlier = lengthBytes();
        QThread::msleep(3000);
        QCOMPARE(spoolFiles().size(), 1);
        QCOMPARE(QDir(tmp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
        const WavFile wav = inspectWav(m_spool.filePath(QStringLiteral("quorvel/") + spoolFiles().first()));
        QVERIFY(wav.valid);
        QCOMPARE(wav.samplerate, 44100);
        QVERIFY2(std::uint64_t(wav.frames) * 4 >= earlier, qPrintable(QString::number(wav.frames)));
        mci("close all");
        qunsetenv("TMPDIR");
    }

    // A spool whose program died is recovered into drive C under its start time, with a header that
    // covers all it holds; a locked one (its program still records) and an empty one are not.
    void abandonedSpoolsAreRecovered()
    {
        useBackend({.captureLimit = 44100});
        mci("open new type waveaudio alias capture");
        mci("set capture samplespersec 11025 channels 1 bitspersample 16 alignment 2 bytespersec 22050");
        mci("record capture");
        QVERIFY(waitFor([] { return lengthBytes() >= 44100; }, 3000));
        mci("stop capture");
        QCOMPARE(spoolFiles().size(), 1);
        const QString live = m_spool.filePath(QStringLiteral("quorvel/") + spoolFiles().first());
        // A program that died: the same bytes, 500 more frames after its last header, no lock.
        QFile copy(live);
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QByteArray bytes = copy.readAll();
        bytes += QByteArray(1001, '\x80'); // and half a frame of 16-bit mono that never finished
        const QString dead = m_spool.filePath(QStringLiteral("quorvel/quorvel-spool-20261208-231501-abcdef.wav"));
        QFile out(dead);
        QVERIFY(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        out.close();
        const QString empty = m_spool.filePath(QStringLiteral("quorvel/quorvel-spool-20261208-231502-ghijkl.wav"));
        QVERIFY(QFile::copy(live, empty) && QFile::resize(empty, 4140)); // a header, no audio

        const auto recovered = platform::recoverRecordings(m_drive.path().toStdString()).recovered;
        QCOMPARE(recovered.size(), std::size_t(1));
        QCOMPARE(QString::fromStdString(recovered.front()), QStringLiteral("Recovered 2026-12-08 23.15.01.wav"));
        const WavFile wav = inspectWav(m_drive.filePath(QStringLiteral("Recovered 2026-12-08 23.15.01.wav")));
        QVERIFY(wav.valid);
        QCOMPARE(wav.frames, 22050 + 500);
        QVERIFY(!QFile::exists(dead) && !QFile::exists(empty));
        QVERIFY(QFile::exists(live)); // still locked by this device
        mci("close all");
        QCOMPARE(spoolFiles(), QStringList());
    }

    // The save path is the rest of the line: as many words as it has, as long as the file system
    // allows; a control character in it is refused before any file is touched.
    void savePaths()
    {
        QVERIFY(recorded(1000));
        QStringList words;
        for (int i = 0; i < 40; ++i)
            words << QStringLiteral("w%1").arg(i);
        const QString many = words.join(QLatin1Char(' ')) + QStringLiteral(".wav");
        QCOMPARE(mci("save capture c:\\" + many.toStdString()).code, 0u);
        QCOMPARE(inspectWav(m_drive.filePath(many)).frames, 1000);
        QCOMPARE(mci("save capture c:\\" + std::string(251, 'a') + ".wav").code, 0u);
        QCOMPARE(mci("save capture c:\\" + std::string(300, 'a') + ".wav").code, 286u);

        QFile mine(m_drive.filePath(QStringLiteral("mine.wav")));
        QVERIFY(mine.open(QIODevice::WriteOnly) && mine.write("mine") == 4);
        mine.close();
        for (const std::string& bad :
             {std::string("save capture c:\\mine.wav\0.x", 28), std::string("save capture c:\\mine.wav\t"),
              std::string("save capture c:\\mi\nne.wav")}) {
            QCOMPARE(mci(bad).code, 286u);
            QVERIFY(mine.open(QIODevice::ReadOnly));
            QCOMPARE(mine.readAll(), QByteArray("mine"));
            mine.close();
        }
        QCOMPARE(QDir(m_drive.path()).entryList({QStringLiteral("*quorvel-part*")}, QDir::Files), QStringList());
    }

    // A save that runs out of room leaves nothing behind.
    void saveToAFullDisk()
    {
        QVERIFY(recorded(200000));
        QTemporaryDir full;
        const bool mounted = QProcess::execute(QStringLiteral("mount"),
                                               {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                QStringLiteral("size=64k"), QStringLiteral("tmpfs"), full.path()})
            == 0;
        const QString target = full.filePath(QStringLiteral("take.wav"));
        std::uint32_t code = 0;
        if (mounted) {
            code = mci("save capture " + target.toStdString()).code;
        } else {
            const FileSizeLimit tiny(64 * 1024); // no tmpfs to be had here: the same failure
            code = mci("save capture " + target.toStdString()).code;
        }
        const QStringList left = QDir(full.path()).entryList(QDir::Files);
        if (mounted)
            QProcess::execute(QStringLiteral("umount"), {full.path()});
        QCOMPARE(code, 286u);
        QCOMPARE(left, QStringList());
    }

    void emptyRecordingSavesAnEmptyWav()
    {
        useBackend({});
        mci("open new type waveaudio alias capture");
        QCOMPARE(mci("save capture c:\\empty.wav").code, 0u);
        const WavFile wav = inspectWav(m_drive.filePath(QStringLiteral("empty.wav")));
        QVERIFY(wav.valid);
        QCOMPARE(wav.frames, 0);
        QCOMPARE(wav.samplerate, 11025);
        QCOMPARE(QFileInfo(m_drive.filePath(QStringLiteral("empty.wav"))).size(), 44);
    }

    // A save that cannot be written is an error and costs nothing: the recording saves elsewhere.
    void failedSaveKeepsTheRecording()
    {
        useBackend({.captureLimit = 11025});
        mci("open new type waveaudio alias capture");
        mci("record capture");
        QVERIFY(waitFor([] { return lengthBytes() >= 11025; }, 3000));
        // Saving stops the recording first.
        QDir(m_drive.path()).mkdir(QStringLiteral("locked"));
        QFile::setPermissions(m_drive.filePath(QStringLiteral("locked")),
                              QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const bool rootIgnoresModes = ::geteuid() == 0;
        if (!rootIgnoresModes) {
            QCOMPARE(mci("save capture c:\\locked\\take.wav").code, 286u);
        }
        QCOMPARE(mci("save capture c:\\no such folder\\take.wav").code, 286u);
        QCOMPARE(mci("save capture c:\\locked").code, 286u); // a folder is no file
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        QCOMPARE(QDir(m_drive.path()).entryList({QStringLiteral("*take*"), QStringLiteral("*part*")}, QDir::Files),
                 QStringList());
        QCOMPARE(lengthBytes(), 11025u);
        QCOMPARE(mci("save capture c:\\rescued.wav").code, 0u);
        QCOMPARE(inspectWav(m_drive.filePath(QStringLiteral("rescued.wav"))).frames, 11025);
    }

    void noInputOrOutput()
    {
        useBackend({.inputAvailable = false, .outputAvailable = false});
        mci("open new type waveaudio alias capture");
        QCOMPARE(mci("record capture").code, 328u);
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
        QCOMPARE(mci("set capture channels 2").code, 0u); // still empty, so the format may change

        useBackend({.captureLimit = 100, .outputAvailable = false});
        mci("close all");
        mci("open new type waveaudio alias capture");
        mci("record capture");
        QVERIFY(waitFor([] { return lengthBytes() >= 100; }, 3000));
        mci("stop capture");
        QCOMPARE(mci("play capture from 0").code, 328u);
        QCOMPARE(mci("status capture mode").reply, QStringLiteral("stopped"));
    }

    // Audio recorded into a device appends; the format is fixed once audio exists.
    void formatIsFixedOnceRecorded()
    {
        useBackend({.captureLimit = 500});
        mci("open new type waveaudio alias capture");
        mci("record capture");
        QCOMPARE(mci("set capture samplespersec 8000").code, 302u);
        QCOMPARE(mci("set capture time format bytes").code, 0u);
        QVERIFY(waitFor([] { return lengthBytes() >= 500; }, 3000));
        mci("stop capture");
        QCOMPARE(mci("set capture samplespersec 8000").code, 302u);
        QCOMPARE(mci("status capture samplespersec").reply, QStringLiteral("11025"));
    }
};

QTEST_GUILESS_MAIN(TestCaptureDevice)
#include "tst_capturedevice.moc"
