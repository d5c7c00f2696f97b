// SPDX-License-Identifier: GPL-3.0-or-later
// Auto-stop: Timer4's size and length rules, ticked by the test against a device double.

#include "autostop.h"
#include "doubles.h"
#include "form8.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvel;
using namespace quorvel::test;

namespace {

const QString sizeMessage = QLatin1String(recorder::sizeReachedMessage);
const QString lengthMessage = QLatin1String(recorder::lengthReachedMessage);

// What a stop may change, and everything it must leave alone: every control's enabled, visible
// and text, every tray item's visibility and own enabled setting.
QMap<QString, QString> snapshot(ui::Form8& form)
{
    QMap<QString, QString> values;
    for (const QWidget* w : form.findChildren<QWidget*>()) {
        if (w->objectName().isEmpty() || w->objectName().startsWith(QLatin1String("qt_")))
            continue;
        values[w->objectName() + QStringLiteral(".enabled")] = w->testAttribute(Qt::WA_Disabled) ? u"0"_qs : u"1"_qs;
        values[w->objectName() + QStringLiteral(".visible")] = w->isHidden() ? u"0"_qs : u"1"_qs;
        if (const auto* edit = qobject_cast<const QLineEdit*>(w))
            values[w->objectName() + QStringLiteral(".text")] = edit->text();
    }
    for (const QAction* item : form.controls().mnuTray->actions()) {
        values[item->objectName() + QStringLiteral(".visible")] = item->isVisible() ? u"1"_qs : u"0"_qs;
        values[item->objectName() + QStringLiteral(".enabled")] = ui::itemEnabled(item) ? u"1"_qs : u"0"_qs;
    }
    return values;
}

} // namespace

class TestAutoStop : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    std::unique_ptr<TestServices> m_services;
    ui::Form8* m_form = nullptr;

    ui::Form8Controls& c() { return m_form->controls(); }

    // One Timer4 tick, through the timer's own signal; the size display is brought up to date first,
    // as Timer2 does many times between two ticks.
    void tick(qint64 recordedBytes)
    {
        m_services->mci.lengthReply = QString::number(recordedBytes);
        m_form->Timer2_Timer();
        QMetaObject::invokeMethod(c().Timer4, "timeout");
    }

    // Ticks until auto-stop stops Timer4; the tick it stopped at, or -1 within the limit.
    int ticksUntilStop(qint64 bytesPerTick, int limit)
    {
        for (int n = 1; n <= limit; ++n) {
            tick(bytesPerTick * n);
            if (!c().Timer4->isActive())
                return n;
        }
        return -1;
    }

