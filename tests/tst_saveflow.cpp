// SPDX-License-Identifier: GPL-3.0-or-later
// Saving under a typed name and converting a WAV, against doubles of the device, the message
// boxes, the file dialogs and the process starter.

#include "conversion.h"
#include "dialogs.h"
#include "doubles.h"
#include "form8.h"
#include "savestrings.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>

#ifdef Q_OS_UNIX
#include <sys/stat.h>
#endif

using namespace quorvel;
using namespace quorvel::test;
namespace box = platform::box;

namespace {

// A named pipe planted under a name the program will write (none on Windows).
bool plantPipe(const QString& path)
{
#ifdef Q_OS_UNIX
    return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
#else
    Q_UNUSED(path);
    return false;
#endif
}

} // namespace

class TestSaveFlow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_root;
    QString m_app; // an application folder with a blank in its name
    QString m_drive; // drive C
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_main;

    QString onDrive(const QString& name) const { return m_drive + QLatin1Char('/') + name; }
    TestServices& s() { return *m_services; }

    // Types the name into the dialog and presses its "Save".
    ui::Form10* saveAs(const QString& name)
    {
        m_main->controls().Command5->setEnabled(true);
        m_main->controls().Command5->click();
        ui::Form10* dialog = ui::Form10::instance();
        if (dialog) {
            dialog->Text1->setText(name);
            dialog->Command1->click();
        }
        return dialog;
    }

    void recordSomething()
    {
        m_main->controls().Command2->click();
        m_main->controls().Command3->click();
        s().mci.clear();
    }

