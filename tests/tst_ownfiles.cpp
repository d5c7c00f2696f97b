// SPDX-License-Identifier: GPL-3.0-or-later
// The files the device writes: a take is never lost to an ending nobody chose, a full or
// read-only disk, a damaged spool or a racing start-up, and nothing is written through a link or
// into a file the program does not own. Fed by the synthetic backend.

#include "audio/syntheticbackend.h"
#include "filecontents.h"
#include "mcicall.h"
#include "ownfiles.h"
#include "wavfile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <atomic>
#include <thread>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

using namespace quorvel;
using namespace quorvel::test;

namespace {

// A device recording the synthetic tone, 11025 Hz 16-bit mono, until it holds `bytes`.
bool recording(std::uint64_t bytes, double speed = 0)
{
    platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>(
        platform::SyntheticBackend::Options {.speed = speed, .captureLimit = bytes}));
    mci("open new type waveaudio alias capture");
    mci("set capture samplespersec 11025 channels 1 bitspersample 16 alignment 2 bytespersec 22050");
    return mci("record capture").code == 0 && waitFor([bytes] { return lengthBytes() >= bytes; }, 5000);
}

int modeOf(const QString& path)
{
    struct stat info
    {
    };
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

bool mountTmpfs(const QString& at, const QString& options)
{
    return QProcess::execute(QStringLiteral("mount"),
                             {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"), options,
                              QStringLiteral("tmpfs"), at})
        == 0;
}

void unmount(const QString& at)
{
    QProcess::execute(QStringLiteral("umount"), {at});
}

} // namespace

