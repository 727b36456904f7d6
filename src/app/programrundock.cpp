#include "programrundock.h"

#include "compiler.h"
#include "lanechart.h"
#include "userdialogs.h"

#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QSet>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolButton>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace {

constexpr int SideWidth = 220;
constexpr int ChartMinimumWidth = 200;
// Below this width the side panel would leave the chart too little.
constexpr int NarrowWidth = 640;

// The model of a run, cut loose from the dock: the background thread owns a copy.
RunOutcome runModel(const ProgramRun &run)
{
    return run.run();
}

} // namespace

ProgramRunDock::ProgramRunDock(QTextEdit *editor, DialogsSource dialogs, QWidget *parent)
    : QDockWidget(tr("Прогон"), parent), m_editor(editor), m_dialogs(std::move(dialogs))
{
    setObjectName(QStringLiteral("programRunDock"));
    auto *content = new QWidget(this);
    auto *layout = new QVBoxLayout(content);

    m_status = new QLabel(content);
    m_status->setObjectName(QStringLiteral("programRunStatus"));
    m_status->setWordWrap(true);
    // The line of a violation is a link to it.
    m_status->setTextFormat(Qt::RichText);
    connect(m_status, &QLabel::linkActivated, this,
            [this](const QString &link) { emit sourceLineActivated(link.toInt()); });
    // Narrow, the side panel waits behind this button so that the chart keeps the width.
    m_sideButton = new QToolButton(content);
    m_sideButton->setObjectName(QStringLiteral("programRunSideButton"));
    m_sideButton->setText(tr("Параметры"));
    m_sideButton->setToolTip(tr("Начальные значения, предел времени, экспорт"));
    m_sideButton->setCheckable(true);
    m_sideButton->hide();
    auto *top = new QHBoxLayout;
    top->addWidget(m_status, 1);
    top->addWidget(m_sideButton, 0, Qt::AlignTop);
    layout->addLayout(top);

    auto *middle = new QHBoxLayout;
    m_pages = new QStackedWidget(content);
    m_chart = new LaneChart(m_pages);
    m_chart->setObjectName(QStringLiteral("programRunChart"));
    m_chart->setMinimumWidth(ChartMinimumWidth);
    m_chart->setTipSource([this](int lane, int step, double) { return tipText(lane, step); });
    connect(m_chart, &LaneChart::stepClicked, this,
            [this](int lane, int step) { stepClicked(lane, step); });
    connect(m_chart, &LaneChart::markClicked, this, [this](int lane, int mark) {
        const int violation = m_laneMarks.value(lane).value(mark, -1);
        if (violation >= 0)
            emit sourceLineActivated(m_violations.at(violation).line);
    });
    auto *notCompiling = new QLabel(tr("Программа не компилируется"), m_pages);
    notCompiling->setObjectName(QStringLiteral("programRunNotCompiling"));
    notCompiling->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(m_chart);
    m_pages->addWidget(notCompiling);
    middle->addWidget(m_pages, 1);

    auto *side = new QVBoxLayout;
    side->addWidget(new QLabel(tr("Начальные значения:"), content));
    m_startTable = new QTableWidget(0, 2, content);
    m_startTable->setObjectName(QStringLiteral("programRunStartValues"));
    m_startTable->setHorizontalHeaderLabels({tr("Операнд"), tr("Значение")});
    m_startTable->verticalHeader()->hide();
    m_startTable->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_startTable->setToolTip(tr("Операнды, которые программа читает раньше, чем присваивает"));
    side->addWidget(m_startTable, 1);
    side->addWidget(new QLabel(tr("Предел времени:"), content));
    m_limitEdit = new QLineEdit(QStringLiteral("1h"), content);
    m_limitEdit->setObjectName(QStringLiteral("programRunLimit"));
    m_limitEdit->setToolTip(tr("Число с ms, s, m или h; число без единицы — секунды"));
    side->addWidget(m_limitEdit);
    auto *exportButton = new QPushButton(tr("Экспорт CSV..."), content);
    exportButton->setObjectName(QStringLiteral("programRunExportCsv"));
    auto *imageButton = new QPushButton(tr("Сохранить изображение..."), content);
    imageButton->setObjectName(QStringLiteral("programRunSaveImage"));
    side->addWidget(exportButton);
    side->addWidget(imageButton);
    m_side = new QWidget(content);
    m_side->setLayout(side);
    m_side->setFixedWidth(SideWidth);
    middle->addWidget(m_side);
    layout->addLayout(middle, 1);

    auto *note = new QLabel(
        tr("Модель программы: значения операндов по тексту программы, без поведения прибора"),
        content);
    note->setObjectName(QStringLiteral("programRunNote"));
    note->setWordWrap(true);
    layout->addWidget(note);
    // The dock never widens the window: what does not fit scrolls.
    auto *scroll = new QScrollArea(this);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    setWidget(scroll);

    connect(&m_watcher, &QFutureWatcher<RunOutcome>::finished, this, &ProgramRunDock::finishRun);
    connect(m_startTable, &QTableWidget::itemChanged, this, &ProgramRunDock::startValueEdited);
    connect(m_limitEdit, &QLineEdit::editingFinished, this, &ProgramRunDock::limitEdited);
    connect(m_sideButton, &QToolButton::toggled, m_side, &QWidget::setVisible);
    connect(exportButton, &QPushButton::clicked, this, &ProgramRunDock::exportCsv);
    connect(imageButton, &QPushButton::clicked, this, &ProgramRunDock::saveImage);
    // Shown again (from the menu or a restored layout), it catches up with the text.
    connect(this, &QDockWidget::visibilityChanged, this, [this](bool visible) {
        if (visible)
            runNow();
    });
}

