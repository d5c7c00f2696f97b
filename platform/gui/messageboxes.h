// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

namespace quorvel::platform {

// Message box styles and answers, by their classic numbers.
namespace box {
inline constexpr int okOnly = 0; // OK, no icon
inline constexpr int okCritical = 16; // OK, error icon
inline constexpr int okExclamation = 48; // OK, warning icon
inline constexpr int okInformation = 64; // OK, information icon
inline constexpr int yesNoInformation = 68; // Yes and No, information icon
inline constexpr int yesNoExclamation = 52; // Yes and No, warning icon
inline constexpr int answerOk = 1;
inline constexpr int answerYes = 6;
inline constexpr int answerNo = 7;
} // namespace box

// Modal questions and reports. Returns the answer: 1 (OK), 6 (Yes) or 7 (No).
class MessageBoxes
{
public:
    virtual ~MessageBoxes() = default;
    virtual int show(QWidget* owner, const QString& text, int style, const QString& title) = 0;
};

MessageBoxes& systemMessageBoxes();

} // namespace quorvel::platform
