// SPDX-License-Identifier: GPL-3.0-or-later
#include "wavfile.h"

#include <QFile>

#include <cmath>
#include <sndfile.h>

namespace quorvel::test {

WavFile inspectWav(const QString& path)
{
    WavFile wav;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        wav.header = file.read(44);
    SF_INFO info {};
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sf)
        return wav;
    wav.valid = true;
    wav.sndfileFormat = info.format;
    wav.samplerate = info.samplerate;
    wav.channels = info.channels;
    wav.frames = info.frames;
    sf_close(sf);
    return wav;
}

QByteArray readRawFrames(const QString& path, std::int64_t firstFrame, std::int64_t frameCount)
{
    SF_INFO info {};
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sf)
        return {};
    const int subtype = info.format & SF_FORMAT_SUBMASK;
    const int bytesPerFrame = info.channels * (subtype == SF_FORMAT_PCM_U8 ? 1 : 2);
    QByteArray data(static_cast<qsizetype>(frameCount * bytesPerFrame), '\0');
    sf_seek(sf, firstFrame, SEEK_SET);
    const sf_count_t got = sf_read_raw(sf, data.data(), data.size());
    sf_close(sf);
    data.resize(static_cast<qsizetype>(std::max<sf_count_t>(got, 0)));
    return data;
}

std::vector<double> readChannel0(const QString& path)
{
    SF_INFO info {};
    SNDFILE* sf = sf_open(QFile::encodeName(path).constData(), SFM_READ, &info);
    if (!sf)
        return {};
    std::vector<double> all(static_cast<std::size_t>(info.frames * info.channels));
    const sf_count_t frames = sf_readf_double(sf, all.data(), info.frames);
    sf_close(sf);
    std::vector<double> first(static_cast<std::size_t>(frames));
    for (std::size_t i = 0; i < first.size(); ++i)
        first[i] = all[i * static_cast<std::size_t>(info.channels)];
    return first;
}

double dominantFrequency(const std::vector<double>& samples, int samplerate)
{
    if (samples.size() < 2 || samplerate <= 0)
        return 0;
    // Hysteresis keeps quantisation noise around zero from counting as crossings.
    const double threshold = 0.02;
    bool below = samples.front() < 0;
    std::size_t first = 0, last = 0, crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (below && samples[i] > threshold) {
            below = false;
            if (crossings == 0)
                first = i;
            last = i;
            ++crossings;
        } else if (!below && samples[i] < -threshold) {
            below = true;
        }
    }
    if (crossings < 2)
        return 0;
    return double(crossings - 1) * samplerate / double(last - first);
}

std::vector<double> windowRms(const std::vector<double>& samples, std::size_t windowFrames)
{
    std::vector<double> rms;
    for (std::size_t start = 0; start + windowFrames <= samples.size(); start += windowFrames) {
        double sum = 0;
        for (std::size_t i = start; i < start + windowFrames; ++i)
            sum += samples[i] * samples[i];
        rms.push_back(std::sqrt(sum / double(windowFrames)));
    }
    return rms;
}

std::uint32_t le32(const QByteArray& bytes, int offset)
{
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i)
        value = value << 8 | static_cast<std::uint8_t>(bytes.at(offset + i));
    return value;
}

std::uint16_t le16(const QByteArray& bytes, int offset)
{
    return static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes.at(offset))
                                      | static_cast<std::uint8_t>(bytes.at(offset + 1)) << 8);
}

} // namespace quorvel::test
