// The editor of the real window, offscreen, with a 10,000-line program: the time to open it, the
// live diagnostics pass, and the latency of each of 100 keys typed at the end and in the middle
// of the text (median and maximum, the repaint included). Every figure is measured twice: with
// the gutter and the marks (current line, wavy underlines) and without them, the highlighter on
// in both, so the ratio shows what they cost.
//
// Goals: a diagnostics pass under 50 ms, a median key under 2 ms with everything on, opening
// under 300 ms. Prints figures only; it judges nothing.
//
// Run: QT_QPA_PLATFORM=offscreen bench_editor [rounds]

#include "benchprogram.h"
#include "diagnosticchecker.h"
#include "editormarks.h"
#include "linenumbergutter.h"
#include "mainwindow.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextEdit>
#include <QTextStream>
#include <QVector>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace {

constexpr int ProgramLines = 10000;
constexpr int KeysTyped = 100;
constexpr int DiagnosticPasses = 5;

double ms(qint64 ns)
{
    return double(ns) / 1e6;
}

struct Latency
{
    double medianMs = 0;
    double maxMs = 0;
};

Latency summarise(QVector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    return {ms(ns.at(ns.size() / 2)), ms(ns.constLast())};
}

// One key as the keyboard gives it, handled and painted.
qint64 typeKey(QWidget *target, QChar c)
{
    QElapsedTimer clock;
    clock.start();
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A + (c.toLatin1() - 'a'), Qt::NoModifier, QString(c));
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A + (c.toLatin1() - 'a'), Qt::NoModifier,
                      QString(c));
    QApplication::sendEvent(target, &release);
    QApplication::processEvents();
    return clock.nsecsElapsed();
}

Latency typeAt(QTextEdit *edit, const QTextCursor &where)
{
    edit->setTextCursor(where);
    edit->ensureCursorVisible();
    QApplication::processEvents();
    QVector<qint64> keys;
    for (int i = 0; i < KeysTyped; ++i)
        keys << typeKey(edit, QChar('a' + i % 26));
    return summarise(keys);
}

struct Run
{
    double openMs = 0;
    double diagnosticsMs = 0;
    int diagnostics = 0;
    Latency end;
    Latency middle;
};

Run measure(const QString &path, bool aids)
{
    MainWindow window;
    window.show();
    QApplication::processEvents();
    QTextEdit *edit = window.editor();
    auto *checker = window.findChild<DiagnosticChecker *>();
    auto *marks = window.findChild<EditorMarks *>();
    auto *gutter = window.findChild<LineNumberGutter *>();
    if (!checker || !marks || !gutter) {
        std::fprintf(stderr, "the window has no checker, marks or gutter\n");
        std::exit(1);
    }
    if (!aids) {
        gutter->hide();
        checker->setEnabled(false);
        QObject::disconnect(edit, nullptr, marks, nullptr);
        edit->setExtraSelections({});
    }

    Run run;
    QElapsedTimer clock;
    clock.start();
    window.openProgramFile(path);
    QApplication::processEvents();
    run.openMs = ms(clock.nsecsElapsed());
    if (edit->document()->blockCount() < ProgramLines) {
        std::fprintf(stderr, "the program did not open\n");
        std::exit(1);
    }

    if (aids) {
        // The pass the pause would run: compile, marks, their repaint.
        QVector<qint64> passes;
        for (int i = 0; i < DiagnosticPasses; ++i) {
            clock.restart();
            checker->checkNow();
            QApplication::processEvents();
            passes << clock.nsecsElapsed();
        }
        run.diagnosticsMs = summarise(passes).medianMs;
        run.diagnostics = marks->diagnostics().size();
    }

    QTextCursor end(edit->document());
    end.movePosition(QTextCursor::End);
    run.end = typeAt(edit, end);
    run.middle = typeAt(edit, QTextCursor(edit->document()->findBlockByNumber(ProgramLines / 2)));
    if (aids)
        checker->checkNow();
    edit->document()->setModified(false);
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    const int rounds = argc > 1 ? qMax(1, atoi(argv[1])) : 2;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bench.prgb"));
    QFile file(path);
    if (!dir.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write((Bench::mixedProgram(ProgramLines) + QLatin1Char('\n')).toUtf8()) < 0 ||
        !file.flush()) {
        std::fprintf(stderr, "cannot write the program file\n");
        return 1;
    }
    file.close();

    QTextStream out(stdout);
    out << QStringLiteral("%1-line program, %2 keys per place, %3 rounds; times in ms\n")
               .arg(ProgramLines)
               .arg(KeysTyped)
               .arg(rounds);
    out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
               .arg(QStringLiteral("aids"), -22)
               .arg(QStringLiteral("open"), 7)
               .arg(QStringLiteral("check"), 7)
               .arg(QStringLiteral("end med"), 8)
               .arg(QStringLiteral("end max"), 8)
               .arg(QStringLiteral("mid med"), 8)
               .arg(QStringLiteral("mid max"), 8);
    QVector<Run> with, without;
    for (int r = 0; r < rounds; ++r) {
        for (const bool aids : {true, false}) {
            const Run run = measure(path, aids);
            (aids ? with : without) << run;
            out << QStringLiteral("%1 %2 %3 %4 %5 %6 %7\n")
                       .arg(aids ? QStringLiteral("gutter+marks (%1 diag.)").arg(run.diagnostics)
                                 : QStringLiteral("none"),
                            -22)
                       .arg(run.openMs, 7, 'f', 1)
                       .arg(aids ? QString::number(run.diagnosticsMs, 'f', 1) : QStringLiteral("-"),
                            7)
                       .arg(run.end.medianMs, 8, 'f', 2)
                       .arg(run.end.maxMs, 8, 'f', 2)
                       .arg(run.middle.medianMs, 8, 'f', 2)
                       .arg(run.middle.maxMs, 8, 'f', 2);
            out.flush();
        }
    }
    // Best round of each: a shared machine only ever adds time.
    const auto best = [](const QVector<Run> &runs, double Run::*field) {
        double b = runs.constFirst().*field;
        for (const Run &r : runs)
            b = qMin(b, r.*field);
        return b;
    };
    const auto bestKey = [](const QVector<Run> &runs, Latency Run::*place) {
        double b = (runs.constFirst().*place).medianMs;
        for (const Run &r : runs)
            b = qMin(b, (r.*place).medianMs);
        return b;
    };
    out << QStringLiteral("best: open %1 ms (%2 ms bare, goal < 300); check %3 ms (goal < 50); key "
                          "median end %4 ms (%5 bare), middle %6 ms (%7 bare) (goal < 2)\n")
               .arg(best(with, &Run::openMs), 0, 'f', 1)
               .arg(best(without, &Run::openMs), 0, 'f', 1)
               .arg(best(with, &Run::diagnosticsMs), 0, 'f', 1)
               .arg(bestKey(with, &Run::end), 0, 'f', 2)
               .arg(bestKey(without, &Run::end), 0, 'f', 2)
               .arg(bestKey(with, &Run::middle), 0, 'f', 2)
               .arg(bestKey(without, &Run::middle), 0, 'f', 2);
    return 0;
}
