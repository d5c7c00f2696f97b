// SPDX-License-Identifier: GPL-3.0-or-later
#include "settingsfile.h"

#include "ownfiles.h"
#include "paths.h"
#include "windowsystem.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScreen>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <optional>

namespace quorvel::shell {

namespace {

constexpr double compactHeightTwips = 2150;
constexpr double expandedHeightTwips = 6500;
// Far beyond any desktop, and far inside an int: positions are brought onto a screen afterwards.
constexpr double farthestTwips = 1e8;
// A valid line is under a hundred characters; a longer one is damaged and is read only this far.
constexpr qint64 longestLine = 1024;

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

// A plain decimal number ("-12", "2150", "5265.5"); anything else, "nan", "inf" and "1e3"
// included, is no number.
std::optional<double> plainDecimal(QStringView text)
{
    qsizetype i = 0;
    if (i < text.size() && (text[i] == u'-' || text[i] == u'+'))
        ++i;
    qsizetype digits = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= u'0' && text[i] <= u'9')
            ++digits;
        else if (text[i] == u'.' && !point)
            point = true;
        else
            return std::nullopt;
    }
    if (digits == 0)
        return std::nullopt;
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<double> number(const QStringList& fields, int index)
{
    if (index >= fields.size())
        return std::nullopt;
    return plainDecimal(QStringView(fields.at(index)).trimmed());
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

int pixelsOf(double twips)
{
    return static_cast<int>(std::lround(std::clamp(twips, -farthestTwips, farthestTwips) / 15.0));
}

int clientHeightOf(double windowTwips)
{
    return static_cast<int>(std::lround((windowTwips - nonClientTwips) / 15.0));
}

// Where a window of this size at this place is wholly on the screen nearest to it.
QPoint ontoNearestScreen(const QRect& window)
{
    const QList<QScreen*> screens = QGuiApplication::screens();
    if (screens.isEmpty())
        return window.topLeft();
    QRect nearest;
    qint64 nearestDistance = -1;
    const QPoint centre = window.center();
    for (const QScreen* screen : screens) {
        const QRect area = screen->availableGeometry();
        const qint64 dx = std::max<qint64>({0, qint64(area.left()) - centre.x(), qint64(centre.x()) - area.right()});
        const qint64 dy = std::max<qint64>({0, qint64(area.top()) - centre.y(), qint64(centre.y()) - area.bottom()});
        const qint64 distance = dx * dx + dy * dy;
        if (nearestDistance < 0 || distance < nearestDistance) {
            nearest = area;
            nearestDistance = distance;
        }
    }
    // A window larger than the screen keeps its top left corner on it.
    const int x = std::max(nearest.left(), std::min(window.left(), nearest.right() + 1 - window.width()));
    const int y = std::max(nearest.top(), std::min(window.top(), nearest.bottom() + 1 - window.height()));
    return {x, y};
}

// The value to write for one geometry field: the one that was read while the window still has
// what it was applied as, otherwise what the window has now.
double twipsToWrite(const std::optional<ui::Form8Controls::StoredTwips>& stored, int pixels, double now)
{
    return stored && stored->pixels == pixels ? stored->twips : now;
}

// Where the window system places the window, the position read is the one to keep.
double positionToWrite(const std::optional<ui::Form8Controls::StoredTwips>& stored, int pixels)
{
    if (stored && !platform::windowsCanBePlaced())
        return stored->twips;
    return twipsToWrite(stored, pixels, pixels * 15.0);
}

} // namespace

namespace {

// The settings files a start-up may read: where the program keeps them, and its application
// folder (a portable copy now read-only keeps what was written there).
QStringList settingsFiles(const platform::ApplicationFiles& files)
{
    QStringList paths {files.settingsFolder + QLatin1String(settingsFileName)};
    if (files.folder != files.settingsFolder)
        paths.append(files.folder + QLatin1String(settingsFileName));
    return paths;
}

bool plainFile(const QString& path)
{
    const QFileInfo info(path);
    return info.exists() && info.isFile();
}

} // namespace

bool settingsFileExists(const platform::ApplicationFiles& files)
{
    const QStringList paths = settingsFiles(files);
    return std::any_of(paths.begin(), paths.end(), plainFile);
}

QString settingsLine(const ui::Form8Controls& c, const QWidget& form)
{
    const QStringList fields = {
        QString::number(ui::checkValue(c.Check1)),
        QString::number(ui::checkValue(c.Check2)),
        QString::number(c.HScroll1->value()),
        QString::number(c.HScroll2->value()),
        QString::number(c.cbxformat->currentIndex()),
        realText(twipsToWrite(c.storedHeight, form.height(), form.height() * 15.0 + nonClientTwips)),
        realText(positionToWrite(c.storedLeft, form.pos().x())),
        realText(positionToWrite(c.storedTop, form.pos().y())),
        QString::number(ui::checkValue(c.Check3)),
        QString::number(ui::checkValue(c.Check4)),
        truthText(c.Option1->isChecked()),
        truthText(c.Option2->isChecked()),
    };
    return fields.join(QLatin1Char(','));
}

namespace {

QString writeError(const QString& path, const ui::Form8Controls& c, const QWidget& form)
{
    // A read-only settings file stays as the user made it.
    const QFileInfo existing(path);
    if (existing.exists() && !(existing.permissions() & QFileDevice::WriteOwner))
        return QStringLiteral("the file is read-only");
    if (!QDir().mkpath(existing.absolutePath()))
        return QStringLiteral("its folder can't be made");
    // Written beside the old file and renamed over it: a crash or a full disk leaves the old one
    // whole, a link under the name is replaced (never what it points to), and a device, a pipe or
    // a folder there is left as it is.
    const auto target = platform::nativePathOf(path);
    if (!platform::replaceable(target))
        return QString::fromStdString(platform::errorText(errno));
    std::filesystem::path made;
    const int fd = platform::createOwnFile(target.parent_path(), platform::partPrefix(), "", 0666, made);
    if (fd < 0)
        return QString::fromStdString(platform::errorText(errno));
    const QByteArray line = settingsLine(c, form).toLatin1() + "\r\n";
    bool ok = platform::writeAllAt(fd, line.constData(), static_cast<std::size_t>(line.size()), 0)
        && platform::syncFile(fd);
    int error = errno;
    platform::closeFile(fd);
    if (ok && existing.isFile() && !existing.isSymLink()) {
        std::error_code kept; // the user's own permissions stay; failing that, the usual ones
        std::filesystem::permissions(made, std::filesystem::status(target, kept).permissions(), kept);
    }
    if (ok && !platform::replaceFile(made, target)) {
        ok = false;
        error = errno;
    }
    if (ok)
        return {};
    platform::removeFile(made);
    return QString::fromStdString(platform::errorText(error));
}

} // namespace

bool writeSettings(const ui::Form8Controls& c, const QWidget& form, const platform::ApplicationFiles& files)
{
    const QString path = files.settingsFolder + QLatin1String(settingsFileName);
    const QString why = writeError(path, c, form);
    if (why.isEmpty())
        return true;
    std::fprintf(stderr, "quorvel: the settings could not be written to %s (%s); the last ones written stay\n",
                 QFile::encodeName(path).constData(), why.toLocal8Bit().constData());
    return false;
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

    // The window comes back between its compact and expanded heights and wholly on a screen.
    const auto height = number(fields, 5);
    if (height) {
        const double applied = std::clamp(*height, compactHeightTwips, expandedHeightTwips);
        // The main window has a fixed size; its height changes only as a whole.
        platform::holdWindowSize(&form, QSize(form.width(), clientHeightOf(applied)));
        c.storedHeight.reset();
        if (applied == *height)
            c.storedHeight = ui::Form8Controls::StoredTwips {*height, form.height()};
    }
    const auto top = number(fields, 7);
    const auto left = number(fields, 6);
    if (!platform::windowsCanBePlaced()) {
        // The window system places the window: the position is kept as read, for a desktop that
        // can use it, and never replaced by one the window never had.
        if (left)
            c.storedLeft = ui::Form8Controls::StoredTwips {*left, form.pos().x()};
        if (top)
            c.storedTop = ui::Form8Controls::StoredTwips {*top, form.pos().y()};
    } else if (height || top || left) {
        const QPoint wanted(left ? pixelsOf(*left) : form.pos().x(), top ? pixelsOf(*top) : form.pos().y());
        const QSize outer(form.width(), form.height() + static_cast<int>(nonClientTwips / 15));
        const QPoint onScreen = ontoNearestScreen(QRect(wanted, outer));
        form.move(onScreen);
        if (left)
            c.storedLeft = ui::Form8Controls::StoredTwips {*left, wanted.x()};
        if (top)
            c.storedTop = ui::Form8Controls::StoredTwips {*top, wanted.y()};
        // A value that had to be moved is written as the window now has it.
        if (onScreen.x() != wanted.x())
            c.storedLeft.reset();
        if (onScreen.y() != wanted.y())
            c.storedTop.reset();
    }
    if (const auto value = integer(fields, 8, 0, 2))
        ui::setCheckValue(c.Check3, *value);
    if (const auto value = integer(fields, 9, 0, 2))
        ui::setCheckValue(c.Check4, *value);

    // The arrangement follows the height as it was written, not as it was applied.
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

void readSettings(ui::Form8Controls& c, QWidget& form, const QString& folder)
{
    QFile file(folder + QLatin1String(settingsFileName));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    const QString line = QString::fromLatin1(file.readLine(longestLine)).trimmed();
    applySettingsLine(c, form, line);
}

void readSettings(ui::Form8Controls& c, QWidget& form, const platform::ApplicationFiles& files)
{
    QString newest;
    QDateTime newestTime;
    for (const QString& path : settingsFiles(files)) {
        const QFileInfo info(path);
        if (plainFile(path) && (newest.isEmpty() || info.lastModified() > newestTime)) {
            newest = info.absolutePath();
            newestTime = info.lastModified();
        }
    }
    if (!newest.isEmpty())
        readSettings(c, form, newest);
}

} // namespace quorvel::shell