private slots:
    void initTestCase()
    {
        m_app = m_root.filePath(QStringLiteral("Apps Rec"));
        m_drive = m_root.filePath(QStringLiteral("drive"));
        QVERIFY(QDir().mkpath(m_app) && QDir().mkpath(m_drive));
        qputenv("QUORVEL_DRIVE_C", QFile::encodeName(m_drive));
    }

    void init()
    {
        m_services = std::make_unique<TestServices>(m_app);
        m_main = ui::Form8::load(s().services);
        recordSomething();
        s().mci.lengthReply = QStringLiteral("44100");
    }

    void cleanup()
    {
        if (auto* dialog = ui::Form10::instance())
            delete dialog;
        delete m_main.data();
        QDir(m_drive).removeRecursively();
        QDir().mkpath(m_drive);
        QFile::remove(m_app + QStringLiteral("/settings9.txt"));
    }

    void strings_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("save");
        QTest::addColumn<QString>("encoder");
        QTest::addColumn<QString>("confirmation");
        QTest::newRow("take1") << "take1"
                               << "save capture c:\\take1.wav"
                               << "D:\\Apps\\Rec\\lame c:\\take1.wav c:\\take1.mp3"
                               << "File Saved: c:\\take1.mp3    Would you like to view the file?";
        QTest::newRow("my take") << "my take"
                                 << "save capture c:\\my take.wav"
                                 << "D:\\Apps\\Rec\\lame c:\\my take.wav c:\\my take.mp3"
                                 << "File Saved: c:\\my take.mp3    Would you like to view the file?";
    }

    void strings()
    {
        QFETCH(QString, name);
        QFETCH(QString, save);
        QFETCH(QString, encoder);
        QFETCH(QString, confirmation);
        QCOMPARE(output::saveCommand(output::wavPath(name)), save);
        QCOMPARE(
            output::encoderCommandLine(QStringLiteral("D:\\Apps\\Rec"), output::wavPath(name), output::mp3Path(name)),
            encoder);
        QCOMPARE(output::confirmationText(output::mp3Path(name)), confirmation);
        QCOMPARE(output::folderViewCommand(QStringLiteral("c:\\")), QStringLiteral("explorer.exe c:\\"));
        QCOMPARE(output::GetPath(QStringLiteral("C:\\Music\\a.mp3")), QStringLiteral("C:\\Music"));
        QCOMPARE(output::GetPath(QStringLiteral("C:\\a.mp3")), QStringLiteral("C:"));
        QCOMPARE(output::GetPath(QStringLiteral("/home/u/a.mp3")), QStringLiteral("/home/u"));
        QCOMPARE(output::GetPath(QStringLiteral("a.mp3")), QString());
    }

    void wavSave_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes opens the folder") << box::answerYes;
        QTest::newRow("No does nothing") << box::answerNo;
    }

    void wavSave()
    {
        QFETCH(int, answer);
        s().boxes.answers = {answer};
        QPointer<ui::Form10> dialog = saveAs(QStringLiteral("my take"));
        QCOMPARE(s().mci.actions(), QStringList({QStringLiteral("save capture c:\\my take.wav")}));
        QCOMPARE(s().boxes.shown.size(), 1);
        QCOMPARE(s().boxes.shown[0].text,
                 QStringLiteral("File Saved: c:\\my take.wav    Would you like to view the file?"));
        QCOMPARE(s().boxes.shown[0].style, 68);
        QCOMPARE(s().boxes.shown[0].title, QStringLiteral("Quorvel"));
        QCOMPARE(s().desktop.folderViews,
                 answer == box::answerYes ? QStringList({QStringLiteral("explorer.exe c:\\")}) : QStringList());
        QVERIFY(s().processes.started.isEmpty());
        QVERIFY(QFile::exists(onDrive(QStringLiteral("my take.wav"))));
        QVERIFY(!m_main->controls().deviceClosed);
        QTRY_VERIFY(!dialog);

        // The recording is still there: a second save under another name works too.
        s().mci.clear();
        saveAs(QStringLiteral("second"));
        QCOMPARE(s().mci.actions(), QStringList({QStringLiteral("save capture c:\\second.wav")}));
    }

    void mp3Save()
    {
        m_main->controls().Option1->setChecked(true);
        s().boxes.answers = {box::answerYes};
        QPointer<ui::Form10> dialog = saveAs(QStringLiteral("take1"));
        QCOMPARE(s().processes.started.size(), 1);
        const auto& encoder = s().processes.started[0];
        QCOMPARE(encoder.commandLine, m_app + QStringLiteral("\\lame c:\\take1.wav c:\\take1.mp3"));
        QCOMPARE(encoder.program, m_app + QStringLiteral("/lame"));
        QCOMPARE(encoder.arguments,
                 QStringList({onDrive(QStringLiteral("take1.wav")), onDrive(QStringLiteral("take1.mp3"))}));
        QVERIFY(encoder.hidden);
        QCOMPARE(s().mci.actions(),
                 QStringList({QStringLiteral("save capture c:\\take1.wav"), QStringLiteral("close all")}));
        QVERIFY(!m_main->controls().Timer2->isActive());
        QVERIFY(m_main->controls().deviceClosed);
        QTRY_VERIFY(!dialog);
        // Nothing is said of the MP3 before it is there.
        QVERIFY(s().boxes.shown.isEmpty());

        // The WAV goes only once the encoder has made the MP3.
        QVERIFY(QFile::exists(onDrive(QStringLiteral("take1.wav"))));
        QFile mp3(onDrive(QStringLiteral("take1.mp3")));
        QVERIFY(mp3.open(QIODevice::WriteOnly) && mp3.write("ID3") == 3);
        mp3.close();
        s().processes.finish(0, 0);
        QVERIFY(!QFile::exists(onDrive(QStringLiteral("take1.wav"))));
        QCOMPARE(s().boxes.texts(),
                 QStringList({QStringLiteral("File Saved: c:\\take1.mp3    Would you like to view the file?")}));
        QCOMPARE(s().desktop.folderViews, QStringList({QStringLiteral("explorer.exe c:\\")}));
    }

    void encoderFailureKeepsTheWav_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<bool>("crashed");
        QTest::addColumn<bool>("mp3Made");
        QTest::newRow("error status") << 1 << false << true;
        QTest::newRow("crashed") << 0 << true << true;
        QTest::newRow("no MP3 made") << 0 << false << false;
    }

    // A failed encoder is said alone, never with "File Saved", and names the WAV that was kept.
    void encoderFailureKeepsTheWav()
    {
        QFETCH(int, exitCode);
        QFETCH(bool, crashed);
        QFETCH(bool, mp3Made);
        m_main->controls().Option1->setChecked(true);
        saveAs(QStringLiteral("take1"));
        if (mp3Made) {
            QFile mp3(onDrive(QStringLiteral("take1.mp3")));
            QVERIFY(mp3.open(QIODevice::WriteOnly) && mp3.write("ID3") == 3);
        }
        s().processes.finish(0, exitCode, crashed);
        QVERIFY(QFile::exists(onDrive(QStringLiteral("take1.wav"))));
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY(s().boxes.shown[0].text.startsWith(QStringLiteral("The MP3 encoder could not make c:\\take1.mp3")));
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("saved as c:\\take1.wav, which is kept")));
        QVERIFY(s().desktop.folderViews.isEmpty());
    }

    void encoderThatCannotStart()
    {
        m_main->controls().Option1->setChecked(true);
        s().processes.canStart = false;
        saveAs(QStringLiteral("take1"));
        QCOMPARE(s().boxes.shown.size(), 2);
        // Said as it is: no MP3, and the WAV that was kept.
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("could not be started")));
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("saved as c:\\take1.wav")));
        QCOMPARE(s().boxes.shown[1].text,
                 QStringLiteral("File Saved: c:\\take1.wav    Would you like to view the file?"));
        QVERIFY(QFile::exists(onDrive(QStringLiteral("take1.wav"))));
    }

    void unsafeNames_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("empty") << "";
        QTest::newRow("blanks") << "   ";
        QTest::newRow("dots") << "..";
        QTest::newRow("dot dot slash") << "..\\..\\etc\\passwd";
        QTest::newRow("slash") << "a/b";
        QTest::newRow("colon") << "d:x";
        QTest::newRow("star") << "a*";
        QTest::newRow("question") << "a?";
        QTest::newRow("quote") << "a\"b";
        QTest::newRow("angle") << "<a>";
        QTest::newRow("bar") << "a|b";
        QTest::newRow("tab") << "a\tb";
        QTest::newRow("newline") << "a\nb";
    }

    void unsafeNames()
    {
        QFETCH(QString, name);
        ui::Form10* dialog = saveAs(name);
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->Text1->text(), name);
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("\\ / : * ? \" < > |")));
        QCOMPARE(s().boxes.shown[0].title, QStringLiteral("Quorvel"));
        QVERIFY(s().mci.actions().isEmpty());
        QCOMPARE(QDir(m_drive).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    // A name the file system cannot hold is refused with that reason, not as a failed save.
    void nameTooLong()
    {
        ui::Form10* dialog = saveAs(QString(300, QLatin1Char('a')));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("too long")));
        QVERIFY(s().mci.actions().isEmpty());
        dialog->close();
        s().boxes.shown.clear();
        saveAs(QString(251, QLatin1Char('a'))); // with ".wav", the longest name there is
        QVERIFY(s().boxes.shown.first().text.startsWith(QStringLiteral("File Saved")));
    }

    // A save the device refuses is an error, not a confirmation, and nothing moves on.
    void failedSaveIsReported()
    {
        m_main->controls().Option1->setChecked(true);
        s().mci.saveResult = 286;
        ui::Form10* dialog = saveAs(QStringLiteral("take1"));
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("c:\\take1.wav")));
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("Cannot save the specified file.")));
        QCOMPARE(s().boxes.shown[0].style, 16);
        QVERIFY(s().processes.started.isEmpty());
        QVERIFY(!s().mci.actions().contains(QStringLiteral("close all")));
        QVERIFY(!m_main->controls().deviceClosed);
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Text1->text(), QStringLiteral("take1"));

        s().mci.saveResult = 0; // and it can be saved again
        s().boxes.shown.clear();
        dialog->Command1->click();
        QCOMPARE(s().processes.started.size(), 1);
    }

    // After an MP3 save the device is closed: a second save fails the same way, without a crash.
    void secondSaveAfterMp3()
    {
        m_main->controls().Option1->setChecked(true);
        saveAs(QStringLiteral("take1"));
        s().boxes.shown.clear();
        ui::Form10* dialog = saveAs(QStringLiteral("take2"));
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY(s().boxes.shown[0].text.contains(QStringLiteral("closed with the MP3 save")));
        QVERIFY(!s().boxes.shown[0].text.contains(QStringLiteral("still there")));
        QVERIFY(dialog->isVisible());
        QCOMPARE(s().processes.started.size(), 1);
    }

    // Every refusal names its real cause, writes nothing and never says "File Saved".
    void saveMessages_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<int>("saveError");
        QTest::addColumn<QString>("says");
        QTest::newRow("disk full") << "" << ENOSPC << "No space left on device: the disk is full.";
        QTest::newRow("no permission") << "" << EACCES << "Permission denied: the folder can't be written to.";
        QTest::newRow("read-only") << "" << EROFS << "Read-only file system: the folder is read-only.";
        QTest::newRow("no audio") << "empty" << 0 << "Nothing was saved: the recording holds no audio.";
        QTest::newRow("mp3 name is a folder") << "mp3 folder" << 0 << "c:\\take1.mp3 is a folder.";
        QTest::newRow("wav name is a folder") << "wav folder" << 0 << "c:\\take1.wav is a folder.";
