#include "settingsfile.h"

#include <QFile>
#include <QFileInfo>
#include <QRadioButton>
#include <QStringList>
#include <QWidget>

#include <cmath>
#include <optional>

namespace quorvel::shell {

namespace {

QString realText(double value)
{
    if (value == std::floor(value) && std::abs(value) < 1e15)
        return QString::number(static_cast<qint64>(value));
    QString text = QString::number(value, 'f', 6);
    while (text.endsWith(QLatin1Char('0')))
        text.chop(1);
    return text;
}

QString truthText(bool value)
{
    return value ? QStringLiteral("#TRUE#") : QStringLiteral("#FALSE#");
}

std::optional<double> number(const QStringList& fields, int index)
{
    if (index >= fields.size())
        return std::nullopt;
    bool ok = false;
    const double value = fields.at(index).trimmed().toDouble(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

// A 16-bit field within [low, high], rounded as a typed number would be.
std::optional<int> integer(const QStringList& fields, int index, int low, int high)
{
    const auto value = number(fields, index);
    if (!value)
        return std::nullopt;
    const double rounded = std::nearbyint(*value);
    if (rounded < low || rounded > high)
        return std::nullopt;
    return static_cast<int>(rounded);
}

std::optional<bool> truth(const QStringList& fields, int index)
{
    if (index >= fields.size())
        return std::nullopt;
    const QString text = fields.at(index).trimmed();
    if (text.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0)
        return true;
    if (text.compare(QLatin1String("#FALSE#"), Qt::CaseInsensitive) == 0)
        return false;
    return std::nullopt;
}

// Selecting one option button clears the other; clearing one selects nothing else.
void setOption(QRadioButton* button, bool value)
{
    if (button->isChecked() == value)
        return;
    if (value) {
        button->setChecked(true);
        return;
    }
    button->setAutoExclusive(false);
    button->setChecked(false);
    button->setAutoExclusive(true);
}

} // namespace

bool settingsFileExists(const QString& applicationFolder)
{
    const QFileInfo info(applicationFolder + QLatin1String(settingsFileName));
    return info.exists() && info.isFile();
}

QString settingsLine(const ui::Form8Controls& c, const QWidget& form)
{
    const QStringList fields = {
        QString::number(ui::checkValue(c.Check1)),
        QString::number(ui::checkValue(c.Check2)),
        QString::number(c.HScroll1->value()),
        QString::number(c.HScroll2->value()),
        QString::number(c.cbxformat->currentIndex()),
        realText(form.height() * 15.0 + nonClientTwips),
        realText(form.pos().x() * 15.0),
        realText(form.pos().y() * 15.0),
        QString::number(ui::checkValue(c.Check3)),
        QString::number(ui::checkValue(c.Check4)),
        truthText(c.Option1->isChecked()),
        truthText(c.Option2->isChecked()),
    };
    return fields.join(QLatin1Char(','));
}

bool writeSettings(const ui::Form8Controls& c, const QWidget& form, const QString& applicationFolder)
{
    QFile file(applicationFolder + QLatin1String(settingsFileName));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    const QByteArray line = settingsLine(c, form).toLatin1() + "\r\n";
    return file.write(line) == line.size() && file.flush();
}

void applySettingsLine(ui::Form8Controls& c, QWidget& form, const QString& line)
{
    const QStringList fields = line.split(QLatin1Char(','));
    if (const auto mp3 = truth(fields, 10))
        setOption(c.Option1, *mp3);
    if (const auto wav = truth(fields, 11))
        setOption(c.Option2, *wav);
    if (const auto value = integer(fields, 0, 0, 2))
        ui::setCheckValue(c.Check1, *value);
    if (const auto value = integer(fields, 1, 0, 2))
        ui::setCheckValue(c.Check2, *value);
    if (const auto value = integer(fields, 2, c.HScroll1->minimum(), c.HScroll1->maximum()))
        c.HScroll1->setValue(*value);
    if (const auto value = integer(fields, 3, c.HScroll2->minimum(), c.HScroll2->maximum()))
        c.HScroll2->setValue(*value);
    if (const auto value = integer(fields, 4, -1, c.cbxformat->count() - 1))
        c.cbxformat->setCurrentIndex(*value);
    const auto height = number(fields, 5);
    if (height)
        form.resize(form.width(), std::max(0, static_cast<int>(std::lround((*height - nonClientTwips) / 15.0))));
    const auto top = number(fields, 7);
    const auto left = number(fields, 6);
    if (top || left) {
        form.move(left ? static_cast<int>(std::lround(*left / 15.0)) : form.pos().x(),
                  top ? static_cast<int>(std::lround(*top / 15.0)) : form.pos().y());
    }
    if (const auto value = integer(fields, 8, 0, 2))
        ui::setCheckValue(c.Check3, *value);
    if (const auto value = integer(fields, 9, 0, 2))
        ui::setCheckValue(c.Check4, *value);
    if (height) {
        if (*height > 2000) {
            c.Command9->setVisible(true);
            c.Command8->setVisible(false);
        }
        if (*height < 2800) {
            c.Command8->setVisible(true);
            c.Command9->setVisible(false);
        }
    }
}

void readSettings(ui::Form8Controls& c, QWidget& form, const QString& applicationFolder)
{
    QFile file(applicationFolder + QLatin1String(settingsFileName));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString line = QString::fromLatin1(file.readLine()).trimmed();
    applySettingsLine(c, form, line);
}

} // namespace quorvel::shell
