// SPDX-License-Identifier: GPL-3.0-or-later
// The save dialog, the help menu and the About window: their texts, and one of each at most.

#include "dialogs.h"
#include "doubles.h"
#include "form8.h"

#include <QTemporaryDir>
#include <QTest>

using namespace quorvel;
using namespace quorvel::test;

class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    std::unique_ptr<TestServices> m_services;
    QPointer<ui::Form8> m_main;

    static int windowsNamed(const char* name)
    {
        int count = 0;
        for (QWidget* w : QApplication::topLevelWidgets())
            count += w->objectName() == QLatin1String(name) && w->isVisible();
        return count;
    }

private slots:
    void init()
    {
        m_services = std::make_unique<TestServices>(m_app.path());
        m_main = ui::Form8::load(m_services->services);
    }

    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            w->close();
        QTRY_VERIFY(!m_main);
        QTRY_VERIFY(!ui::Form10::instance() && !ui::Form1::instance() && !ui::Form2::instance());
    }

    void saveDialog()
    {
        auto& c = m_main->controls();
        c.Command5->setEnabled(true);
        c.Command5->click();
        c.Command5->click();
        m_main->controls().save->setEnabled(true);
        m_main->controls().save->trigger();
        QCOMPARE(windowsNamed("Form10"), 1);
        ui::Form10* dialog = ui::Form10::instance();
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Save"));
        QCOMPARE(dialog->size(), QSize(279, 165));
        QCOMPARE(dialog->Label1->text(),
                 QStringLiteral("Type a name for your sound. It will be saved in the root of your C Drive"));
        QCOMPARE(dialog->Label2->text(),
                 QStringLiteral("NB: Saving a large file ( over 100mb ) may take a few minutes.During this time the "
                                "program may appear to hang. Please be patient while your file is written to disk."));
        QCOMPARE(dialog->Command1->text(), QStringLiteral("Save"));
        QCOMPARE(dialog->Text1->text(), QString());
        QCOMPARE(dialog->focusWidget(), dialog->Text1);
        QCOMPARE(dialog->Label1->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
        QVERIFY(dialog->Label2->wordWrap());
        QCOMPARE(dialog->palette().color(QPalette::Window), QColor(192, 192, 255));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(!(dialog->windowFlags() & Qt::WindowMinimizeButtonHint));
        QVERIFY(!dialog->isModal());

        // Closed by its close box: nothing saved, and the next one starts empty.
        dialog->Text1->setText(QStringLiteral("abc"));
        dialog->close();
        QTRY_VERIFY(!ui::Form10::instance());
        QVERIFY(m_services->mci.actions().filter(QStringLiteral("save")).isEmpty());
        c.Command5->click();
        QCOMPARE(ui::Form10::instance()->Text1->text(), QString());
    }

    void helpMenuAndAbout()
    {
        auto& c = m_main->controls();
        c.Command6->click();
        c.Command6->click();
        QCOMPARE(windowsNamed("Form1"), 1);
        ui::Form1* help = ui::Form1::instance();
        QCOMPARE(help->windowTitle(), QStringLiteral("Options"));
        QCOMPARE(help->size(), QSize(319, 173));
        QCOMPARE(help->Label1->text(), QStringLiteral("Press F1 At Anytime To View The Helpfile"));
        QCOMPARE(help->Command2->text(), QStringLiteral("Version Info"));
        QCOMPARE(help->Command4->text(), QStringLiteral("Exit"));

        help->Command2->click();
        help->Command2->click();
        QCOMPARE(windowsNamed("Form2"), 1);
        ui::Form2* about = ui::Form2::instance();
        QCOMPARE(about->windowTitle(), QStringLiteral("Version Info"));
        QCOMPARE(about->size(), QSize(360, 193));
        QCOMPARE(about->Label6->text(), QStringLiteral("Quorvel"));
        QVERIFY(about->Label6->font().bold());
        QCOMPARE(about->Label5->text(), QStringLiteral("Version 2.0"));
        QCOMPARE(about->Label1->text(), QStringLiteral("Designed And Programmed By:"));
        QCOMPARE(about->Label2->text(), QStringLiteral("The Quorvel developers"));
        QCOMPARE(about->Label3->text(), QStringLiteral("Quorvel project"));
        QCOMPARE(about->Label4->text(), QStringLiteral("Edinburgh")); // the makers' town
        QCOMPARE(about->Label7->text(), ui::homepage());
        QVERIFY(!ui::homepage().isEmpty());
        QCOMPARE(about->Label7->palette().color(QPalette::WindowText), QColor(0, 0, 255));

        QTest::mouseClick(about->Label7, Qt::LeftButton);
        QCOMPARE(m_services->desktop.urls, QList<QUrl>({QUrl(ui::homepage())}));
        QVERIFY(about->isVisible());
        // A press dragged off the address is no click; Enter and Space on it open it.
        QTest::mousePress(about->Label7, Qt::LeftButton);
        QTest::mouseRelease(about->Label7, Qt::LeftButton, {}, QPoint(-20, -20));
        QCOMPARE(m_services->desktop.urls.size(), 1);
        QVERIFY(about->Label7->focusPolicy() & Qt::TabFocus);
        QTest::keyClick(about->Label7, Qt::Key_Return);
        QTest::keyClick(about->Label7, Qt::Key_Space);
        QCOMPARE(m_services->desktop.urls.size(), 3);

        // "Exit" closes the help menu only.
        help->Command4->click();
        QTRY_VERIFY(!ui::Form1::instance());
        QVERIFY(about->isVisible());
        QVERIFY(m_main->isVisible());
    }
};

QTEST_MAIN(TestDialogs)
#include "tst_dialogs.moc"