private slots:
    void init()
    {
        m_services = std::make_unique<TestServices>(m_app.path());
        m_form = new ui::Form8(m_services->services);
        m_form->Form_Load();
        m_form->show();
    }

    void cleanup()
    {
        delete m_form;
        QLocale::setDefault(QLocale::c());
    }

    void rules_data()
    {
        QTest::addColumn<int>("check1");
        QTest::addColumn<int>("check2");
        QTest::addColumn<QString>("text5");
        QTest::addColumn<QString>("text6");
        QTest::addColumn<qint64>("bytesPerTick");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<int>("stopTick"); // -1: no stop
        QTest::addColumn<QStringList>("messages");

        const QStringList size {sizeMessage}, length {lengthMessage}, none;
        QTest::newRow("size: first tick that shows the target") << 1 << 0 << "1"
                                                                << "70" << 250000ll << "C" << 4 << size;
        QTest::newRow("size: a fraction") << 1 << 0 << "1.5"
                                          << "70" << 300000ll << "C" << 5 << size;
        QTest::newRow("size: display in a comma locale") << 1 << 0 << "1.2"
                                                         << "70" << 1500000ll << "de_DE" << 1 << size;
        QTest::newRow("size: display in native digits (Arabic)") << 1 << 0 << "1.2"
                                                                 << "70" << 1500000ll << "ar_EG" << 1 << size;
        QTest::newRow("size: display in native digits (Bengali)") << 1 << 0 << "1.2"
                                                                  << "70" << 1500000ll << "bn_BD" << 1 << size;
        QTest::newRow("size: typed past the slider's end") << 1 << 0 << "1500"
                                                           << "70" << 100000000ll << "C" << 15 << size;
        QTest::newRow("size: empty target") << 1 << 0 << ""
                                            << "70" << 0ll << "C" << 1 << size;
        QTest::newRow("size: letters") << 1 << 0 << "abc"
                                       << "70" << 0ll << "C" << 1 << size;
        QTest::newRow("size: blanks in a number") << 1 << 0 << " 1 0"
                                                  << "70" << 1000000ll << "C" << 10 << size;
        QTest::newRow("length: one minute") << 0 << 1 << "700"
                                            << "1" << 0ll << "C" << 60 << length;
        QTest::newRow("length: a minute and a half") << 0 << 1 << "700"
                                                     << "1.5" << 0ll << "C" << 90 << length;
        QTest::newRow("length: 1000 minutes, past 16 bits") << 0 << 1 << "700"
                                                            << "1000" << 0ll << "C" << 60000 << length;
        QTest::newRow("both passed in one tick: size wins") << 1 << 1 << "1"
                                                            << "1" << 1000000ll / 60 + 1 << "C" << 60 << size;
        QTest::newRow("size with a length target of 0: both")
            << 1 << 1 << "1"
            << "0" << 1000000ll << "C" << 1 << QStringList {sizeMessage, lengthMessage};
        QTest::newRow("grayed size box never stops") << 2 << 0 << ""
                                                     << "70" << 0ll << "C" << -1 << none;
        QTest::newRow("grayed length box never stops") << 0 << 2 << "700"
                                                       << "0" << 0ll << "C" << -1 << none;
        QTest::newRow("both off") << 0 << 0 << ""
                                  << "" << 0ll << "C" << -1 << none;
    }

    void rules()
    {
        QFETCH(int, check1);
        QFETCH(int, check2);
        QFETCH(QString, text5);
        QFETCH(QString, text6);
        QFETCH(qint64, bytesPerTick);
        QFETCH(QString, locale);
        QFETCH(int, stopTick);
        QFETCH(QStringList, messages);
        QLocale::setDefault(QLocale(locale));
        ui::setCheckValue(c().Check1, check1);
        ui::setCheckValue(c().Check2, check2);
        const QMap<QString, QString> groups = snapshot(*m_form);
        c().Text5->setText(text5);
        c().Text6->setText(text6);
        c().Command2->click();

        QCOMPARE(ticksUntilStop(bytesPerTick, stopTick < 0 ? 200 : stopTick), stopTick);
        QCOMPARE(m_services->boxes.texts(), messages);
        for (const auto& shown : m_services->boxes.shown) {
            QCOMPARE(shown.style, 64);
            QCOMPARE(shown.title, QStringLiteral("Quorvel"));
        }
        if (stopTick < 0) {
            // A grayed box leaves its group as it found it.
            for (const char* name : {"Text5", "Label8", "HScroll1", "Text6", "Label10", "HScroll2"}) {
                const QString key = QLatin1String(name) + QStringLiteral(".enabled");
                QCOMPARE(snapshot(*m_form).value(key), groups.value(key));
            }
        } else {
            QCOMPARE(c().autoStopSeconds, 0);
        }
    }

    // Hidden in the tray while recording, the size display rests; auto-stop reads the size as it
    // is at its tick, and the window shown again shows it at once and follows it again.
    void hiddenRecordingIsReadWhenItMatters()
    {
        ui::setCheckValue(c().Check1, 1);
        c().Text5->setText(QStringLiteral("1"));
        c().Command2->click();
        m_form->hide();
        m_services->mci.lengthReply = QStringLiteral("250000");
        QMetaObject::invokeMethod(c().Timer2, "timeout");
        QVERIFY(!c().Timer2->isActive());
        QVERIFY(c().Text4->text() != QStringLiteral("0.25"));
        m_form->show();
        QCOMPARE(c().Text4->text(), QStringLiteral("0.25"));
        QVERIFY(c().Timer2->isActive());
        m_form->hide();
        QMetaObject::invokeMethod(c().Timer2, "timeout");
        m_services->mci.lengthReply = QStringLiteral("1000000");
        QMetaObject::invokeMethod(c().Timer4, "timeout"); // no Timer2 tick between
        QCOMPARE(m_services->boxes.texts(), QStringList {sizeMessage});
    }

    // Typed text is the target until the slider moves and writes its own value over it.
    void typedTargetHoldsUntilTheSliderMoves()
    {
        ui::setCheckValue(c().Check1, 1);
        c().Text5->setText(QStringLiteral("1500"));
        c().Command2->click();
        tick(1000000000);
        QVERIFY(c().Timer4->isActive());
        c().HScroll1->setValue(999);
        tick(1000000000);
        QVERIFY(!c().Timer4->isActive());
    }

    void stopChangesOnlyTheTransport_data()
    {
        QTest::addColumn<bool>("bySize");
        QTest::newRow("by size") << true;
        QTest::newRow("by length") << false;
    }

    void stopChangesOnlyTheTransport()
    {
        QFETCH(bool, bySize);
        ui::setCheckValue(bySize ? c().Check1 : c().Check2, 1);
        c().Text5->setText(QStringLiteral("1"));
        c().Text6->setText(QStringLiteral("1"));
        c().Command2->click();
        for (int n = 1; n < 60; ++n)
            tick(n * 1000);
        QVERIFY(c().Timer4->isActive());
        const QMap<QString, QString> before = snapshot(*m_form);
        m_services->mci.clear();

        tick(bySize ? 1000000 : 60000);
        QCOMPARE(m_services->mci.actions(), QStringList {QStringLiteral("stop capture")});
        QVERIFY(!c().Timer3->isActive());
        QVERIFY(!c().Timer4->isActive());
        QMap<QString, QString> expected = before;
        expected[u"Command1.enabled"_qs] = u"1"_qs;
        expected[u"Command3.enabled"_qs] = u"0"_qs;
        expected[u"Command2.enabled"_qs] = u"0"_qs;
        expected[u"Command4.enabled"_qs] = u"1"_qs;
        expected[u"Command5.enabled"_qs] = u"1"_qs;
        expected[u"save.enabled"_qs] = u"1"_qs;
        expected[u"reset.enabled"_qs] = u"1"_qs;
        expected[u"stop2.enabled"_qs] = u"0"_qs;
        expected[u"rec.enabled"_qs] = u"0"_qs;
        // The size display is read before this tick's Timer2 text: compare what the tick left.
        expected[u"Text4.text"_qs] = c().Text4->text();
        QCOMPARE(snapshot(*m_form), expected);
        QCOMPARE(c().Text4->text(), bySize ? u"1"_qs : u"0.06"_qs);
    }

    void typedNumbers_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("point");
        QTest::addColumn<double>("value");
        QTest::newRow("whole") << "700"
                               << "." << 700.0;
        QTest::newRow("fraction") << "0.1"
                                  << "." << 0.1;
        QTest::newRow("leading point") << ".5"
                                       << "." << 0.5;
        QTest::newRow("blanks anywhere") << "  1 2 .5"
                                         << "." << 12.5;
        QTest::newRow("negative") << "-3"
                                  << "." << -3.0;
        QTest::newRow("trailing text") << "15MB"
                                       << "." << 15.0;
        QTest::newRow("comma is not the point") << "1,5"
                                                << "." << 1.0;
        QTest::newRow("comma locale") << "1,5"
                                      << "," << 1.5;
        QTest::newRow("second point ends it") << "1.2.3"
                                              << "." << 1.2;
        QTest::newRow("letters") << "abc"
                                 << "." << 0.0;
        QTest::newRow("empty") << ""
                               << "." << 0.0;
        QTest::newRow("sign alone") << "-"
                                    << "." << 0.0;
        QTest::newRow("no exponent") << "1e999"
                                     << "." << 1.0;
    }

    void typedNumbers()
    {
        QFETCH(QString, text);
        QFETCH(QString, point);
        QFETCH(double, value);
        QCOMPARE(recorder::typedNumber(text, point), value);
    }
};

QTEST_MAIN(TestAutoStop)
#include "tst_autostop.moc"