ProgramRunDock::~ProgramRunDock()
{
    // The background run works on its own copy; its result simply has nowhere to go.
    m_watcher.disconnect(this);
}

void ProgramRunDock::showAndRun()
{
    show();
    raise();
    runNow();
}

void ProgramRunDock::textChecked()
{
    if (isVisible())
        runNow();
}

void ProgramRunDock::runNow()
{
    if (m_watcher.isRunning()) {
        m_rerun = true;
        return;
    }
    m_rerun = false;
    // The model is deterministic: the same text on the same assumptions gives the run on show,
    // and drawing it again would only take away the user's tip.
    QString key = m_editor->toPlainText() + QLatin1Char('\0') + QString::number(m_limitMs);
    for (const QPair<int, qint32> &start : assumptions().startValues)
        key += QStringLiteral("\0%1=%2").arg(start.first).arg(start.second);
    if (key == m_shownKey) {
        emit shown();
        return;
    }
    m_runKey = key;
    m_runText = m_editor->toPlainText();
    const CompileResult compiled = compileProgram(m_runText);
    m_compiled = compiled.ok;
    if (!m_compiled) {
        m_outcome = RunOutcome();
        m_shownKey = m_runKey;
        showOutcome();
        return;
    }
    ProgramRun run(compiled.instructions, compiled.recordSourceLines);
    for (auto it = m_startValues.cbegin(); it != m_startValues.cend(); ++it)
        run.setStartValue(it.key(), it.value());
    run.setTimeLimitMs(m_limitMs);
    m_watcher.setFuture(QtConcurrent::run(runModel, run));
}

void ProgramRunDock::finishRun()
{
    if (m_rerun) {
        runNow();
        return;
    }
    m_outcome = m_watcher.result();
    m_shownKey = m_runKey;
    showOutcome();
}

