// SPDX-License-Identifier: GPL-3.0-or-later
// Record, Stop, Listen and Reset from the buttons and the tray menu: every way into every state
// leaves the same controls, and the device gets exactly the commands it should.

#include "doubles.h"
#include "form8.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#endif

using namespace quorvel;
using namespace quorvel::test;

namespace {

enum class State
{
    Idle,
    Recording,
    Recorded,
    Listening
};

struct Expected
{
    bool c2Visible, c2Enabled, c3Visible, c3Enabled, c4Enabled, c1Enabled, c5Enabled;
    bool recVisible, recEnabled, stop2Visible, stop2Enabled, testplayEnabled, resetEnabled, saveEnabled;
    bool timer3, timer4;
    const char* mode;
};

Expected expectedFor(State state)
{
    switch (state) {
    case State::Idle:
        return {true, true,  true,  false, false, false, false, true,     true,
                true, false, false, false, false, false, false, "stopped"};
    case State::Recording:
        return {false, true, true,  true,  false, false, false, false,      true,
                true,  true, false, false, false, true,  true,  "recording"};
    case State::Recorded:
        return {true, false, true, true, true, true,  true,  false,    false,
                true, false, true, true, true, false, false, "stopped"};
    case State::Listening:
        return {false, false, true, true,  true,  true,  true,  false,    false,
                true,  true,  true, false, false, false, false, "playing"};
    }
    return {};
}

} // namespace

Q_DECLARE_METATYPE(State)

class TestTransport : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_form;

    void track(ui::Form8* form)
    {
        m_form = form;
        connect(form, &ui::Form8::reloaded, this, [this](ui::Form8* next) { track(next); });
    }

    // Carries out one step the way a user can: only through a control that is shown and enabled.
    bool step(const QString& name)
    {
        auto& c = m_form->controls();
        if (name == QLatin1String("device ended")) {
            m_services->mci.mode = QStringLiteral("stopped");
            m_form->Timer1_Timer();
            return true;
        }
        if (name == QLatin1String("end")) {
            m_services->mci.finishPlayback();
            m_form->Timer1_Timer();
            return true;
        }
        if (auto* button = m_form->findChild<QPushButton*>(name)) {
            if (button->isHidden() || !button->isEnabled())
                return false;
            button->click();
            return true;
        }
        for (QAction* action : c.mnuTray->actions()) {
            if (action->objectName() == name) {
                if (!action->isVisible() || !ui::itemEnabled(action))
                    return false;
                action->trigger();
                return true;
            }
        }
        return false;
    }

