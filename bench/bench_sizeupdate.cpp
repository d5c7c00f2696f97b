// SPDX-License-Identifier: GPL-3.0-or-later
// One size update as the window makes it while recording: Text4 gets a new text and is repainted
// and put on the screen, in the main window with its skin. Run on an X display (Xvfb):
//   bench_sizeupdate [--plain] [benchmark flags]      --plain: the same window without the skin

#include "form8controls.h"
#include "skin.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <cstring>

using namespace quorvel;

namespace {
bool g_plain = false;
}

static void sizeUpdate(benchmark::State& state)
{
    QWidget form;
    ui::Form8Controls c;
    platform::useClassicFontFaces();
    c.setupControls(&form);
    c.Timer1->stop();
    c.Timer2->stop();
    if (!g_plain)
        platform::applySkin(&form);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form)) {
        state.SkipWithError("the window was not shown");
        return;
    }
    QCoreApplication::processEvents();
    std::uint64_t bytes = 1764000;
    QLocale locale;
    for (auto _ : state) {
        bytes += 44100; // a quarter of a second of 44.1 kHz stereo
        c.Text4->setText(locale.toString(double(bytes) / 1e6, 'f', 6));
        c.Text4->repaint(); // painted and flushed to the display now, as the event loop would
    }
}
BENCHMARK(sizeUpdate);

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--plain") == 0) {
            g_plain = true;
            for (int j = i; j + 1 < argc; ++j)
                argv[j] = argv[j + 1];
            --argc;
            break;
        }
    }
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
