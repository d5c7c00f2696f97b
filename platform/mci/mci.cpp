// SPDX-License-Identifier: GPL-3.0-or-later
// The string interpreter in front of the waveaudio devices.

#include "mci.h"

#include "audio/audiobackend.h"
#include "errors.h"
#include "paths.h"
#include "wavedevice.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstring>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::platform {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool equalsNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// A command split at its blanks, without allocating for the usual few words: status queries
// arrive fifty times a second. A longer command spills into the heap.
struct Tokens
{
    static constexpr std::size_t capacity = 32;
    std::array<std::string_view, capacity> fixed {};
    std::vector<std::string_view> spilled;
    std::size_t count = 0;

    void push(std::string_view token)
    {
        if (count < capacity) {
            fixed[count] = token;
        } else {
            if (spilled.empty())
                spilled.assign(fixed.begin(), fixed.end());
            spilled.push_back(token);
        }
        ++count;
    }
    std::string_view operator[](std::size_t i) const { return spilled.empty() ? fixed[i] : spilled[i]; }
};

void splitWords(std::string_view text, Tokens& tokens)
{
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        const std::size_t start = i;
        while (i < text.size() && !isBlank(text[i]))
            ++i;
        if (i > start)
            tokens.push(text.substr(start, i - start));
    }
}

struct Parsed
{
    std::string_view verb;
    std::string_view device;
    bool hasDevice = false;
    std::string_view rest; // everything after the device and its following blanks
    Tokens items;
};

// Splits "verb device items..."; the device may be quoted.
std::uint32_t parse(std::string_view command, Parsed& out)
{
    std::size_t i = 0;
    while (i < command.size() && isBlank(command[i]))
        ++i;
    std::size_t start = i;
    while (i < command.size() && !isBlank(command[i]))
        ++i;
    out.verb = command.substr(start, i - start);
    if (out.verb.empty())
        return MissingCommandString;
    while (i < command.size() && isBlank(command[i]))
        ++i;
    if (i == command.size())
        return Ok;
    out.hasDevice = true;
    if (command[i] == '"') {
        const std::size_t close = command.find('"', i + 1);
        if (close == std::string_view::npos)
            return NoClosingQuote;
        out.device = command.substr(i + 1, close - i - 1);
        i = close + 1;
        if (i < command.size() && !isBlank(command[i]))
            return ExtraCharacters;
    } else {
        start = i;
        while (i < command.size() && !isBlank(command[i]))
            ++i;
        out.device = command.substr(start, i - start);
    }
    while (i < command.size() && isBlank(command[i]))
        ++i;
    out.rest = command.substr(i);
    splitWords(out.rest, out.items);
    return Ok;
}

// Plain decimal digits only.
std::uint32_t parseNumber(std::string_view text, std::uint64_t& value)
{
    if (text.empty())
        return BadInteger;
    for (char c : text) {
        if (c < '0' || c > '9')
            return BadInteger;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec == std::errc::result_out_of_range)
        return OutOfRange;
    return end == text.data() + text.size() ? Ok : BadInteger;
}

class Reply
{
public:
    Reply(char* buffer, std::uint32_t length)
        : m_buffer(buffer)
        , m_length(length)
    {
        clear();
    }

    void clear()
    {
        if (m_buffer && m_length > 0)
            m_buffer[0] = '\0';
    }

    void set(std::string_view text)
    {
        if (!m_buffer || m_length == 0)
            return;
        const std::size_t n = std::min<std::size_t>(text.size(), m_length - 1);
        std::memcpy(m_buffer, text.data(), n);
        m_buffer[n] = '\0';
    }

    void set(std::uint64_t number)
    {
        char digits[24];
        const auto result = std::to_chars(std::begin(digits), std::end(digits), number);
        set(std::string_view(digits, static_cast<std::size_t>(result.ptr - digits)));
    }

private:
    char* m_buffer;
    std::uint32_t m_length;
};

struct OpenDevice
{
    std::string alias;
    std::uint32_t id;
    std::unique_ptr<WaveDevice> device;
};

std::atomic<bool> g_keepOnClose {false};
std::atomic<bool> g_keepAtExit {false};

class DeviceTable
{
public:
    ~DeviceTable()
    {
        // The program is ending without having closed its devices (exit() after the display went,
        // for one): a recording it never chose to discard is left for the next start.
        if (g_keepAtExit.load())
            keepAll();
    }

