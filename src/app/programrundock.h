#pragma once

#include "limitcheck.h"
#include "programrun.h"

#include <QDockWidget>
#include <QFutureWatcher>
#include <QHash>
#include <QVector>

#include <functional>

class LaneChart;
class QLabel;
class QLineEdit;
class QStackedWidget;
class QTableWidget;
class QTableWidgetItem;
class QTextEdit;
class QToolButton;
class UserDialogs;

// «Прогон»: the program in the editor run on its operands (the model, not the supply), drawn as
// one lane per operand it assigns, with the starting values it reads and the time limit.
class ProgramRunDock : public QDockWidget
{
    Q_OBJECT

public:
    using DialogsSource = std::function<UserDialogs *()>;

    ProgramRunDock(QTextEdit *editor, DialogsSource dialogs, QWidget *parent = nullptr);
    ~ProgramRunDock() override;

    // Shows the dock and runs the editor's program at once.
    void showAndRun();
    // Runs the editor's program now (in the background); the chart follows when it is done.
    void runNow();
    // After the live check's pause: runs again while the dock is shown.
    void textChecked();

    // True while a run is under way or waits for one.
    bool isRunning() const { return m_watcher.isRunning() || m_rerun; }
    // What the chart shows; empty while the program does not compile.
    const RunOutcome &outcome() const { return m_outcome; }
    LaneChart *chart() const { return m_chart; }

    // Each limited operand's range is drawn beside its line, the first moment it leaves it
    // marked and named in the status.
    void setLimits(const OperandLimits &limits);
    // Where the shown run leaves the limits, first moment per operand, in time order.
    const LimitViolations &violations() const { return m_violations; }

    // The starting values and time limit the dock runs with: the model a write is checked on.
    ModelAssumptions assumptions() const;

    void exportCsv();
    void saveImage();

signals:
    // A step was clicked: the source line of the assignment behind it.
    void sourceLineActivated(int line);
    // A run's result is on show (a chart, or the message that the program does not compile).
    void shown();

private:
    void finishRun();
    void showOutcome();
    void showStartValues();
    void startValueEdited(QTableWidgetItem *item);
    void limitEdited();
    // The trace row behind a step of a lane, or -1 for its starting value.
    int rowOf(int lane, int step) const;
    QString tipText(int lane, int step) const;
    void stepClicked(int lane, int step);
    // The ranges and the violations on the operands' lanes.
    void showLimits();
    void resizeEvent(QResizeEvent *event) override;

    QTextEdit *m_editor;
    DialogsSource m_dialogs;
    QLabel *m_status = nullptr;
    QStackedWidget *m_pages = nullptr;
    LaneChart *m_chart = nullptr;
    QWidget *m_side = nullptr;
    QToolButton *m_sideButton = nullptr;
    QTableWidget *m_startTable = nullptr;
    QLineEdit *m_limitEdit = nullptr;

    QFutureWatcher<RunOutcome> m_watcher;
    // A run asked for while another was under way: that one's result is dropped.
    bool m_rerun = false;
    bool m_compiled = false;
    RunOutcome m_outcome;
    // Per lane: its operand's code, and the trace rows of its steps after the starting value.
    QVector<int> m_laneOperands;
    QVector<QVector<int>> m_laneRows;
    // Per lane: the violations behind its marks.
    QVector<QVector<int>> m_laneMarks;
    // By operand code; kept while the text changes.
    QHash<int, qint32> m_startValues;
    qint64 m_limitMs = ProgramRun::DefaultTimeLimitMs;
    OperandLimits m_limits;
    // What the run under way and the run on show were made from: text, limit, starting values.
    QString m_runKey;
    QString m_shownKey;
    // The text of the shown run, for the columns of its violations.
    QString m_runText;
    LimitViolations m_violations;
};
