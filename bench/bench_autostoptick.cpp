// SPDX-License-Identifier: GPL-3.0-or-later
// One Timer4 tick while recording with both rules on and neither target reached: the work the
// auto-stop adds once a second.

#include "autostop.h"
#include "form8controls.h"
#include "messageboxes.h"

#include <QApplication>

#include <benchmark/benchmark.h>

using namespace quorvel;

namespace {

// A device that answers nothing; no tick here sends a command.
class SilentMci final : public platform::Mci
{
public:
    std::uint32_t sendString(std::string_view, char* reply, std::uint32_t length) override
    {
        if (reply && length)
            reply[0] = '\0';
        return 0;
    }
};

class NoBoxes final : public platform::MessageBoxes
{
public:
    int show(QWidget*, const QString&, int, const QString&) override { return platform::box::answerOk; }
};

} // namespace

static void autoStopTickWhileRecording(benchmark::State& state)
{
    QWidget form;
    ui::Form8Controls c;
    c.setupControls(&form);
    ui::setCheckValue(c.Check1, 1);
    ui::setCheckValue(c.Check2, 1);
    c.Text5->setText(QStringLiteral("700"));
    c.Text6->setText(QStringLiteral("70"));
    c.Text4->setText(QStringLiteral("123.456789"));
    SilentMci mci;
    NoBoxes boxes;
    recorder::RecorderContext ctx {c, mci, platform::systemClock(), platform::noKeepAwake()};
    for (auto _ : state) {
        c.autoStopSeconds = 100;
        recorder::Timer4_Timer(ctx, boxes, &form);
    }
}
BENCHMARK(autoStopTickWhileRecording);

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
