// The lane chart drawing a 10,000-step run of the model, as «Прогон» shows it: the time to set
// the lanes and paint them once, to repaint after a zoom, and to repaint after a pan, at the
// narrow window's width and at a wide one. Then a live lane of 200,000 changes (the default
// limit): one repaint of everything and of a 30 s window. Goal: a run on show within 50 ms.
// Prints figures only; it judges nothing.
//
// Run: QT_QPA_PLATFORM=offscreen bench_lanechart [rounds]

#include "compiler.h"
#include "lanechart.h"
#include "programrun.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHash>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

double median(QVector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return ms(ns.at(ns.size() / 2));
}

// Painted into an image, all of it: what a repaint of the widget costs.
void paint(LaneChart &chart)
{
    QImage image(chart.size(), QImage::Format_ARGB32_Premultiplied);
    chart.render(&image);
}

// The run's lanes as the dock fills them: the starting value, then every change.
void fill(LaneChart &chart, const RunOutcome &outcome)
{
    chart.clear();
    QHash<int, QVector<LaneStep>> steps;
    for (const RunTraceRow &row : outcome.trace)
        steps[row.operand].append({row.timeMs, double(row.value)});
    for (const int code : outcome.assigned) {
        const int lane = chart.addLane(ProgramRun::operandName(code));
        QVector<LaneStep> laneSteps{{0, 0}};
        laneSteps += steps.value(code);
        chart.setSteps(lane, laneSteps);
    }
    chart.setEndMs(outcome.finalTimeMs);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 20;
    // Two operands, 5,000 changes each: a counter and a level that follows it.
    const CompileResult compiled =
        compileProgram(QStringLiteral("#1;\nM1 += 1;\ndelay_ms 1;\nUs = M1;\nUs *= 3;\n"
                                      "delay_ms 1;\nif M1 < 3334 #1;\n"));
    if (!compiled.ok) {
        std::fprintf(stderr, "the program does not compile\n");
        return 1;
    }
    const RunOutcome outcome = ProgramRun(compiled.instructions, compiled.recordSourceLines).run();
    std::printf("run: %d steps over %lld ms\n", int(outcome.trace.size()),
                static_cast<long long>(outcome.finalTimeMs));
    for (const QSize size : {QSize(420, 200), QSize(1000, 400)}) {
        LaneChart chart;
        chart.resize(size);
        QVector<qint64> shown, zoomed, panned;
        QElapsedTimer clock;
        for (int i = 0; i < rounds; ++i) {
            clock.start();
            fill(chart, outcome);
            paint(chart);
            shown << clock.nsecsElapsed();
            clock.start();
            chart.zoomAt(outcome.finalTimeMs / 3.0, 4);
            paint(chart);
            zoomed << clock.nsecsElapsed();
            clock.start();
            chart.setVisibleRange(chart.visibleFromMs() + 500, chart.visibleToMs() + 500);
            paint(chart);
            panned << clock.nsecsElapsed();
        }
        std::printf("%dx%d: set and paint %.2f ms, zoom and paint %.2f ms, pan and paint %.2f ms "
                    "(median of %d); %d points drawn on the first lane\n",
                    size.width(), size.height(), median(shown), median(zoomed), median(panned),
                    rounds, int(chart.drawnPoints(0).size()));
    }
    LaneChart live;
    live.resize(1000, 300);
    const int lane = live.addLane(QStringLiteral("10.1"));
    const int changes = live.sampleLimit();
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < changes; ++i)
        live.appendSample(lane, qint64(i) * 100, i % 7);
    const qint64 appended = clock.nsecsElapsed();
    QVector<qint64> all, window;
    for (int i = 0; i < rounds; ++i) {
        live.setTimeWindowMs(0);
        clock.start();
        paint(live);
        all << clock.nsecsElapsed();
        live.setTimeWindowMs(30000);
        clock.start();
        paint(live);
        window << clock.nsecsElapsed();
    }
    std::printf("live: %d changes appended in %.1f ms (%.2f us each); repaint of all %.2f ms, of a "
                "30 s window %.2f ms\n",
                changes, ms(appended), ms(appended) * 1000 / changes, median(all), median(window));
    return 0;
}