#ifdef Q_OS_UNIX
        QTest::newRow("wav name is a pipe") << "wav pipe" << 0 << "c:\\take1.wav is not a plain file";
#endif
        QTest::newRow("drive C can't be made") << "no drive" << 0 << "does not exist and could not be made";
    }

    void saveMessages()
    {
        QFETCH(QString, setup);
        QFETCH(int, saveError);
        QFETCH(QString, says);
        m_main->controls().Option1->setChecked(setup == QLatin1String("mp3 folder"));
        if (saveError) {
            s().mci.saveResult = 286;
            s().mci.saveErrorNumber = saveError;
        }
        if (setup == QLatin1String("empty"))
            s().mci.lengthReply = QStringLiteral("0");
        if (setup.endsWith(QLatin1String("folder")))
            QVERIFY(QDir().mkpath(onDrive(setup.startsWith(QLatin1String("mp3")) ? QStringLiteral("take1.mp3")
                                                                                 : QStringLiteral("take1.wav"))));
        if (setup == QLatin1String("wav pipe"))
            QVERIFY(plantPipe(onDrive(QStringLiteral("take1.wav"))));
        const QByteArray drive = qgetenv("QUORVEL_DRIVE_C");
        if (setup == QLatin1String("no drive"))
            qputenv("QUORVEL_DRIVE_C", "/proc/no such drive");
        ui::Form10* dialog = saveAs(QStringLiteral("take1"));
        qputenv("QUORVEL_DRIVE_C", drive);
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY2(s().boxes.shown[0].text.contains(says), qPrintable(s().boxes.shown[0].text));
        QVERIFY(!s().boxes.shown[0].text.contains(QStringLiteral("File Saved")));
        QVERIFY(dialog->isVisible());
        QVERIFY(s().processes.started.isEmpty());
        QVERIFY(!QFileInfo(onDrive(QStringLiteral("take1.wav"))).isFile());
    }

    // A missing drive C folder is made on the first save.
    void driveCIsMadeWhenMissing()
    {
        QVERIFY(QDir(m_drive).removeRecursively());
        saveAs(QStringLiteral("take1"));
        QVERIFY(QFile::exists(onDrive(QStringLiteral("take1.wav"))));
    }

    // The dialog saves the take the device holds when Save is pressed: one recorded after a
    // Reset too. With the main window closed, nothing is saved.
    void saveAfterTheRecordingWent_data()
    {
        QTest::addColumn<bool>("reset");
        QTest::newRow("Reset, then a new take") << true;
        QTest::newRow("main window closed") << false;
    }

    void saveAfterTheRecordingWent()
    {
        QFETCH(bool, reset);
        m_main->controls().Command5->setEnabled(true);
        m_main->controls().Command5->click();
        QPointer<ui::Form10> dialog = ui::Form10::instance();
        if (reset) {
            m_main->controls().Command1->click();
            s().mci.lengthReply = QStringLiteral("44100"); // a take recorded since
        } else {
            m_main->close();
        }
        s().mci.clear();
        dialog->Text1->setText(QStringLiteral("take1"));
        dialog->Command1->click();
        if (reset) {
            QVERIFY(s().mci.commands.contains(QStringLiteral("save capture c:\\take1.wav")));
        } else {
            QCOMPARE(s().boxes.texts(),
                     QStringList({QStringLiteral(
                         "Nothing was saved: the recording went with the main window, which was closed.")}));
            QVERIFY(s().mci.actions().isEmpty());
            QCOMPARE(QDir(m_drive).entryList(QDir::Files), QStringList());
        }
        QTRY_VERIFY(!dialog);
        delete ui::Form8::current();
    }

    void existingFile_data()
    {
        QTest::addColumn<bool>("mp3");
        QTest::addColumn<QStringList>("existing");
        QTest::addColumn<QString>("question");
        const QString replaceIt = QStringLiteral(" already exists. Do you want to replace it?");
        QTest::newRow("wav over a wav") << false << QStringList {"take1.wav"} << "c:\\take1.wav" + replaceIt;
        QTest::newRow("mp3 over an mp3") << true << QStringList {"take1.mp3"} << "c:\\take1.mp3" + replaceIt;
        QTest::newRow("mp3 save over a wav of that name")
            << true << QStringList {"take1.wav"} << "c:\\take1.wav" + replaceIt;
        QTest::newRow("mp3 save over both")
            << true << QStringList {"take1.mp3", "take1.wav"}
            << "c:\\take1.mp3 and c:\\take1.wav already exist. Do you want to replace them?";
    }

    void existingFile()
    {
        QFETCH(bool, mp3);
        QFETCH(QStringList, existing);
        QFETCH(QString, question);
        m_main->controls().Option1->setChecked(mp3);
        for (const QString& name : existing) {
            QFile file(onDrive(name));
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write("mine") == 4);
        }

        s().boxes.answers = {box::answerNo};
        ui::Form10* dialog = saveAs(QStringLiteral("take1"));
        QCOMPARE(s().boxes.shown.size(), 1);
        QCOMPARE(s().boxes.shown[0].text, question);
        QCOMPARE(s().boxes.shown[0].style & 0x7, 4); // Yes and No
        QCOMPARE(s().boxes.shown[0].title, QStringLiteral("Quorvel"));
        QVERIFY(s().mci.actions().isEmpty());
        QVERIFY(dialog->isVisible());
        QCOMPARE(dialog->Text1->text(), QStringLiteral("take1"));
        for (const QString& name : existing) {
            QFile file(onDrive(name));
            QVERIFY(file.open(QIODevice::ReadOnly) && file.readAll() == "mine");
        }

        s().boxes.answers = {box::answerYes, box::answerNo};
        dialog->Command1->click();
        QCOMPARE(s().mci.actions().size(), mp3 ? 2 : 1);
    }

    void conversion_data()
    {
        QTest::addColumn<int>("answer");
        QTest::newRow("Yes") << box::answerYes;
        QTest::newRow("No") << box::answerNo;
    }

    void conversion()
    {
        QFETCH(int, answer);
        QTemporaryDir music;
        const QString wav = music.filePath(QStringLiteral("in take.wav"));
        const QString mp3 = music.filePath(QStringLiteral("a b.mp3"));
        s().dialogs.answers = {wav, mp3};
        s().boxes.answers = {answer};
        m_main->controls().Command10->click();
        QCOMPARE(s().dialogs.shown.size(), 2);
        QVERIFY(!s().dialogs.shown[0].save);
        QCOMPARE(s().dialogs.shown[0].title, QStringLiteral("Select A Wav To Convert"));
        QCOMPARE(s().dialogs.shown[0].filter, QStringLiteral("Wav Files (*.wav)|*.wav|Wav Files (*.*)|*.*"));
        QCOMPARE(s().dialogs.shown[0].extension, QStringLiteral("wav"));
        QVERIFY(s().dialogs.shown[1].save);
        QCOMPARE(s().dialogs.shown[1].title, QStringLiteral("Select A Filename For Your MP3"));
        QCOMPARE(s().dialogs.shown[1].filter, QStringLiteral("Mp3 Files (*.mp3)|*.mp3|mp3 Files (*.*)|*.*"));
        QCOMPARE(s().dialogs.shown[1].extension, QStringLiteral("mp3"));
        // Both open in drive C, not wherever the program was started.
        QCOMPARE(s().dialogs.shown[0].folder, m_drive);
        QCOMPARE(s().dialogs.shown[1].folder, m_drive);

        QCOMPARE(s().processes.started.size(), 1);
        QCOMPARE(s().processes.started[0].commandLine,
                 m_app + QStringLiteral("\\lame ") + wav + QLatin1Char(' ') + mp3);
        QCOMPARE(s().processes.started[0].arguments, QStringList({wav, mp3}));
        QVERIFY(s().processes.started[0].hidden);
        QVERIFY(s().boxes.shown.isEmpty()); // said once the MP3 is there
        QFile made(mp3);
        QVERIFY(made.open(QIODevice::WriteOnly) && made.write("ID3") == 3);
        made.close();
        s().processes.finish(0, 0);
        QCOMPARE(s().boxes.shown.size(), 2);
        QCOMPARE(s().boxes.shown[0].text, QStringLiteral("Your MP3 has been created:  ") + mp3);
        QCOMPARE(s().boxes.shown[0].style, 0);
        QCOMPARE(s().boxes.shown[1].text, QStringLiteral("Would you like to view the file?"));
        QCOMPARE(s().boxes.shown[1].style, 68);
        QCOMPARE(s().desktop.folderViews,
                 answer == box::answerYes ? QStringList({QStringLiteral("explorer.exe ") + music.path()})
                                          : QStringList());
        QVERIFY(s().mci.actions().isEmpty()); // the recorder is not touched
    }

    // An encoder that fails, or a folder it can't write to, is said alone: neither the report nor
    // the question follows.
    void conversionFailure_data()
    {
        QTest::addColumn<int>("folderError");
        QTest::addColumn<bool>("pipe");
        QTest::addColumn<QString>("says");
        QTest::newRow("encoder fails") << 0 << false << "The MP3 encoder could not make ";
        QTest::newRow("read-only folder") << int(EROFS) << false << "can't be written (Read-only file system";
#ifdef Q_OS_UNIX
        QTest::newRow("a pipe under the name") << 0 << true << "can't be written (something that is not a plain file";
#endif
    }

    void conversionFailure()
    {
        QFETCH(int, folderError);
        QFETCH(bool, pipe);
        QFETCH(QString, says);
        s().processes.outputError = folderError;
        s().dialogs.answers = {QStringLiteral("/music/a.wav"), onDrive(QStringLiteral("a.mp3"))};
        if (pipe)
            QVERIFY(plantPipe(onDrive(QStringLiteral("a.mp3"))));
        m_main->controls().Command10->click();
        if (pipe)
            QVERIFY(s().processes.started.isEmpty());
        if (!folderError && !pipe)
            s().processes.finish(0, 1);
        QCOMPARE(s().boxes.shown.size(), 1);
        QVERIFY2(s().boxes.shown[0].text.contains(says), qPrintable(s().boxes.shown[0].text));
        QVERIFY(s().desktop.folderViews.isEmpty());
    }

    void conversionCancelled()
    {
        m_main->controls().Command10->click(); // open dialog cancelled
        QCOMPARE(s().dialogs.shown.size(), 1);
        s().dialogs.answers = {QStringLiteral("/music/a.wav")};
        m_main->controls().Command10->click(); // save dialog cancelled
        QCOMPARE(s().dialogs.shown.size(), 3);
        QVERIFY(s().processes.started.isEmpty());
        QVERIFY(s().boxes.shown.isEmpty());
    }

    void conversionWithoutEncoder()
    {
        s().processes.canStart = false;
        s().dialogs.answers = {QStringLiteral("/music/a.wav"), QStringLiteral("/out/a.mp3")};
        m_main->controls().Command10->click();
        QCOMPARE(
            s().boxes.texts(),
            QStringList({QStringLiteral("The MP3 encoder could not be started: ") + m_app + QStringLiteral("/lame")}));
    }
};

QTEST_MAIN(TestSaveFlow)
#include "tst_saveflow.moc"
