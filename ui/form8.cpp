// SPDX-License-Identifier: GPL-3.0-or-later
#include "form8.h"

#include "autostop.h"
#include "capturecommands.h"
#include "conversion.h"
#include "dialogs.h"
#include "help.h"
#include "lifetime.h"
#include "settingsfile.h"
#include "skin.h"
#include "startwithlogin.h"
#include "statusmonitor.h"
#include "transport.h"
#include "windowsystem.h"

#include <QCloseEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QShortcut>
#include <QTimer>

#include <cstdio>

static void registerFormResources()
{
    Q_INIT_RESOURCE(forms);
}

namespace quorvel::ui {

namespace {
QPointer<Form8> s_current;
constexpr int expandedHeightTwips = 6500;
constexpr int compactHeightTwips = 2150;

int clientHeight(int windowTwips)
{
    return (windowTwips - shell::nonClientTwips) / 15;
}
} // namespace

Form8::Form8(platform::Services& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_tray(services.notifyIcons)
{
    registerFormResources();
    setAttribute(Qt::WA_DeleteOnClose);
    // Before the controls take their fonts, so the first window looks like every later one.
    platform::useClassicFontFaces();
    m_c.setupControls(this);
    setWindowIcon(QIcon(QStringLiteral(":/ui/icons/quorvel.png")));
    m_c.Picture2->setPixmap(QPixmap(QStringLiteral(":/ui/icons/tray.png")));
    // A fixed size and no maximise box: only Toggle changes the height.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    platform::holdWindowSize(this, size());
    // The quality list is an editable box: it shows its label from the first character.
    connect(m_c.cbxformat, &QComboBox::currentIndexChanged, this, [this] {
        if (m_c.cbxformat->lineEdit())
            m_c.cbxformat->lineEdit()->setCursorPosition(0);
    });
    // A label typed in is chosen if it is one of the list's; anything else gives way to the preset
    // a recording will use, so the box never shows a quality that is not the one in force.
    if (QLineEdit* typed = m_c.cbxformat->lineEdit()) {
        connect(typed, &QLineEdit::editingFinished, this, [this, typed] {
            const int match = m_c.cbxformat->findText(typed->text(), Qt::MatchFixedString);
            if (match >= 0)
                m_c.cbxformat->setCurrentIndex(match);
            typed->setText(m_c.cbxformat->itemText(m_c.cbxformat->currentIndex()));
            typed->setCursorPosition(0);
        });
    }
    shell::catchF1(this, services);
    connectHandlers();
    // Alt and a letter of the caption presses a transport button, as a mnemonic would, without
    // underlining the caption. Reset has none: one chord would discard the take; it is reached by
    // Tab and Space.
    const std::pair<QPushButton*, char> keys[] = {
        {m_c.Command2, 'R'},
        {m_c.Command3, 'S'},
        {m_c.Command4, 'L'},
        {m_c.Command5, 'A'},
    };
    for (const auto& [button, letter] : keys) {
        auto* shortcut = new QShortcut(QKeySequence(Qt::ALT | Qt::Key(letter)), this);
        connect(shortcut, &QShortcut::activated, button, [button] {
            if (button->isVisible() && button->isEnabled())
                button->animateClick();
        });
    }
}

Form8::~Form8()
{
    Form_Unload();
}

Form8* Form8::load(platform::Services& services)
{
    auto* form = new Form8(services);
    switch (form->Form_Load()) {
    case shell::StartVisibility::Shown:
        form->show();
        break;
    case shell::StartVisibility::Minimized:
        platform::showMinimizedWhenMapped(form);
        break;
    case shell::StartVisibility::Hidden:
        break;
    }
    return form;
}

void Form8::connectHandlers()
{
    connect(m_c.Command2, &QPushButton::clicked, this, &Form8::Command2_Click);
    connect(m_c.Command3, &QPushButton::clicked, this, &Form8::Command3_Click);
    connect(m_c.Command4, &QPushButton::clicked, this, &Form8::Command4_Click);
    connect(m_c.Command1, &QPushButton::clicked, this, &Form8::Command1_Click);
    connect(m_c.rec, &QAction::triggered, this, &Form8::rec_Click);
    connect(m_c.stop2, &QAction::triggered, this, &Form8::stop2_Click);
    connect(m_c.testplay, &QAction::triggered, this, &Form8::testplay_Click);
    connect(m_c.reset, &QAction::triggered, this, &Form8::reset_Click);
    connect(m_c.exit2, &QAction::triggered, this, &Form8::exit2_Click);
    connect(m_c.Timer1, &QTimer::timeout, this, &Form8::Timer1_Timer);
    connect(m_c.Timer2, &QTimer::timeout, this, &Form8::Timer2_Timer);
    connect(m_c.Timer3, &QTimer::timeout, this, &Form8::Timer3_Timer);
    connect(m_c.Timer4, &QTimer::timeout, this, &Form8::Timer4_Timer);
    connect(m_c.meterTimer, &QTimer::timeout, this, &Form8::meterTimer_Timer);
    // A check box's handler runs whenever its value changes, by a click or by the settings.
    connect(m_c.Check1, &QCheckBox::stateChanged, this, &Form8::Check1_Click);
    connect(m_c.Check2, &QCheckBox::stateChanged, this, &Form8::Check2_Click);
    connect(m_c.Check4, &QCheckBox::stateChanged, this, &Form8::Check4_Click);
    connect(m_c.HScroll1, &QScrollBar::valueChanged, this, &Form8::HScroll1_Change);
    connect(m_c.HScroll2, &QScrollBar::valueChanged, this, &Form8::HScroll2_Change);
    connect(m_c.Command7, &QPushButton::clicked, this, &Form8::Command7_Click);
    connect(m_c.Command8, &QPushButton::clicked, this, &Form8::Command8_Click);
    connect(m_c.Command9, &QPushButton::clicked, this, &Form8::Command9_Click);
    connect(m_c.Command5, &QPushButton::clicked, this, &Form8::Command5_Click);
    connect(m_c.save, &QAction::triggered, this, &Form8::save_Click);
    connect(m_c.Command10, &QPushButton::clicked, this, &Form8::Command10_Click);
    connect(m_c.Command6, &QPushButton::clicked, this, &Form8::Command6_Click);
}

recorder::RecorderContext Form8::recorderContext()
{
    return {m_c, *m_services.mci, *m_services.clock, *m_services.keepAwake};
}

shell::ShellContext Form8::shellContext()
{
    return {*this, m_c, m_services, m_tray};
}

shell::StartVisibility Form8::Form_Load()
{
    m_loaded = true;
    s_current = this;
    shell::LoadedWindows::instance().loaded(this);
    auto ctx = shellContext();
    return shell::formLoad(ctx);
}

void Form8::Form_Unload()
{
    if (!m_loaded)
        return;
    m_loaded = false;
    if (s_current == this)
        s_current = nullptr;
    auto ctx = shellContext();
    shell::formUnload(ctx);
    shell::LoadedWindows::instance().unloaded(this);
}

void Form8::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

Form8* Form8::unloadAndShowAgain()
{
    Form_Unload();
    // Hidden, not closed: the program must not end between the two windows.
    hide();
    deleteLater();
    auto* next = new Form8(m_services);
    next->Form_Load();
    next->show();
    emit reloaded(next);
    return next;
}

void Form8::Command2_Click()
{
    // Stop takes Record's place and its keyboard focus with it: Space starts and stops a recording,
    // and the focus does not wander into the text box hidden behind the "Auto Stop Options" panel.
    const bool focused = focusWidget() == m_c.Command2;
    auto ctx = recorderContext();
    recorder::record(ctx);
    // A recording that could not start at all is said at once.
    recorder::followDevice(ctx, recorder::query(ctx.mci, recorder::command::statusMode), *m_services.messageBoxes,
                           this);
    meterTimer_Timer();
    if (focused && m_c.Command3->isVisible() && m_c.Command3->isEnabled())
        m_c.Command3->setFocus(Qt::OtherFocusReason);
}

void Form8::rec_Click()
{
    Command2_Click();
}

void Form8::Command3_Click()
{
    auto ctx = recorderContext();
    recorder::stop(ctx);
}

void Form8::stop2_Click()
{
    Command3_Click();
}

void Form8::Command4_Click()
{
    auto ctx = recorderContext();
    recorder::listen(ctx);
    meterTimer_Timer();
}

void Form8::testplay_Click()
{
    Command4_Click();
}

void Form8::Command1_Click()
{
    Form8* next = unloadAndShowAgain();
    next->m_c.Text1->setText(QStringLiteral("00:00:00"));
}

void Form8::reset_Click()
{
    // The tray's Reset is the button's Reset; it writes no file of its own.
    Command1_Click();
}

void Form8::Timer1_Timer()
{
    auto ctx = recorderContext();
    const QString mode = recorder::showDeviceStatus(ctx);
    recorder::followDevice(ctx, mode, *m_services.messageBoxes, this);
    const QString warning = recorder::showInputWarnings(ctx);
    if (warning != m_inputWarning) {
        m_inputWarning = warning;
        m_tray.SetTrayTip(warning.isEmpty() ? QString::fromLatin1(shell::trayTip) : warning);
    }
}

void Form8::meterTimer_Timer()
{
    // Hidden in the tray, nobody sees the meter: it rests until the window shows again. While the
    // size display's timer runs (recording), the meter takes its ticks and wakes nobody itself.
    auto ctx = recorderContext();
    const bool follows = !isHidden() && recorder::showLevel(ctx);
    const bool ownTicks = follows && !m_c.Timer2->isActive();
    if (ownTicks != m_c.meterTimer->isActive()) {
        if (ownTicks)
            m_c.meterTimer->start();
        else
            m_c.meterTimer->stop();
    }
}

void Form8::Timer2_Timer()
{
    // Hidden in the tray while recording, nobody reads the size but auto-stop: Timer2 rests, and
    // the size is brought up to date when it is read (Timer4's tick, the window shown again).
    if (isHidden() && testAttribute(Qt::WA_WState_ExplicitShowHide) && m_c.Timer3->isActive()) {
        m_c.Timer2->stop();
        return;
    }
    auto ctx = recorderContext();
    recorder::showRecordingSize(ctx);
    // The meter rides on every third of these ticks (57 ms), and on its own timer once they end.
    if (!m_c.Timer2->isActive() || ++m_meterBeat % 3 == 0)
        meterTimer_Timer();
}

void Form8::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_c.Timer3->isActive() && !m_c.Timer2->isActive()) {
        auto ctx = recorderContext();
        recorder::showRecordingSize(ctx);
        m_c.Timer2->start();
    }
    meterTimer_Timer();
}