private slots:
    void init()
    {
        m_services = std::make_unique<TestServices>(m_app.path());
        auto* form = new ui::Form8(m_services->services);
        form->Form_Load();
        form->show();
        track(form);
    }

    void cleanup()
    {
        delete m_form.data();
        QVERIFY(!m_services->awake.held()); // a window that goes (Exit, Reset) lets the system sleep
        QFile::remove(m_app.filePath(QStringLiteral("settings9.txt")));
    }

    void stateTable_data()
    {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<State>("state");
        const QStringList recorded = {QStringLiteral("Command2"), QStringLiteral("Command3")};
        const QStringList listening = recorded + QStringList {QStringLiteral("Command4")};
        auto s = [](std::initializer_list<const char*> names) {
            QStringList list;
            for (const char* n : names)
                list << QString::fromLatin1(n);
            return list;
        };
        QTest::newRow("start-up") << QStringList() << State::Idle;
        QTest::newRow("Record button") << s({"Command2"}) << State::Recording;
        QTest::newRow("Record Now item") << s({"rec"}) << State::Recording;
        QTest::newRow("Stop button after button") << s({"Command2", "Command3"}) << State::Recorded;
        QTest::newRow("Stop item after button") << s({"Command2", "stop2"}) << State::Recorded;
        QTest::newRow("Stop button after item") << s({"rec", "Command3"}) << State::Recorded;
        QTest::newRow("Stop item after item") << s({"rec", "stop2"}) << State::Recorded;
        QTest::newRow("Listen button") << listening << State::Listening;
        QTest::newRow("Listen item") << recorded + s({"testplay"}) << State::Listening;
        QTest::newRow("Listen again while playing") << listening + s({"Command4"}) << State::Listening;
        QTest::newRow("Listen item while playing") << listening + s({"testplay"}) << State::Listening;
        QTest::newRow("playback ran to its end") << listening + s({"end"}) << State::Listening;
        QTest::newRow("Stop button while listening") << listening + s({"Command3"}) << State::Recorded;
        QTest::newRow("Stop item while listening") << listening + s({"stop2"}) << State::Recorded;
        QTest::newRow("Stop after the end") << listening + s({"end", "Command3"}) << State::Recorded;
        QTest::newRow("Reset button from Recorded") << recorded + s({"Command1"}) << State::Idle;
        QTest::newRow("Reset item from Recorded") << recorded + s({"reset"}) << State::Idle;
        QTest::newRow("Reset button from Listening") << listening + s({"Command1"}) << State::Idle;
        QTest::newRow("record again after Reset") << recorded + s({"Command1", "rec"}) << State::Recording;
        QTest::newRow("the device ended the take") << s({"Command2", "device ended"}) << State::Recorded;
    }

    void stateTable()
    {
        QFETCH(QStringList, steps);
        QFETCH(State, state);
        for (const QString& name : steps)
            QVERIFY2(step(name), qPrintable(name + QStringLiteral(" cannot be used here")));

        const Expected e = expectedFor(state);
        auto& c = m_form->controls();
        QCOMPARE(!c.Command2->isHidden(), e.c2Visible);
        QCOMPARE(c.Command2->isEnabled(), e.c2Enabled);
        QCOMPARE(!c.Command3->isHidden(), e.c3Visible);
        QCOMPARE(c.Command3->isEnabled(), e.c3Enabled);
        QCOMPARE(c.Command4->isEnabled(), e.c4Enabled);
        QCOMPARE(c.Command1->isEnabled(), e.c1Enabled);
        QCOMPARE(c.Command5->isEnabled(), e.c5Enabled);
        QCOMPARE(c.rec->isVisible(), e.recVisible);
        QCOMPARE(ui::itemEnabled(c.rec), e.recEnabled);
        QCOMPARE(c.stop2->isVisible(), e.stop2Visible);
        QCOMPARE(ui::itemEnabled(c.stop2), e.stop2Enabled);
        QCOMPARE(ui::itemEnabled(c.testplay), e.testplayEnabled);
        QCOMPARE(ui::itemEnabled(c.reset), e.resetEnabled);
        QCOMPARE(ui::itemEnabled(c.save), e.saveEnabled);
        QCOMPARE(c.Timer3->isActive(), e.timer3);
        if (e.timer3)
            QCOMPARE(c.Timer3->interval(), 1000);
        QCOMPARE(c.Timer4->isActive(), e.timer4);
        // The system stays awake for a take, and only for it.
        QCOMPARE(m_services->awake.held(), state == State::Recording);
        // The status as the window's next tick shows it; a playback that ran to its end is READY.
        const bool ended = steps.endsWith(QStringLiteral("end"));
        m_form->Timer1_Timer();
        const QString mode = QString::fromLatin1(ended ? "stopped" : e.mode);
        QCOMPARE(c.Text3->text(), mode == QLatin1String("stopped") ? QStringLiteral("READY") : mode.toUpper());
        QVERIFY(m_form->isVisible());
        if (state == State::Recorded)
            QCOMPARE(c.autoStopSeconds, 0);
    }

    // A take the device ends by itself (a full disk, the server gone) or can't begin ends as Stop
    // ends it, with one message that says why and whether anything was kept.
    void deviceEndsTheTake_data()
    {
        QTest::addColumn<bool>("failsAtOnce");
        QTest::addColumn<QString>("length");
        QTest::addColumn<QString>("says");
        QTest::newRow("ends with audio") << false << "44100"
                                         << "stopped by itself: the disk is full.";
        QTest::newRow("ends before any audio") << false << "0"
                                               << "could not be made: the disk is full.";
        QTest::newRow("refused at once") << true << "0"
                                         << "could not be made: the disk is full.";
    }

    void deviceEndsTheTake()
    {
        QFETCH(bool, failsAtOnce);
        QFETCH(QString, length);
        QFETCH(QString, says);
        auto& mci = m_services->mci;
        mci.recordFails = failsAtOnce;
        mci.problemText = "the disk is full";
        QVERIFY(step(QStringLiteral("Command2")));
        mci.lengthReply = length;
        if (!failsAtOnce)
            QVERIFY(step(QStringLiteral("device ended")));
        QCOMPARE(m_services->boxes.shown.size(), 1);
        QVERIFY2(m_services->boxes.shown[0].text.contains(says), qPrintable(m_services->boxes.shown[0].text));
        QVERIFY(!m_form->controls().Timer3->isActive());
        QVERIFY(m_form->controls().Command5->isEnabled());
        m_form->Timer1_Timer();
        QCOMPARE(m_services->boxes.shown.size(), 1); // said once
    }

    // Stop takes over Record's keyboard focus: it would otherwise pass to the next in tab order, the
    // text box hidden behind the "Auto Stop Options" panel.
    void stopTakesTheFocusFromRecord()
    {
        auto& c = m_form->controls();
        c.Command2->setFocus();
        QCOMPARE(m_form->focusWidget(), c.Command2);
        c.Command2->click();
        QCOMPARE(m_form->focusWidget(), c.Command3);
        c.Command3->click();
        QVERIFY(m_form->focusWidget() != c.Text2);
    }

    void recordSendsTheChosenFormat()
    {
        auto& c = m_form->controls();
        c.cbxformat->setCurrentIndex(15);
        m_services->mci.clear();
        QVERIFY(step(QStringLiteral("Command2")));
        QCOMPARE(m_services->mci.actions(),
                 QStringList({QStringLiteral("set capture samplespersec 44100 channels 2 bitspersample 16 alignment "
                                             "4 bytespersec 176400"),
                              QStringLiteral("record capture")}));
    }

    // Typed text in the box is not a choice; with no entry selected no preset matches.
    void recordWithoutAPreset()
    {
        auto& c = m_form->controls();
        c.cbxformat->setCurrentIndex(-1);
        c.cbxformat->setEditText(QStringLiteral("44.100Hz, 16bit Stereo, 172k/sec"));
        m_services->mci.clear();
        QVERIFY(step(QStringLiteral("rec")));
        QCOMPARE(m_services->mci.actions(),
                 QStringList({QStringLiteral("set capture samplespersec  channels  bitspersample  alignment 0 "
                                             "bytespersec 0"),
                              QStringLiteral("record capture")}));
    }

    void stopAndListenCommands()
    {
        QVERIFY(step(QStringLiteral("Command2")));
        m_services->mci.clear();
        QVERIFY(step(QStringLiteral("Command3")));
        QCOMPARE(m_form->controls().Text4->text(), QStringLiteral("0"));
        QVERIFY(step(QStringLiteral("Command4")));
        QVERIFY(step(QStringLiteral("testplay")));
        QCOMPARE(m_services->mci.actions(),
                 QStringList({QStringLiteral("stop capture"), QStringLiteral("play capture from 0"),
                              QStringLiteral("play capture from 0")}));
    }

    // The clock starts at Record, keeps its value through Stop and Listen, and Reset clears it.
    void elapsedClockThroughTheTransport()
    {
        auto& c = m_form->controls();
        QVERIFY(step(QStringLiteral("Command2")));
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:00"));
        m_services->clock.advance(5);
        m_form->Timer3_Timer();
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:05"));
        QVERIFY(step(QStringLiteral("Command3")));
        m_services->clock.advance(7);
        QVERIFY(step(QStringLiteral("Command4")));
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:05"));
        QVERIFY(step(QStringLiteral("Command1")));
        QCOMPARE(m_form->controls().Text1->text(), QStringLiteral("00:00:00"));
    }

    // Reset closes the device, writes and reads the options back, and opens a new device.