void ProgramRunDock::showOutcome()
{
    // A rerun keeps where the user looked and the cursors set.
    const bool following = m_chart->isFollowing();
    const double from = m_chart->visibleFromMs();
    const double to = m_chart->visibleToMs();
    const std::optional<double> cursors[] = {m_chart->cursorAt(LaneChart::CursorA),
                                             m_chart->cursorAt(LaneChart::CursorB)};
    QSet<int> hidden;
    for (int lane = 0; lane < m_chart->laneCount(); ++lane) {
        if (!m_chart->isLaneVisible(lane))
            hidden.insert(m_laneOperands.value(lane));
    }
    m_chart->clear();
    m_laneOperands.clear();
    m_laneRows.clear();
    m_laneMarks.clear();
    m_violations = m_compiled ? LimitCheck::modelViolations(m_outcome, m_limits, m_runText)
                              : LimitViolations();
    if (!m_compiled) {
        m_status->clear();
        m_pages->setCurrentIndex(1);
        emit shown();
        return;
    }
    m_pages->setCurrentIndex(0);
    QString status = ProgramRun::stopText(m_outcome, m_limitMs).toHtmlEscaped();
    if (!m_violations.isEmpty()) {
        const LimitViolation &first = m_violations.constFirst();
        status += QStringLiteral("; <a href=\"%1\" style=\"color: red\">%2</a>")
                      .arg(first.line)
                      .arg(LimitCheck::runStatusText(first).toHtmlEscaped());
    }
    m_status->setText(status);
    showStartValues();

    QHash<int, QVector<int>> rowsByOperand;
    for (int i = 0; i < m_outcome.trace.size(); ++i)
        rowsByOperand[m_outcome.trace.at(i).operand].append(i);
    for (const int code : qAsConst(m_outcome.assigned)) {
        const QVector<int> &rows = rowsByOperand[code];
        const int lane = m_chart->addLane(ProgramRun::operandName(code));
        QVector<LaneStep> steps;
        steps.reserve(rows.size() + 1);
        steps.append({0, double(m_startValues.value(code, 0))});
        for (const int row : rows)
            steps.append({m_outcome.trace.at(row).timeMs, double(m_outcome.trace.at(row).value)});
        m_chart->setSteps(lane, steps);
        m_laneOperands.append(code);
        m_laneRows.append(rows);
        m_laneMarks.append(QVector<int>());
        if (hidden.contains(code))
            m_chart->setLaneVisible(lane, false);
    }
    m_chart->setEndMs(qMax<qint64>(1, m_outcome.finalTimeMs));
    showLimits();
    if (!following)
        m_chart->setVisibleRange(from, to);
    m_chart->setCursorAt(LaneChart::CursorA, cursors[0]);
    m_chart->setCursorAt(LaneChart::CursorB, cursors[1]);
    emit shown();
}

void ProgramRunDock::setLimits(const OperandLimits &limits)
{
    if (limits == m_limits)
        return;
    m_limits = limits;
    if (isVisible() && !isRunning())
        showOutcome();
}

void ProgramRunDock::showLimits()
{
    for (int lane = 0; lane < m_laneOperands.size(); ++lane) {
        const int code = m_laneOperands.at(lane);
        if (m_limits.codes().contains(code)) {
            // A bound far beyond the values would flatten their line; it is drawn when it lies
            // within the values' own span of them, or when the run crossed it.
            double low = 0;
            double high = 0;
            bool first = true;
            for (const LaneStep &step : m_chart->steps(lane)) {
                low = first ? step.value : qMin(low, step.value);
                high = first ? step.value : qMax(high, step.value);
                first = false;
            }
            const double span = qMax(high - low, 1.0);
            const OperandRange range = m_limits.range(code);
            const bool crossed =
                std::any_of(m_violations.cbegin(), m_violations.cend(),
                            [code](const LimitViolation &v) { return v.operand == code; });
            for (const std::optional<qint32> &bound : {range.min, range.max}) {
                if (!bound || (!crossed && (*bound < low - span || *bound > high + span)))
                    continue;
                m_chart->addLevel(
                    lane, *bound,
                    tr("%1: предел %2").arg(ProgramRun::operandName(code)).arg(*bound));
            }
        }
        for (int i = 0; i < m_violations.size(); ++i) {
            const LimitViolation &violation = m_violations.at(i);
            if (violation.operand != code)
                continue;
            m_chart->addMark(lane, violation.timeMs.value_or(0), violation.value,
                             LimitCheck::violationLine(violation));
            m_laneMarks[lane].append(i);
        }
    }
}

void ProgramRunDock::showStartValues()
{
    QVector<int> shown;
    for (int row = 0; row < m_startTable->rowCount(); ++row)
        shown << m_startTable->item(row, 0)->data(Qt::UserRole).toInt();
    if (shown == m_outcome.readBeforeAssigned)
        return;
    const QSignalBlocker blocker(m_startTable);
    m_startTable->setRowCount(m_outcome.readBeforeAssigned.size());
    for (int row = 0; row < m_outcome.readBeforeAssigned.size(); ++row) {
        const int code = m_outcome.readBeforeAssigned.at(row);
        auto *name = new QTableWidgetItem(ProgramRun::operandName(code));
        name->setData(Qt::UserRole, code);
        name->setFlags(Qt::ItemIsEnabled);
        m_startTable->setItem(row, 0, name);
        m_startTable->setItem(row, 1,
                              new QTableWidgetItem(QString::number(m_startValues.value(code, 0))));
    }
}

