// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "form8controls.h"
#include "recordercontext.h"
#include "services.h"
#include "startup.h"
#include "trayicon.h"

#include <QPoint>
#include <QWidget>

namespace quorvel::ui {

// The main window. It holds its controls and names its handlers; each handler's body lives with
// its subsystem (the transport and status monitor in recorder/, start-up and shutdown in shell/).
class Form8 : public QWidget
{
    Q_OBJECT

public:
    explicit Form8(platform::Services& services, QWidget* parent = nullptr);
    ~Form8() override;

    // Creates the main window, runs its start-up sequence and shows it unless that hid it.
    static Form8* load(platform::Services& services);

    Form8Controls& controls() { return m_c; }

    // Start-up and shutdown. Form_Unload runs once, however the window goes.
    shell::StartVisibility Form_Load();
    void Form_Unload();

    // Transport: buttons and tray menu items.
    void Command2_Click();
    void rec_Click();
    void Command3_Click();
    void stop2_Click();
    void Command4_Click();
    void testplay_Click();
    void Command1_Click();
    void reset_Click();

    // Status monitor.
    void Timer1_Timer();
    void Timer2_Timer();
    void Timer3_Timer();
    void increment();

    // Auto-stop and the option groups.
    void Timer4_Timer();
    void meterTimer_Timer();
    void Check1_Click();
    void Check2_Click();
    void Check4_Click();
    void HScroll1_Change();
    void HScroll2_Change();

    // Saving, converting, help.
    void Command5_Click();
    void save_Click();
    void Command10_Click();
    void Command6_Click();

    // The main window that is loaded now, if any: the dialogs read its options.
    static Form8* current();

    // Window behaviours.
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void exit2_Click();

signals:
    // Reset put a fresh main window in this one's place.
    void reloaded(quorvel::ui::Form8* next);

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void connectHandlers();
    // Reset: the whole shutdown, then a new main window through the whole start-up, shown.
    Form8* unloadAndShowAgain();
    recorder::RecorderContext recorderContext();
    shell::ShellContext shellContext();

    platform::Services& m_services;
    Form8Controls m_c;
    shell::TrayIcon m_tray;
    bool m_loaded = false;
    QPoint m_grab;
    bool m_dragging = false;
    int m_meterBeat = 0; // Timer2's ticks, of which every third moves the meter
    QString m_inputWarning; // what the tray icon's tip says of the input now
};

} // namespace quorvel::ui
