// SPDX-License-Identifier: GPL-3.0-or-later
// The three displays: device status, recording size and elapsed clock.

#include "doubles.h"
#include "form8.h"
#include "statusmonitor.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>

using namespace quorvel;
using namespace quorvel::test;

class TestStatusMonitor : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;

private slots:
    void statusWords_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("shown");
        QTest::newRow("stopped") << "stopped"
                                 << "READY";
        QTest::newRow("playing") << "playing"
                                 << "PLAYING";
        QTest::newRow("recording") << "recording"
                                   << "RECORDING";
        QTest::newRow("other word") << "paused"
                                    << "paused";
        QTest::newRow("upper case stays") << "Stopped"
                                          << "Stopped";
        QTest::newRow("no device") << ""
                                   << "";
    }

    void statusWords()
    {
        QFETCH(QString, reply);
        QFETCH(QString, shown);
        QCOMPARE(recorder::statusText(reply), shown);
    }

    void sizes_data()
    {
        QTest::addColumn<QString>("reply");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("shown");
        QTest::newRow("nothing") << "0"
                                 << "en_US"
                                 << "0";
        QTest::newRow("one and a half") << "1500000"
                                        << "en_US"
                                        << "1.5";
        QTest::newRow("one second at 44.1k") << "44100"
                                             << "en_US"
                                             << "0.0441";
        QTest::newRow("many digits") << "123456789"
                                     << "en_US"
                                     << "123.456789";
        QTest::newRow("whole megabytes, no separators") << "2000000000"
                                                        << "en_US"
                                                        << "2000";
        QTest::newRow("tiny, no exponent") << "50"
                                           << "en_US"
                                           << "0.00005";
        QTest::newRow("one byte") << "1"
                                  << "en_US"
                                  << "0.000001";
        QTest::newRow("decimal comma") << "1500000"
                                       << "de_DE"
                                       << "1,5";
        QTest::newRow("empty reply") << ""
                                     << "en_US"
                                     << "0";
        QTest::newRow("not a number") << "abc"
                                      << "en_US"
                                      << "0";
        QTest::newRow("leading digits only") << "12x34"
                                             << "en_US"
                                             << "0.000012";
    }

    void sizes()
    {
        QFETCH(QString, reply);
        QFETCH(QString, locale);
        QFETCH(QString, shown);
        const QByteArray bytes = reply.toUtf8();
        const auto value = recorder::leadingNumber(std::string_view(bytes.constData(), bytes.size()));
        QCOMPARE(recorder::sizeText(value, QLocale(locale)), shown);
    }

    void clock_data()
    {
        QTest::addColumn<int>("seconds");
        QTest::addColumn<QString>("shown");
        QTest::newRow("start") << 0 << "00:00:00";
        QTest::newRow("10 s") << 10 << "00:00:10";
        QTest::newRow("3725 s") << 3725 << "01:02:05";
        QTest::newRow("a day and 5 s") << 86405 << "00:00:05";
        QTest::newRow("clock set back") << -30 << "00:00:00";
    }

    void clock()
    {
        QFETCH(int, seconds);
        QFETCH(QString, shown);
        const QDateTime start(QDate(2026, 1, 1), QTime(23, 59, 50));
        QCOMPARE(recorder::elapsedText(start, start.addSecs(seconds)), shown);
    }

    // The size is formatted only when the length moves; Stop's "0" and a new locale still give way to
    // the recording's size at the next tick.
    void sizeDisplayAfterStopAndLocaleChange()
    {
        TestServices services(m_app.path());
        ui::Form8 form(services.services);
        form.Form_Load();
        auto& c = form.controls();
        services.mci.lengthReply = QStringLiteral("1764000");
        c.Command2->click();
        form.Timer2_Timer();
        QCOMPARE(c.Text4->text(), QStringLiteral("1.764"));
        c.Command3->click();
        QCOMPARE(c.Text4->text(), QStringLiteral("0"));
        form.Timer2_Timer();
        QCOMPARE(c.Text4->text(), QStringLiteral("1.764"));

        const QLocale before;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        form.Timer2_Timer();
        QCOMPARE(c.Text4->text(), QStringLiteral("1,764"));
        QLocale::setDefault(before);
        form.Timer2_Timer();
        QCOMPARE(c.Text4->text(), QStringLiteral("1.764"));
        form.Form_Unload();
    }

    // The level meter and the warnings, as the window and the tray icon's tip show them.
    void levelAndWarnings_data()
    {
        QTest::addColumn<float>("peak");
        QTest::addColumn<bool>("clipped");
        QTest::addColumn<int>("quietMs");
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("meter"); // dBFS shown; 1: no meter
        QTest::addColumn<QString>("warning"); // in the window; empty: none
        QTest::addColumn<QString>("tip");
        const QString noSound = QStringLiteral("No sound is arriving from Microphone");
        const QString tooLoud = QStringLiteral("The recording clipped");
        QTest::newRow("a tone") << 0.5f << false << 0 << true << -6 << ""
                                << "";
        QTest::newRow("quiet, not yet five seconds") << 0.0f << false << 4900 << true << -60 << ""
                                                     << "";
        QTest::newRow("five seconds of silence") << 0.0f << false << 5000 << true << 1 << noSound << noSound;
        QTest::newRow("clipped") << 1.0f << true << 0 << true << 0 << "" << tooLoud;
        QTest::newRow("clipped, then silent")
            << 0.0f << true << 9000 << true << 1 << noSound << noSound + QLatin1Char('\n') + tooLoud;
        QTest::newRow("not a number") << std::numeric_limits<float>::quiet_NaN() << false << 0 << true << -60 << ""
                                      << "";
        QTest::newRow("below the floor") << 1e-30f << false << 0 << true << -60 << ""
                                         << "";
        QTest::newRow("stopped") << 0.0f << false << 0 << false << 1 << ""
                                 << "";
        QTest::newRow("stopped, clipped") << 0.0f << true << 0 << false << -60 << "" << tooLoud;
    }

    void levelAndWarnings()
    {
        QFETCH(float, peak);
        QFETCH(bool, clipped);
        QFETCH(int, quietMs);
        QFETCH(bool, running);
        QFETCH(int, meter);
        QFETCH(QString, warning);
        QFETCH(QString, tip);
        TestServices services(m_app.path());
        ui::Form8 form(services.services);
        form.Form_Load();
        form.show();
        auto& c = form.controls();
        if (running)
            c.Command2->click();
        services.mci.sound = {running, peak, clipped, quietMs, "Microphone"};
        form.Timer1_Timer();
        form.meterTimer_Timer();
        QCOMPARE(!c.levelMeter->isHidden(), meter <= 0);
        if (meter <= 0)
            QCOMPARE(c.levelMeter->value(), meter);
        QCOMPARE(c.levelMeter->clipped(), clipped);
        QCOMPARE(c.noSound->isHidden() ? QString() : c.noSound->accessibleName(), warning);
        QCOMPARE(FakeNotifyIcon::last->tip, tip.isEmpty() ? QStringLiteral("Right Click For Options") : tip);
        form.Form_Unload();
    }

    // The handlers on a window: what they send and what they show.
    void timersOnTheWindow()
    {
        TestServices services(m_app.path());
        ui::Form8 form(services.services);
        form.Form_Load();
        auto& c = form.controls();
        QCOMPARE(c.Text3->text(), QStringLiteral("Text3")); // layout text until the first tick

        services.mci.clear();
        form.Timer1_Timer();
        QCOMPARE(services.mci.commands, QStringList({QStringLiteral("status capture mode")}));
        QCOMPARE(c.Text3->text(), QStringLiteral("READY"));

        services.mci.clear();
        services.mci.lengthReply = QStringLiteral("1764000");
        form.Timer2_Timer();
        QCOMPARE(
            services.mci.commands,
            QStringList({QStringLiteral("set capture time format bytes"), QStringLiteral("status capture length")}));
        QCOMPARE(c.Text4->text(), QStringLiteral("1.764"));

        // No device (an MP3 save closed it): empty status, size 0.
        services.mci.sendString("close all", nullptr, 0);
        form.Timer1_Timer();
        form.Timer2_Timer();
        QCOMPARE(c.Text3->text(), QString());
        QCOMPARE(c.Text4->text(), QStringLiteral("0"));

        // The clock counts whole seconds from the start stamp, even when ticks come late.
        services.clock.current = QDateTime(QDate(2026, 5, 1), QTime(10, 0, 0, 900));
        c.Command2->click();
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:00"));
        services.clock.advance(1);
        form.Timer3_Timer();
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:01"));
        services.clock.advance(2);
        form.Timer3_Timer();
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:03"));
        services.clock.advance(-60);
        form.Timer3_Timer();
        QCOMPARE(c.Text1->text(), QStringLiteral("00:00:00"));
        form.Form_Unload();
    }
};

QTEST_MAIN(TestStatusMonitor)
#include "tst_statusmonitor.moc"
