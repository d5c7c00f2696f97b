// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

namespace quorvel::test {

// What a test wants to know about a WAV file, read with libsndfile and by hand.
struct WavFile
{
    bool valid = false;
    int sndfileFormat = 0; // SF_FORMAT_* container | subtype
    int samplerate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    QByteArray header; // the file's first 44 bytes

    double seconds() const { return samplerate ? double(frames) / samplerate : 0.0; }
};

WavFile inspectWav(const QString& path);

// The raw data bytes (frames * block) starting at a frame, as stored in the file.
QByteArray readRawFrames(const QString& path, std::int64_t firstFrame, std::int64_t frameCount);

// The first channel as samples in -1..1.
std::vector<double> readChannel0(const QString& path);

// Frequency of the strongest tone, from the rate of upward zero crossings.
double dominantFrequency(const std::vector<double>& samples, int samplerate);

// RMS of consecutive windows of `windowFrames` samples.
std::vector<double> windowRms(const std::vector<double>& samples, std::size_t windowFrames);

// Little-endian field of a header.
std::uint32_t le32(const QByteArray& bytes, int offset);
std::uint16_t le16(const QByteArray& bytes, int offset);

} // namespace quorvel::test
