// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ui_Form1.h"
#include "ui_Form10.h"
#include "ui_Form2.h"

#include "services.h"

#include <QPointer>
#include <QWidget>

namespace quorvel::ui {

// The three small windows. Each is shown modeless, exists at most once, is created on its first
// show and discarded when it closes; showing it again while it is open brings it forward.

// "Save": the name for the recording.
class Form10 : public QWidget, public Ui::Form10
{
    Q_OBJECT

public:
    // Shown for the recording of the main window that is loaded now.
    static Form10* showDialog(platform::Services& services);
    static Form10* instance();

    void Command1_Click();

private:
    explicit Form10(platform::Services& services);
    platform::Services& m_services;
};

// "Options": the help menu.
class Form1 : public QWidget, public Ui::Form1
{
    Q_OBJECT

public:
    static Form1* showDialog(platform::Services& services);
    static Form1* instance();

    void Command2_Click(); // "Version Info"
    void Command4_Click(); // "Exit": this window only

private:
    explicit Form1(platform::Services& services);
    platform::Services& m_services;
};

// "Version Info": the About window.
class Form2 : public QWidget, public Ui::Form2
{
    Q_OBJECT

public:
    static Form2* showDialog(platform::Services& services);
    static Form2* instance();

    void Label7_Click(); // the maker's web site

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit Form2(platform::Services& services);
    platform::Services& m_services;
    bool m_labelPressed = false;
};

// The maker's web address, fixed when the program is built.
QString homepage();

} // namespace quorvel::ui