void Form8::Timer3_Timer()
{
    increment();
}

void Form8::increment()
{
    auto ctx = recorderContext();
    recorder::increment(ctx);
}

void Form8::Timer4_Timer()
{
    auto ctx = recorderContext();
    if (!m_c.Timer2->isActive() && m_c.Timer3->isActive())
        recorder::showRecordingSize(ctx); // resting while hidden: the rule reads the size as it is now
    recorder::Timer4_Timer(ctx, *m_services.messageBoxes, this);
}

void Form8::Check1_Click()
{
    recorder::Check1_Click(m_c);
}

void Form8::Check2_Click()
{
    recorder::Check2_Click(m_c);
}

void Form8::Check4_Click()
{
    const QString why = shell::Check4_Click(m_c, m_services.files);
    if (why.isEmpty())
        return;
    // Said to the user who ticked the box; a start-up that re-places the shortcut only notes it.
    if (isVisible())
        m_services.messageBoxes->show(
            this, QStringLiteral("Quorvel could not be set to start when you log in: ") + why + QLatin1Char('.'),
            platform::box::okExclamation, QLatin1String(applicationTitle));
    else
        std::fprintf(stderr, "quorvel: could not be set to start at log-in: %s\n", why.toLocal8Bit().constData());
}

void Form8::HScroll1_Change()
{
    recorder::HScroll1_Change(m_c);
}