void ProgramRunDock::startValueEdited(QTableWidgetItem *item)
{
    if (item->column() != 1)
        return;
    const int code = m_startTable->item(item->row(), 0)->data(Qt::UserRole).toInt();
    bool ok = false;
    const qint32 value = item->text().trimmed().toInt(&ok, 10);
    if (!ok) {
        // Not a 32-bit whole number: the value stays as it was.
        const QSignalBlocker blocker(m_startTable);
        item->setText(QString::number(m_startValues.value(code, 0)));
        return;
    }
    m_startValues.insert(code, value);
    runNow();
}

void ProgramRunDock::limitEdited()
{
    const std::optional<qint64> limit = ProgramRun::parseDuration(m_limitEdit->text());
    if (!limit) {
        m_limitEdit->setStyleSheet(QStringLiteral("color: red"));
        return;
    }
    m_limitEdit->setStyleSheet(QString());
    if (*limit == m_limitMs)
        return;
    m_limitMs = *limit;
    runNow();
}

int ProgramRunDock::rowOf(int lane, int step) const
{
    // Step 0 is the starting value, drawn from time 0.
    return step >= 1 ? m_laneRows.value(lane).value(step - 1, -1) : -1;
}

QString ProgramRunDock::tipText(int lane, int step) const
{
    if (step < 0)
        return QString();
    const QString name = m_chart->laneName(lane);
    const int row = rowOf(lane, step);
    if (row < 0) {
        return tr("%1: начальное значение %2")
            .arg(name)
            .arg(m_startValues.value(m_laneOperands.value(lane)));
    }
    const RunTraceRow &r = m_outcome.trace.at(row);
    return tr("%1 = %2\nвремя %3\nстрока %4")
        .arg(name)
        .arg(r.value)
        .arg(ProgramRun::durationText(r.timeMs))
        .arg(r.line);
}

void ProgramRunDock::stepClicked(int lane, int step)
{
    const int row = rowOf(lane, step);
    if (row >= 0)
        emit sourceLineActivated(m_outcome.trace.at(row).line);
}

void ProgramRunDock::resizeEvent(QResizeEvent *event)
{
    QDockWidget::resizeEvent(event);
    const bool narrow = width() < NarrowWidth;
    m_sideButton->setVisible(narrow);
    m_side->setVisible(!narrow || m_sideButton->isChecked());
}

ModelAssumptions ProgramRunDock::assumptions() const
{
    ModelAssumptions model;
    for (auto it = m_startValues.cbegin(); it != m_startValues.cend(); ++it)
        model.startValues.append({it.key(), it.value()});
    // In code order, as the words name them.
    std::sort(model.startValues.begin(), model.startValues.end());
    model.timeLimitMs = m_limitMs;
    return model;
}

void ProgramRunDock::exportCsv()
{
    if (!m_compiled)
        return;
    UserDialogs *dialogs = m_dialogs();
    const QString path = dialogs->saveFileName(this, tr("Экспорт CSV"), QDir::currentPath(),
                                               tr("Файл CSV (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    // The whole trace, never the thinned drawing.
    QSaveFile file(path);
    bool ok = file.open(QIODevice::WriteOnly);
    if (ok) {
        QByteArray bytes = ProgramRun::csvHeader().toUtf8() + '\n';
        for (const RunTraceRow &row : qAsConst(m_outcome.trace))
            bytes += ProgramRun::csvLine(row).toUtf8() + '\n';
        ok = file.write(bytes) == bytes.size() && file.commit();
    }
    if (!ok) {
        dialogs->warning(this, tr("Экспорт CSV"), tr("Не удается записать файл %1").arg(path),
                         file.errorString());
    }
}

void ProgramRunDock::saveImage()
{
    UserDialogs *dialogs = m_dialogs();
    const QString path =
        dialogs->saveFileName(this, tr("Сохранить изображение"), QDir::currentPath(),
                              tr("Изображение PNG (*.png)"), QStringLiteral("png"));
    if (path.isEmpty())
        return;
    if (!m_chart->grab().save(path, "PNG")) {
        dialogs->warning(this, tr("Сохранить изображение"),
                         tr("Не удается записать файл %1").arg(path));
    }
}