    std::uint32_t send(std::string_view command, Reply& reply);

    void keepAll()
    {
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_devices)
            entry.device->keepRecording();
        m_devices.clear();
    }
    void syncAll()
    {
        std::lock_guard lock(m_mutex);
        for (auto& entry : m_devices)
            entry.device->syncRecording();
    }
    template<class Result, class Read> Result read(std::string_view alias, Read readDevice)
    {
        std::lock_guard lock(m_mutex);
        const OpenDevice* entry = find(alias);
        return entry ? readDevice(*entry->device) : Result {};
    }

private:
    OpenDevice* find(std::string_view alias)
    {
        for (auto& entry : m_devices) {
            if (equalsNoCase(entry.alias, alias))
                return &entry;
        }
        return nullptr;
    }

    std::uint32_t open(const Parsed& p, Reply& reply);
    std::uint32_t close(const Parsed& p);
    std::uint32_t set(WaveDevice& device, const Parsed& p);
    std::uint32_t play(WaveDevice& device, const Parsed& p);
    std::uint32_t save(WaveDevice& device, const Parsed& p);
    std::uint32_t status(WaveDevice& device, const Parsed& p, Reply& reply);

    std::mutex m_mutex;
    std::vector<OpenDevice> m_devices;
};

enum class Verb
{
    Open,
    Close,
    Set,
    Record,
    Stop,
    Play,
    Save,
    Status,
    Unknown
};

Verb verbOf(std::string_view word)
{
    static constexpr std::pair<std::string_view, Verb> verbs[] = {
        {"status", Verb::Status}, {"set", Verb::Set},   {"record", Verb::Record}, {"stop", Verb::Stop},
        {"play", Verb::Play},     {"save", Verb::Save}, {"open", Verb::Open},     {"close", Verb::Close},
    };
    for (const auto& [name, verb] : verbs) {
        if (equalsNoCase(word, name))
            return verb;
    }
    return Verb::Unknown;
}

std::uint32_t DeviceTable::send(std::string_view command, Reply& reply)
{
    Parsed p;
    if (const auto error = parse(command, p))
        return error;
    const Verb verb = verbOf(p.verb);
    if (verb == Verb::Unknown)
        return UnrecognizedCommand;
    if (!p.hasDevice)
        return MissingDeviceName;

    std::lock_guard lock(m_mutex);
    if (verb == Verb::Open)
        return open(p, reply);
    if (verb == Verb::Close)
        return close(p);

    OpenDevice* entry = find(p.device);
    if (!entry)
        return InvalidDevice;
    WaveDevice& device = *entry->device;
    switch (verb) {
    case Verb::Set:
        return set(device, p);
    case Verb::Record:
        return p.items.count ? UnrecognizedKeyword : device.record();
    case Verb::Stop:
        if (p.items.count)
            return UnrecognizedKeyword;
        device.stop();
        return Ok;
    case Verb::Play:
        return play(device, p);
    case Verb::Save:
        return save(device, p);
    case Verb::Status:
        return status(device, p, reply);
    default:
        return UnrecognizedCommand;
    }
}

std::uint32_t DeviceTable::open(const Parsed& p, Reply& reply)
{
    std::optional<std::string_view> type;
    std::optional<std::string_view> alias;
    const auto& items = p.items;
    for (std::size_t i = 0; i < items.count; ++i) {
        const auto word = items[i];
        const bool isType = equalsNoCase(word, "type");
        if (!isType && !equalsNoCase(word, "alias"))
            return UnrecognizedKeyword;
        if (i + 1 >= items.count)
            return MissingParameter;
        (isType ? type : alias) = items[++i];
    }
    if (!equalsNoCase(p.device, "new"))
        return type || equalsNoCase(p.device, "waveaudio") ? UnsupportedFunction : DeviceNotInstalled;
    if (!type || !equalsNoCase(*type, "waveaudio"))
        return DeviceNotInstalled;
    if (!alias)
        return NewRequiresAlias;
    if (equalsNoCase(*alias, "all"))
        return BadConstant;
    if (find(*alias))
        return DuplicateAlias;

    std::uint32_t id = 1;
    while (std::any_of(m_devices.begin(), m_devices.end(), [id](const OpenDevice& d) { return d.id == id; }))
        ++id;
    m_devices.push_back({std::string(*alias), id, std::make_unique<WaveDevice>(audioBackend())});
    reply.set(std::uint64_t {id});
    return Ok;
}