void Form8::HScroll2_Change()
{
    recorder::HScroll2_Change(m_c);
}

void Form8::Command5_Click()
{
    Form10::showDialog(m_services);
}

void Form8::save_Click()
{
    Command5_Click();
}

void Form8::Command10_Click()
{
    output::convertWavToMp3(this, m_services);
}

void Form8::Command6_Click()
{
    Form1::showDialog(m_services);
}

Form8* Form8::current()
{
    return s_current;
}

void Form8::Command7_Click()
{
    if (m_tray.isAvailable())
        hide();
    else
        showMinimized();
}

void Form8::Command8_Click()
{
    platform::holdWindowSize(this, QSize(width(), clientHeight(expandedHeightTwips)));
    m_c.Command8->setVisible(false);
    m_c.Command9->setVisible(true);
}

void Form8::Command9_Click()
{
    platform::holdWindowSize(this, QSize(width(), clientHeight(compactHeightTwips)));
    m_c.Command9->setVisible(false);
    m_c.Command8->setVisible(true);
}

void Form8::exit2_Click()
{
    close();
}

void Form8::mousePressEvent(QMouseEvent* event)
{
    // Only the window's own surface drags it: a press that a frame, label or other control let
    // through does not.
    m_dragging = event->buttons() == Qt::LeftButton && !childAt(event->position().toPoint());
    m_grab = event->position().toPoint();
    // The window system moves it where it can (on Wayland nothing else can); otherwise we do.
    if (m_dragging && platform::startWindowMove(this))
        m_dragging = false;
    QWidget::mousePressEvent(event);
}

void Form8::mouseMoveEvent(QMouseEvent* event)
{
    // Dragging with the left button alone moves the window.
    if (m_dragging && event->buttons() == Qt::LeftButton)
        move(pos() + event->position().toPoint() - m_grab);
    QWidget::mouseMoveEvent(event);
}

void Form8::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton)
        m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}

} // namespace quorvel::ui
