// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QProcess>
#include <QString>

namespace quorvel::test {

// parecord recording the test server's default input beside the device, so that a gap or a short
// take can be blamed on the right side: a dip the reference hears too came from the rig.
class ReferenceRecorder
{
public:
    explicit ReferenceRecorder(QString path);
    ~ReferenceRecorder();

    // Starts recording and waits until audio arrives (false if it does not within 10 s).
    bool start();
    // Ends the recording; the file is complete afterwards.
    void stop();
    // How far the deepest 10 ms window lies below the median one, in dB (0: no dip; -1: no audio).
    double deepestDipDb() const;
    QString path() const { return m_path; }

private:
    QString m_path;
    QProcess m_process;
};

// The same measure of any take's first channel: positive dB below the median 10 ms window, the
// windows at either edge left out.
double deepestDipDb(const QString& wavPath);

} // namespace quorvel::test
