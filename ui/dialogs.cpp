// SPDX-License-Identifier: GPL-3.0-or-later
#include "dialogs.h"

#include "form8.h"
#include "help.h"
#include "lifetime.h"
#include "saveflow.h"
#include "skin.h"
#include "windowsystem.h"

#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QShortcut>

namespace quorvel::ui {

namespace {

QPointer<Form10> g_form10;
QPointer<Form1> g_form1;
QPointer<Form2> g_form2;

// Fixed size, no maximise or minimise box, centred on the screen, gone when closed; loaded while
// it exists, and F1 opens the help.
void prepare(QWidget* dialog, platform::Services& services)
{
    shell::LoadedWindows::instance().loadedUntilDestroyed(dialog);
    shell::catchF1(dialog, services);
    // The small windows' own font, for the controls that name none: the classic dialog face, whose
    // width the layouts were made for.
    platform::useClassicFontFaces();
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSizeF(8.25);
    dialog->setFont(font);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
                           | Qt::MSWindowsFixedSizeDialogHint);
    platform::holdWindowSize(dialog, dialog->size());
    dialog->setWindowIcon(QIcon(QStringLiteral(":/ui/icons/quorvel.png")));
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame = dialog->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        dialog->move(frame.topLeft());
    }
}

template<class Dialog>
Dialog* showSingle(QPointer<Dialog>& slot, Dialog* (*create)(platform::Services&), platform::Services& services)
{
    if (!slot)
        slot = create(services);
    slot->show();
    slot->raise();
    slot->activateWindow();
    return slot;
}

} // namespace

QString homepage()
{
    return QStringLiteral(QUORVEL_HOMEPAGE);
}

Form10::Form10(platform::Services& services)
    : m_services(services)
{
    setupUi(this);
    prepare(this, services);
    connect(Command1, &QPushButton::clicked, this, &Form10::Command1_Click);
    Text1->setAccessibleName(QStringLiteral("Name"));
    Text1->setAccessibleDescription(Label1->text());
    Label1->setBuddy(Text1);
    // Return in the name box saves; Escape closes the dialog.
    connect(Text1, &QLineEdit::returnPressed, this, &Form10::Command1_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    Text1->setFocus();
}

Form10* Form10::showDialog(platform::Services& services)
{
    Form10* dialog = showSingle<Form10>(
        g_form10, [](platform::Services& s) { return new Form10(s); }, services);
    return dialog;
}

Form10* Form10::instance()
{
    return g_form10;
}

void Form10::Command1_Click()
{
    // Whatever take the device holds now is saved (one recorded after a Reset too); with the main
    // window gone, its device and take went with it.
    Form8* main = Form8::current();
    output::SaveContext ctx {this, Text1->text(), main ? &main->controls() : nullptr, m_services, !main};
    if (output::saveRecording(ctx) != output::SaveResult::KeepDialogOpen)
        close();
}

Form1::Form1(platform::Services& services)
    : m_services(services)
{
    setupUi(this);
    prepare(this, services);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/ui/icons/tray.png")));
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
}

Form1* Form1::showDialog(platform::Services& services)
{
    return showSingle<Form1>(
        g_form1, [](platform::Services& s) { return new Form1(s); }, services);
}

Form1* Form1::instance()
{
    return g_form1;
}

void Form1::Command2_Click()
{
    Form2::showDialog(m_services);
}

void Form1::Command4_Click()
{
    close();
}

Form2::Form2(platform::Services& services)
    : m_services(services)
{
    setupUi(this);
    prepare(this, services);
    Picture1->setPixmap(QPixmap(QStringLiteral(":/ui/icons/tray.png")));
    Label7->setText(homepage());
    Label7->setCursor(Qt::PointingHandCursor);
    // A link: reached by Tab, opened by Enter or Space as well as by a click.
    Label7->setFocusPolicy(Qt::StrongFocus);
    Label7->setAccessibleName(homepage());
    Label7->setAccessibleDescription(QStringLiteral("Opens the maker's web site"));
    Label7->installEventFilter(this);
}

Form2* Form2::showDialog(platform::Services& services)
{
    return showSingle<Form2>(
        g_form2, [](platform::Services& s) { return new Form2(s); }, services);
}

Form2* Form2::instance()
{
    return g_form2;
}

bool Form2::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != Label7)
        return QWidget::eventFilter(watched, event);
    // A click is a press and a release over the address; a press elsewhere or a drag off it is not.
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        m_labelPressed = static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        break;
    case QEvent::MouseButtonRelease: {
        const auto* mouse = static_cast<QMouseEvent*>(event);
        const bool click = m_labelPressed && mouse->button() == Qt::LeftButton
            && Label7->rect().contains(mouse->position().toPoint());
        m_labelPressed = false;
        if (click)
            Label7_Click();
        break;
    }
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
            Label7_Click();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void Form2::Label7_Click()
{
    m_services.desktop->openUrl(QUrl(homepage()));
}

} // namespace quorvel::ui