#ifdef _WIN32
    // On Windows the system is kept awake by the GUI thread's execution state.
    void windowsExecutionState()
    {
        // A one-off nudge of the idle clock, which answers the lasting state and leaves it.
        const auto lasting = [] {
            return ::SetThreadExecutionState(ES_SYSTEM_REQUIRED) & (ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
        };
        int holder = 0;
        platform::systemKeepAwake().hold(&holder, true);
        QCOMPARE(lasting(), EXECUTION_STATE(ES_CONTINUOUS | ES_SYSTEM_REQUIRED));
        platform::systemKeepAwake().hold(&holder, false);
        QCOMPARE(lasting(), EXECUTION_STATE(ES_CONTINUOUS));
    }
#endif

    void resetRoundTrip()
    {
        auto& c = m_form->controls();
        c.cbxformat->setCurrentIndex(3);
        c.Check1->setCheckState(Qt::Checked);
        c.HScroll2->setValue(12);
        c.Option1->setChecked(true);
        QVERIFY(step(QStringLiteral("Command2")));
        QVERIFY(step(QStringLiteral("Command3")));
        m_services->mci.clear();
        QPointer<ui::Form8> before = m_form.data();
        QVERIFY(step(QStringLiteral("reset")));
        QVERIFY(m_form != before);
        QCOMPARE(m_services->mci.actions(),
                 QStringList({QStringLiteral("close capture"), QStringLiteral("close all"),
                              QStringLiteral("open new type waveaudio alias capture")}));
        auto& n = m_form->controls();
        QCOMPARE(n.cbxformat->currentIndex(), 3);
        QCOMPARE(n.Check1->checkState(), Qt::Checked);
        QCOMPARE(n.HScroll2->value(), 12);
        QCOMPARE(n.Text6->text(), QStringLiteral("12"));
        QVERIFY(n.Option1->isChecked());
        QVERIFY(!n.Option2->isChecked());
        QVERIFY(m_form->isVisible());
        QVERIFY(FakeNotifyIcon::last && FakeNotifyIcon::last->shown);
        QCOMPARE(QDir(m_app.path()).entryList(QDir::Files), QStringList({QStringLiteral("settings9.txt")}));
        QTRY_VERIFY(!before); // the old window is gone once control returns to the event loop
    }
};

QTEST_MAIN(TestTransport)
#include "tst_transport.moc"
