// SPDX-License-Identifier: GPL-3.0-or-later
#include "referencerecorder.h"

#include "wavfile.h"

#include <QFileInfo>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <csignal>

namespace quorvel::test {

ReferenceRecorder::ReferenceRecorder(QString path)
    : m_path(std::move(path))
{
}

ReferenceRecorder::~ReferenceRecorder()
{
    stop();
}

bool ReferenceRecorder::start()
{
    // A 20 ms fragment: parecord's default holds audio back for two seconds.
    m_process.start(QStringLiteral("parecord"),
                    {QStringLiteral("--latency-msec=20"), QStringLiteral("--rate=44100"),
                     QStringLiteral("--channels=2"), QStringLiteral("--format=s16le"),
                     QStringLiteral("--file-format=wav"), m_path});
    if (!m_process.waitForStarted(10000))
        return false;
    // parecord writes as it receives: a file past its header has heard the input.
    return QTest::qWaitFor([this] { return QFileInfo(m_path).size() > 44 + 4410; }, 10000);
}

void ReferenceRecorder::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    ::kill(static_cast<pid_t>(m_process.processId()), SIGINT);
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(10000);
    }
}

double ReferenceRecorder::deepestDipDb() const
{
    return test::deepestDipDb(m_path);
}

double deepestDipDb(const QString& wavPath)
{
    auto rms = windowRms(readChannel0(wavPath), 441);
    if (rms.size() < 8)
        return -1;
    rms.erase(rms.end() - 3, rms.end());
    rms.erase(rms.begin(), rms.begin() + 2);
    auto sorted = rms;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    const double trough = *std::min_element(rms.begin(), rms.end());
    if (median <= 0)
        return -1;
    return trough <= 0 ? 120.0 : -20.0 * std::log10(trough / median);
}

} // namespace quorvel::test