std::uint32_t DeviceTable::close(const Parsed& p)
{
    if (p.items.count)
        return UnrecognizedKeyword;
    const bool keep = g_keepOnClose.load();
    if (equalsNoCase(p.device, "all")) {
        for (auto& entry : m_devices) {
            if (keep)
                entry.device->keepRecording();
        }
        m_devices.clear();
        return Ok;
    }
    for (auto it = m_devices.begin(); it != m_devices.end(); ++it) {
        if (equalsNoCase(it->alias, p.device)) {
            if (keep)
                it->device->keepRecording();
            m_devices.erase(it);
            return Ok;
        }
    }
    return InvalidDevice;
}

std::uint32_t DeviceTable::set(WaveDevice& device, const Parsed& p)
{
    const auto& items = p.items;
    if (items.count == 0)
        return MissingParameter;

    enum
    {
        Rate,
        Channels,
        Bits,
        Align,
        PerSec,
        FieldCount
    };
    static constexpr std::string_view fieldNames[FieldCount]
        = {"samplespersec", "channels", "bitspersample", "alignment", "bytespersec"};
    std::array<std::optional<std::uint64_t>, FieldCount> fields;
    std::optional<TimeFormat> timeFormat;

    for (std::size_t i = 0; i < items.count; ++i) {
        const auto word = items[i];
        if (equalsNoCase(word, "time")) {
            if (i + 1 >= items.count || !equalsNoCase(items[i + 1], "format"))
                return UnrecognizedKeyword;
            if (i + 2 >= items.count)
                return MissingParameter;
            const auto unit = items[i + 2];
            if (equalsNoCase(unit, "bytes"))
                timeFormat = TimeFormat::Bytes;
            else if (equalsNoCase(unit, "milliseconds") || equalsNoCase(unit, "ms"))
                timeFormat = TimeFormat::Milliseconds;
            else
                return BadConstant;
            i += 2;
            continue;
        }
        int field = -1;
        for (int f = 0; f < FieldCount; ++f) {
            if (equalsNoCase(word, fieldNames[f]))
                field = f;
        }
        if (field < 0)
            return UnrecognizedKeyword;
        std::uint64_t value = 0;
        if (i + 1 >= items.count)
            return BadInteger;
        if (const auto error = parseNumber(items[++i], value))
            return error;
        fields[static_cast<std::size_t>(field)] = value;
    }

    const bool changesFormat = std::any_of(fields.begin(), fields.end(), [](const auto& f) { return f.has_value(); });
    if (changesFormat) {
        if (!device.canChangeFormat())
            return SequenceError;
        const PcmFormat current = device.format();
        const std::uint64_t rate = fields[Rate].value_or(current.samplesPerSec);
        const std::uint64_t channels = fields[Channels].value_or(current.channels);
        const std::uint64_t bits = fields[Bits].value_or(current.bitsPerSample);
        if (rate < 8000 || rate > 48000 || (channels != 1 && channels != 2) || (bits != 8 && bits != 16))
            return OutOfRange;
        const std::uint64_t align = channels * bits / 8;
        if ((fields[Align] && *fields[Align] != align) || (fields[PerSec] && *fields[PerSec] != align * rate))
            return OutOfRange;
        device.setFormat(
            {static_cast<std::uint32_t>(rate), static_cast<std::uint16_t>(channels), static_cast<std::uint16_t>(bits)});
    }
    if (timeFormat)
        device.setTimeFormat(*timeFormat);
    return Ok;
}

std::uint32_t DeviceTable::play(WaveDevice& device, const Parsed& p)
{
    const auto& items = p.items;
    std::optional<std::uint64_t> from;
    for (std::size_t i = 0; i < items.count; ++i) {
        if (!equalsNoCase(items[i], "from"))
            return UnrecognizedKeyword;
        if (i + 1 >= items.count)
            return BadInteger;
        std::uint64_t value = 0;
        if (const auto error = parseNumber(items[++i], value))
            return error;
        from = device.fromTimeUnits(value);
        if (device.timeFormat() == TimeFormat::Bytes && value > device.lengthBytes())
            return OutOfRange;
        if (device.timeFormat() == TimeFormat::Milliseconds && value > device.toTimeUnits(device.lengthBytes()))
            return OutOfRange;
    }
    return device.play(from);
}