class TestOwnFiles : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_drive, m_state, m_outside;

    QString spoolFolder() const { return m_state + QStringLiteral("/quorvel"); }
    QStringList spools() const { return QDir(spoolFolder()).entryList(QDir::Files | QDir::System); }
    QStringList driveFiles() const
    {
        return QDir(m_drive).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }
    platform::Recovery recover() const { return platform::recoverRecordings(QFile::encodeName(m_drive).toStdString()); }
    // A spool as a program that died leaves it: no lock, `audio` bytes behind the header.
    QString deadSpool(const QString& name, const QByteArray& header, int audio)
    {
        QDir().mkpath(spoolFolder());
        QFile::setPermissions(spoolFolder(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        const QString path = spoolFolder() + QLatin1Char('/') + name;
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            return {};
        QByteArray bytes = header.leftJustified(4140, '\0', true);
        for (int i = 0; i < audio; ++i)
            bytes += char(i * 7);
        file.write(bytes);
        return path;
    }

private slots:
    void initTestCase()
    {
        ::umask(022);
        m_drive = m_root.filePath(QStringLiteral("drive"));
        m_state = m_root.filePath(QStringLiteral("state"));
        m_outside = m_root.filePath(QStringLiteral("outside"));
        QVERIFY(QDir().mkpath(m_drive) && QDir().mkpath(m_outside));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive));
        qputenv("XDG_STATE_HOME", QFile::encodeName(m_state));
    }

    void cleanup()
    {
        platform::keepRecordingsOnClose(false);
        mci("close all");
        QDir(m_drive).removeRecursively();
        QDir(m_state).removeRecursively();
        QDir(m_outside).removeRecursively();
        QDir().mkpath(m_drive);
        QDir().mkpath(m_outside);
    }

    // Private while it is made, the user's usual mode once saved or recovered.
    void modes()
    {
        QVERIFY(QDir().mkpath(spoolFolder()));
        QFile::setPermissions(spoolFolder(),
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner
                                  | QFileDevice::ReadOther | QFileDevice::ExeOther);
        QVERIFY(recording(22050));
        QCOMPARE(modeOf(spoolFolder()), 0700);
        QCOMPARE(spools().size(), 1);
        QCOMPARE(modeOf(spoolFolder() + QLatin1Char('/') + spools().first()), 0600);
        QCOMPARE(mci("save capture c:\\take.wav").code, 0u);
        QCOMPARE(modeOf(m_drive + QStringLiteral("/take.wav")), 0644);
        mci("stop capture");
        // The save marked the take as saved; recorded on, it is a take to keep again.
        platform::keepRecordingsOnClose();
        mci("close all");
        QCOMPARE(spools(), QStringList());
        QVERIFY(recording(22050));
        mci("close all");
        QCOMPARE(spools().size(), 1);
        const auto recovery = recover();
        QCOMPARE(recovery.recovered.size(), std::size_t(1));
        QCOMPARE(modeOf(m_drive + QLatin1Char('/') + QString::fromStdString(recovery.recovered.front())), 0644);
    }

    void endingsTheUserDidNotChooseKeepTheTake_data()
    {
        QTest::addColumn<bool>("stopped");
        QTest::addColumn<bool>("saved");
        QTest::newRow("while recording") << false << false;
        QTest::newRow("stopped, not saved") << true << false;
        QTest::newRow("saved") << true << true;
    }

    void endingsTheUserDidNotChooseKeepTheTake()
    {
        QFETCH(bool, stopped);
        QFETCH(bool, saved);
        QVERIFY(recording(44100));
        if (stopped)
            mci("stop capture");
        if (saved)
            QCOMPARE(mci("save capture c:\\take.wav").code, 0u);
        const std::uint64_t bytes = lengthBytes();
        platform::keepRecordingsOnClose();
        mci("close capture");
        const auto recovery = recover();
        QCOMPARE(spools(), QStringList());
        if (saved) {
            QCOMPARE(recovery.recovered.size(), std::size_t(0)); // once is enough
            return;
        }
        QCOMPARE(recovery.recovered.size(), std::size_t(1));
        const WavFile wav = inspectWav(m_drive + QLatin1Char('/') + QString::fromStdString(recovery.recovered.front()));
        QVERIFY(wav.valid);
        QCOMPARE(std::uint64_t(wav.frames) * 2, bytes);
    }

    // A kill after a save leaves the spool with its mark: nothing comes back. The chosen close
    // discards as before.
    void savedThenKilledIsNotRecovered()
    {
        QVERIFY(recording(22050));
        mci("stop capture");
        QCOMPARE(mci("save capture c:\\take.wav").code, 0u);
        QVERIFY(QFile::copy(spoolFolder() + QLatin1Char('/') + spools().first(),
                            spoolFolder() + QStringLiteral("/quorvel-spool-20261208-231501-11025-1-16-dead01.wav")));
        mci("close all");
        QCOMPARE(spools().size(), 1);
        QCOMPARE(recover().recovered.size(), std::size_t(0));
        QCOMPARE(spools(), QStringList());
        QCOMPARE(driveFiles(), QStringList({QStringLiteral("take.wav")}));
    }

    void damagedHeaderKeepsEveryByte_data()
    {
        QTest::addColumn<QByteArray>("header");
        QTest::newRow("zeroed") << QByteArray();
        QTest::newRow("garbage") << QByteArray(4140, '\xA5');
    }

    void damagedHeaderKeepsEveryByte()
    {
        QFETCH(QByteArray, header);
        const QString spool
            = deadSpool(QStringLiteral("quorvel-spool-20261208-231501-22050-1-16-abcdef.wav"), header, 60000 - 4140);
        const QByteArray audio = contents(spool).mid(4140);
        const auto recovery = recover();
        QCOMPARE(recovery.recovered.size(), std::size_t(1));
        const QString file = m_drive + QLatin1Char('/') + QString::fromStdString(recovery.recovered.front());
        const WavFile wav = inspectWav(file);
        QVERIFY(wav.valid);
        QCOMPARE(wav.samplerate, 22050);
        QCOMPARE(wav.channels, 1);
        QCOMPARE(wav.frames, (60000 - 4140) / 2);
        QCOMPARE(contents(file).right(audio.size()), audio);
    }

    // A link planted under a spool's name or at a save's target: the file it points to is
    // untouched, and nothing reaches drive C through it.
    void linksAreNeverFollowed()
    {
        const QString victim = m_outside + QStringLiteral("/victim.wav");
        QByteArray mine(10000, 'v');
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(mine) == mine.size());
        file.close();
        QVERIFY(QDir().mkpath(spoolFolder()));
        QVERIFY(QFile::link(victim,
                            spoolFolder() + QStringLiteral("/quorvel-spool-20261208-231501-11025-1-16-lnk001.wav")));
        QCOMPARE(recover().recovered.size(), std::size_t(0));
        QCOMPARE(contents(victim), mine);
        QCOMPARE(driveFiles(), QStringList());

        QVERIFY(recording(22050));
        mci("stop capture");
        QVERIFY(QFile::link(victim, m_drive + QStringLiteral("/lnk.wav")));
        QVERIFY(QFile::link(m_outside + QStringLiteral("/new.wav"), m_drive + QStringLiteral("/dangling.wav")));
        QCOMPARE(mci("save capture c:\\lnk.wav").code, 0u);
        QCOMPARE(mci("save capture c:\\dangling.wav").code, 0u);
        QCOMPARE(contents(victim), mine);
        QVERIFY(!QFile::exists(m_outside + QStringLiteral("/new.wav")));
        for (const char* name : {"/lnk.wav", "/dangling.wav"}) {
            QVERIFY(!QFileInfo(m_drive + QLatin1String(name)).isSymLink());
            QCOMPARE(inspectWav(m_drive + QLatin1String(name)).frames, 11025);
        }
    }

    // Another user who can write into drive C swaps the save's part file for a link while it is
    // written: the save says so (the take stays to be saved again), nothing outside drive C
    // changes, and a save said done is the take, whole.
    void swappedPartIsNeverASave()
    {
        QVERIFY(recording(400000));
        mci("stop capture");
        const QString victim = m_outside + QStringLiteral("/victim.wav");
        QFile file(victim);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
        file.close();
        std::atomic<bool> done {false};
        std::atomic<int> swaps {0};
        std::thread poller([&] {
            while (!done.load()) {
                for (const QString& name : QDir(m_drive).entryList({QStringLiteral("quorvel-part-*")}, QDir::Files)) {
                    const QString part = m_drive + QLatin1Char('/') + name;
                    if (QFile::rename(part, part + QStringLiteral(".moved")) && QFile::link(victim, part))
                        ++swaps;
                }
            }
        });
        int refused = 0;
        QString fault;
        for (int i = 0; i < 40 && fault.isEmpty(); ++i) {
            const auto code = mci("save capture c:\\take.wav").code;
            const QString take = m_drive + QStringLiteral("/take.wav");
            if (code != 0 && platform::lastSaveError("capture") != platform::nameSwapped)
                fault = QStringLiteral("refused for another reason: %1").arg(platform::lastSaveError("capture"));
            else if (code != 0)
                ++refused;
            else if (QFileInfo(take).isSymLink() || inspectWav(take).frames != 200000)
                fault = QStringLiteral("a swapped file was reported saved");
        }
        done = true;
        poller.join();
        QVERIFY2(fault.isEmpty(), qPrintable(fault));
        qInfo("%d swaps, %d saves refused", swaps.load(), refused);
        QCOMPARE(contents(victim), QByteArray("mine"));
        QVERIFY(swaps.load() > 0);
    }

    // A save over a folder, a pipe or a device node leaves it as it was, and says why.
    void onlyPlainFilesAreReplaced()
    {
        QVERIFY(recording(22050));
        mci("stop capture");
        const QByteArray pipe = QFile::encodeName(m_drive + QStringLiteral("/pipe.wav"));
        const QByteArray node = QFile::encodeName(m_drive + QStringLiteral("/node.wav"));
        QCOMPARE(::mkfifo(pipe.constData(), 0600), 0);
        QVERIFY(QDir().mkpath(m_drive + QStringLiteral("/folder.wav")));
        const bool root = ::geteuid() == 0; // a character device like /dev/null, made here
        QVERIFY(!root || ::mknod(node.constData(), S_IFCHR | 0600, makedev(1, 3)) == 0);
        for (const char* name : {"pipe", "folder", "node"}) {
            if (!root && std::string_view(name) == "node")
                continue;
            QCOMPARE(mci(std::string("save capture c:\\") + name + ".wav").code, 286u);
            QCOMPARE(platform::lastSaveError("capture"),
                     std::string_view(name) == "folder" ? EISDIR : platform::notPlainFile);
        }
        struct stat info
        {
        };
        QVERIFY(::lstat(pipe.constData(), &info) == 0 && S_ISFIFO(info.st_mode));
        QVERIFY(!root || (::lstat(node.constData(), &info) == 0 && S_ISCHR(info.st_mode)));
        QVERIFY(QFileInfo(m_drive + QStringLiteral("/folder.wav")).isDir());
        QCOMPARE(driveFiles().size(), root ? 2 : 1); // nothing beside them
    }

    // The spool's folder removed from outside mid-take: the take goes on in a new spool there,
    // whole from its start, and the user hears of it once. Where none can be made, the take ends
    // as on a full disk, and what it holds can still be saved.
    void spoolThatLosesItsName_data()
    {
        QTest::addColumn<bool>("blocked");
        QTest::newRow("made again") << false;
        QTest::newRow("a file in the folder's place") << true;
    }

    void spoolThatLosesItsName()
    {
        QFETCH(bool, blocked);
        platform::setAudioBackend(
            std::make_shared<platform::SyntheticBackend>(platform::SyntheticBackend::Options {.speed = 4}));
        mci("open new type waveaudio alias capture");
        mci("set capture samplespersec 11025 channels 1 bitspersample 16 alignment 2 bytespersec 22050");
        QCOMPARE(mci("record capture").code, 0u);
        QVERIFY(waitFor([] { return lengthBytes() >= 22050; }, 5000));
        QVERIFY(QDir(spoolFolder()).removeRecursively());
        const std::uint64_t removedAt = lengthBytes();
        if (blocked) {
            QFile file(spoolFolder());
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(waitFor([] { return mci("status capture mode").reply == QLatin1String("stopped"); }, 5000));
            const std::string problem = platform::recordingProblem("capture");
            QVERIFY2(QString::fromStdString(problem).contains(spoolFolder()), problem.c_str());
            const std::uint64_t bytes = lengthBytes();
            QVERIFY(bytes >= removedAt);
            QCOMPARE(mci("save capture c:\\take.wav").code, 0u);
            QCOMPARE(std::uint64_t(inspectWav(m_drive + QStringLiteral("/take.wav")).frames) * 2, bytes);
            QFile::remove(spoolFolder());
            return;
        }
        const auto spoolAudio = [this] {
            return spools().size() == 1 ? QFileInfo(spoolFolder() + QLatin1Char('/') + spools().first()).size() - 4140
                                        : -1;
        };
        QString notice;
        QVERIFY(waitFor(
            [&] {
                notice = QString::fromStdString(platform::recordingNotice("capture"));
                return !notice.isEmpty();
            },
            5000));
        QVERIFY2(notice.contains(spoolFolder()) && notice.contains(QLatin1String("removed")), qPrintable(notice));
        const qint64 renamedWith = spoolAudio();
        QVERIFY(renamedWith >= qint64(removedAt));
        QVERIFY(waitFor([&] { return spoolAudio() > renamedWith + 22050; }, 5000)); // the take goes on in it
        QCOMPARE(platform::recordingNotice("capture"), std::string());
        mci("stop capture");
        const std::uint64_t bytes = lengthBytes();
        platform::keepRecordingsOnClose(); // as a kill would leave it
        mci("close all");
        const auto recovery = recover();
        QCOMPARE(recovery.recovered.size(), std::size_t(1));
        const QString file = m_drive + QLatin1Char('/') + driveFiles().first();
        QByteArray expected(int(bytes), '\0');
        platform::SyntheticBackend::render({11025, 1, 16}, 0,
                                           std::as_writable_bytes(std::span(expected.data(), expected.size())));
        QCOMPARE(contents(file).right(int(bytes)), expected);
        QCOMPARE(std::uint64_t(inspectWav(file).frames) * 2, bytes);
    }

    // Start-ups that recover while programs start recording never take a live spool: it is
    // locked before it has a spool's name.
    void recoveryNeverTakesALiveSpool()
    {
        std::atomic<bool> done {false};
        std::atomic<int> recovered {0};
        std::thread startUps([&] {
            while (!done.load())
                recovered += int(recover().recovered.size());
        });
        for (int i = 0; i < 100; ++i) {
            QVERIFY(recording(2));
            QCOMPARE(spools().size(), 1);
            mci("close all");
        }
        done = true;
        startUps.join();
        QCOMPARE(recovered.load(), 0);
        QCOMPARE(driveFiles(), QStringList());
    }

    // Temporary files of a save cut off by a kill go at the next start; a live program's and
    // anything that is not a plain file stay.
    void partsOfDeadSavesAreRemoved()
    {
        const QString dead = m_drive + QStringLiteral("/quorvel-part-999999999-abcdef");
        const QString live = m_drive + QStringLiteral("/quorvel-part-%1-abcdef").arg(::getpid());
        const QString link = m_drive + QStringLiteral("/quorvel-part-999999998-abcdef");
        for (const QString& path : {dead, live}) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(m_outside, link));
        // An encoder still at work after its program ended holds a lock on its file.
        const QString encoding = m_drive + QStringLiteral("/quorvel-part-999999997-abcdef");
        QFile busy(encoding);
        QVERIFY(busy.open(QIODevice::WriteOnly) && ::flock(busy.handle(), LOCK_EX) == 0);
        recover();
        QVERIFY(!QFile::exists(dead));
        QVERIFY(QFile::exists(live));
        QVERIFY(QFileInfo(link).isSymLink());
        QVERIFY(QFile::exists(encoding));
    }

    // Drive C on another, nearly full file system: the copy fails under no final name, the take
    // waits, a second start adds nothing, and with room it arrives whole.
    void recoveryIntoAFullDrive()
    {
        if (!mountTmpfs(m_drive, QStringLiteral("size=64k")))
            QSKIP("mounting a tmpfs needs root");
        const QString spool
            = deadSpool(QStringLiteral("quorvel-spool-20261208-231501-11025-1-16-abcdef.wav"), QByteArray(), 200000);
        for (int start = 0; start < 2; ++start) {
            const auto recovery = recover();
            QCOMPARE(recovery.recovered.size(), std::size_t(0));
            QCOMPARE(recovery.waiting.size(), std::size_t(1));
            QVERIFY2(QString::fromStdString(recovery.waiting.front()).contains(QLatin1String("disk is full")),
                     recovery.waiting.front().c_str());
            QCOMPARE(driveFiles(), QStringList());
            QVERIFY(QFile::exists(spool));
        }
        QProcess::execute(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,size=1m"), m_drive});
        const auto recovery = recover();
        const QStringList files = driveFiles();
        unmount(m_drive);
        QCOMPARE(recovery.recovered.size(), std::size_t(1));
        QCOMPARE(files, QStringList({QStringLiteral("Recovered 2026-12-08 23.15.01.wav")}));
        QVERIFY(!QFile::exists(spool));
    }

    // A take that can't be spooled ends at once with what was written, and the device says why.
    void recordingThatCannotBeWritten_data()
    {
        QTest::addColumn<QString>("options");
        QTest::addColumn<QString>("why");
        QTest::newRow("read-only") << "ro,size=64k"
                                   << "read-only";
        QTest::newRow("fills up") << "size=256k"
                                  << "the disk is full";
    }

    void recordingThatCannotBeWritten()
    {
        QFETCH(QString, options);
        QFETCH(QString, why);
        QVERIFY(QDir().mkpath(m_state));
        if (!mountTmpfs(m_state, options))
            QSKIP("mounting a tmpfs needs root");
        platform::setAudioBackend(std::make_shared<platform::SyntheticBackend>(
            platform::SyntheticBackend::Options {.speed = 20, .captureLimit = 10'000'000}));
        mci("open new type waveaudio alias capture");
        const auto code = mci("record capture").code;
        const bool ended = waitFor([] { return mci("status capture mode").reply == QLatin1String("stopped"); }, 5000);
        const std::string problem = platform::recordingProblem("capture");
        const std::uint64_t bytes = lengthBytes();
        const auto saved = mci("save capture c:\\take.wav").code;
        mci("close all");
        unmount(m_state);
        QVERIFY(ended);
        QVERIFY2(QString::fromStdString(problem).contains(why), problem.c_str());
        QVERIFY(QString::fromStdString(problem).contains(spoolFolder()));
        if (options.startsWith(QLatin1String("ro"))) {
            QCOMPARE(code, 286u);
            return;
        }
        QVERIFY(bytes > 0 && bytes < 256 * 1024);
        QCOMPARE(saved, 0u);
        QCOMPARE(std::uint64_t(inspectWav(m_drive + QStringLiteral("/take.wav")).frames), bytes); // 8-bit mono
    }
};

QTEST_GUILESS_MAIN(TestOwnFiles)
#include "tst_ownfiles.moc"