std::uint32_t DeviceTable::save(WaveDevice& device, const Parsed& p)
{
    std::string_view path = p.rest;
    if (path.size() >= 2 && path.front() == '"' && path.back() == '"')
        path = path.substr(1, path.size() - 2);
    if (path.empty())
        return MissingParameter;
    // A NUL would end the path early at the file system, on some other file; no file name holds
    // a control character.
    for (const char ch : path) {
        if (static_cast<unsigned char>(ch) < 0x20 || ch == 0x7f)
            return FileWrite;
    }
    const auto target = nativePath(path);
    if (!target)
        return FileWrite;
    return device.save(*target);
}

std::uint32_t DeviceTable::status(WaveDevice& device, const Parsed& p, Reply& reply)
{
    const auto& items = p.items;
    if (items.count == 0)
        return MissingParameter;
    const auto item = items[0];
    if (equalsNoCase(item, "time")) {
        if (items.count != 2 || !equalsNoCase(items[1], "format"))
            return UnrecognizedKeyword;
        reply.set(device.timeFormat() == TimeFormat::Bytes ? "bytes" : "milliseconds");
        return Ok;
    }
    if (items.count != 1)
        return UnrecognizedKeyword;
    if (equalsNoCase(item, "length")) {
        reply.set(device.toTimeUnits(device.lengthBytes()));
    } else if (equalsNoCase(item, "mode")) {
        switch (device.mode()) {
        case DeviceMode::Stopped:
            reply.set("stopped");
            break;
        case DeviceMode::Playing:
            reply.set("playing");
            break;
        case DeviceMode::Recording:
            reply.set("recording");
            break;
        }
    } else if (equalsNoCase(item, "position")) {
        reply.set(device.toTimeUnits(device.positionBytes()));
    } else if (equalsNoCase(item, "samplespersec")) {
        reply.set(std::uint64_t {device.format().samplesPerSec});
    } else if (equalsNoCase(item, "channels")) {
        reply.set(std::uint64_t {device.format().channels});
    } else if (equalsNoCase(item, "bitspersample")) {
        reply.set(std::uint64_t {device.format().bitsPerSample});
    } else if (equalsNoCase(item, "alignment")) {
        reply.set(std::uint64_t {device.format().blockAlign()});
    } else if (equalsNoCase(item, "bytespersec")) {
        reply.set(std::uint64_t {device.format().bytesPerSec()});
    } else {
        return UnrecognizedKeyword;
    }
    return Ok;
}

DeviceTable& devices()
{
    static DeviceTable table;
    return table;
}

} // namespace

std::uint32_t mciSendString(std::string_view command, char* reply, std::uint32_t replyLength, void*)
{
    Reply out(reply, replyLength);
    const std::uint32_t result = devices().send(command, out);
    if (result != Ok)
        out.clear();
    return result;
}

void keepRecordingsAtExit()
{
    g_keepAtExit.store(true);
}

void keepRecordingsOnClose(bool keep)
{
    g_keepOnClose.store(keep);
}

void syncRecordings()
{
    devices().syncAll();
}

std::string recordingProblem(std::string_view alias)
{
    return devices().read<std::string>(alias, [](const WaveDevice& device) { return device.problem(); });
}

std::string recordingNotice(std::string_view alias)
{
    return devices().read<std::string>(alias, [](WaveDevice& device) { return device.notice(); });
}

bool recordingLengthFinal(std::string_view alias)
{
    return !devices().read<bool>(alias, [](const WaveDevice& device) { return !device.lengthFinal(); });
}

SoundLevel recordingLevel(std::string_view alias, bool look)
{
    return devices().read<SoundLevel>(alias, [look](WaveDevice& device) { return device.level(look); });
}

int lastSaveError(std::string_view alias)
{
    return devices().read<int>(alias, [](const WaveDevice& device) { return device.saveError(); });
}

Mci& systemMci()
{
    struct SystemMci final : Mci
    {
        std::uint32_t sendString(std::string_view command, char* reply, std::uint32_t replyLength) override
        {
            return mciSendString(command, reply, replyLength);
        }
        std::string problem(std::string_view alias) override { return recordingProblem(alias); }
        std::string notice(std::string_view alias) override { return recordingNotice(alias); }
        int saveError(std::string_view alias) override { return lastSaveError(alias); }
        bool lengthFinal(std::string_view alias) override { return recordingLengthFinal(alias); }
        SoundLevel level(std::string_view alias, bool look) override { return recordingLevel(alias, look); }
    };
    static SystemMci instance;
    return instance;
}

} // namespace quorvel::platform
