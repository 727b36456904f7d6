#include "programrundock.h"

#include "compiler.h"
#include "steppoints.h"
#include "userdialogs.h"

#include <QChart>
#include <QChartView>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegend>
#include <QLegendMarker>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QSaveFile>
#include <QStackedWidget>
#include <QTableWidget>
#include <QTextEdit>
#include <QToolTip>
#include <QValueAxis>
#include <QScatterSeries>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#include <cmath>

namespace {

constexpr int SideWidth = 220;
constexpr int ChartMinimumWidth = 200;
constexpr int ChartMinimumHeight = 150;
constexpr double ValueMargin = 0.05;
constexpr qreal HiddenMarkerAlpha = 0.35;

struct TimeUnit
{
    double ms;
    const char *name;
};

// The largest unit in which the run still spans at least two of them.
TimeUnit unitFor(qint64 endMs)
{
    if (endMs >= 2 * 3600 * 1000)
        return {3600.0 * 1000, QT_TRANSLATE_NOOP("ProgramRunDock", "ч")};
    if (endMs >= 2 * 60 * 1000)
        return {60.0 * 1000, QT_TRANSLATE_NOOP("ProgramRunDock", "мин")};
    if (endMs >= 2 * 1000)
        return {1000.0, QT_TRANSLATE_NOOP("ProgramRunDock", "с")};
    return {1.0, QT_TRANSLATE_NOOP("ProgramRunDock", "мс")};
}

// Ticks at 1, 2 or 5 times a power of ten, about five over the axis, counted from 0, so the run's
// own end and its values keep the axis's ends.
void setNiceTicks(QValueAxis *axis)
{
    const double span = axis->max() - axis->min();
    if (!(span > 0))
        return;
    const double rough = span / 5;
    const double power = std::pow(10.0, std::floor(std::log10(rough)));
    double step = power;
    for (const double factor : {2.0, 5.0, 10.0}) {
        if (step >= rough)
            break;
        step = power * factor;
    }
    axis->setTickType(QValueAxis::TicksDynamic);
    axis->setTickAnchor(0);
    axis->setTickInterval(step);
}

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
    layout->addWidget(m_status);

    auto *middle = new QHBoxLayout;
    m_pages = new QStackedWidget(content);
    m_chart = new QChart;
    m_chart->legend()->setAlignment(Qt::AlignBottom);
    m_timeAxis = new QValueAxis(m_chart);
    m_valueAxis = new QValueAxis(m_chart);
    m_valueAxis->setTitleText(tr("Значение"));
    // Whole numbers stay whole; the time axis shows fractions of its unit only where they are.
    m_valueAxis->setLabelFormat(QStringLiteral("%g"));
    m_timeAxis->setLabelFormat(QStringLiteral("%g"));
    m_chart->addAxis(m_timeAxis, Qt::AlignBottom);
    m_chart->addAxis(m_valueAxis, Qt::AlignLeft);
    m_view = new QChartView(m_chart, m_pages);
    m_view->setObjectName(QStringLiteral("programRunChart"));
    m_view->setRenderHint(QPainter::Antialiasing);
    m_view->setMinimumSize(ChartMinimumWidth, ChartMinimumHeight);
    auto *notCompiling = new QLabel(tr("Программа не компилируется"), m_pages);
    notCompiling->setObjectName(QStringLiteral("programRunNotCompiling"));
    notCompiling->setAlignment(Qt::AlignCenter);
    m_pages->addWidget(m_view);
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
    auto *sidePanel = new QWidget(content);
    sidePanel->setLayout(side);
    sidePanel->setFixedWidth(SideWidth);
    middle->addWidget(sidePanel);
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
    m_runText = m_editor->toPlainText();
    const CompileResult compiled = compileProgram(m_runText);
    m_compiled = compiled.ok;
    if (!m_compiled) {
        m_outcome = RunOutcome();
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
    showOutcome();
}

void ProgramRunDock::showOutcome()
{
    m_chart->removeAllSeries();
    m_seriesRows.clear();
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

    const qint64 endMs = qMax<qint64>(1, m_outcome.finalTimeMs);
    const TimeUnit unit = unitFor(endMs);
    m_msPerUnit = unit.ms;
    m_timeAxis->setTitleText(tr("Время, %1").arg(tr(unit.name)));
    m_timeAxis->setRange(0, double(endMs) / unit.ms);
    setNiceTicks(m_timeAxis);

    QHash<int, QVector<int>> rowsByOperand;
    for (int i = 0; i < m_outcome.trace.size(); ++i)
        rowsByOperand[m_outcome.trace.at(i).operand].append(i);
    // One pixel column per point is all the screen shows.
    const int columns = qMax(m_view->width(), ChartMinimumWidth);
    double low = 0;
    double high = 0;
    bool first = true;
    for (const int code : qAsConst(m_outcome.assigned)) {
        const QVector<int> &rows = rowsByOperand[code];
        auto *series = new QLineSeries;
        series->setName(ProgramRun::operandName(code));
        series->setProperty("operand", code);
        const qint32 start = m_startValues.value(code, 0);
        const QVector<QPointF> points =
            stepPoints(m_outcome.trace, rows, start, endMs, unit.ms, columns);
        for (const QPointF &p : points) {
            low = first ? p.y() : qMin(low, p.y());
            high = first ? p.y() : qMax(high, p.y());
            first = false;
        }
        series->replace(points);
        m_chart->addSeries(series);
        series->attachAxis(m_timeAxis);
        series->attachAxis(m_valueAxis);
        m_seriesRows.insert(series, rows);
        connect(series, &QLineSeries::hovered, this,
                [this, series](const QPointF &p, bool entered) { hovered(series, p, entered); });
        connect(series, &QLineSeries::clicked, this,
                [this, series](const QPointF &p) { clicked(series, p); });
    }
    showLimits(endMs, unit.ms, low, high);
    const double margin = high > low ? (high - low) * ValueMargin : 1;
    m_valueAxis->setRange(low - margin, high + margin);
    setNiceTicks(m_valueAxis);
    for (QLegendMarker *marker : m_chart->legend()->markers()) {
        // Ranges and marks have no entry of their own: the legend names operands.
        if (!m_seriesRows.contains(qobject_cast<QLineSeries *>(marker->series()))) {
            marker->setVisible(false);
            continue;
        }
        auto *series = qobject_cast<QLineSeries *>(marker->series());
        connect(marker, &QLegendMarker::clicked, this, [this, series] { toggleSeries(series); });
    }
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

void ProgramRunDock::showLimits(qint64 endMs, double msPerUnit, double &low, double &high)
{
    if (m_limits.isEmpty())
        return;
    // A bound far beyond the values would flatten their lines; it is drawn when it lies within
    // the values' own span of them, or when the run crossed it.
    const double span = qMax(high - low, 1.0);
    QHash<int, QColor> colors;
    for (auto it = m_seriesRows.cbegin(); it != m_seriesRows.cend(); ++it)
        colors.insert(it.key()->property("operand").toInt(), it.key()->color());
    for (const int code : m_limits.codes()) {
        if (!colors.contains(code))
            continue;
        const OperandRange range = m_limits.range(code);
        const bool crossed =
            std::any_of(m_violations.cbegin(), m_violations.cend(),
                        [code](const LimitViolation &v) { return v.operand == code; });
        for (const std::optional<qint32> &bound : {range.min, range.max}) {
            if (!bound || (!crossed && (*bound < low - span || *bound > high + span)))
                continue;
            auto *line = new QLineSeries;
            line->setName(tr("%1: предел %2").arg(ProgramRun::operandName(code)).arg(*bound));
            QPen pen(colors.value(code));
            pen.setStyle(Qt::DashLine);
            line->setPen(pen);
            line->setProperty("limitOf", code);
            line->append(0, *bound);
            line->append(double(endMs) / msPerUnit, *bound);
            m_chart->addSeries(line);
            line->attachAxis(m_timeAxis);
            line->attachAxis(m_valueAxis);
            low = qMin(low, double(*bound));
            high = qMax(high, double(*bound));
        }
    }
    if (m_violations.isEmpty())
        return;
    auto *marks = new QScatterSeries;
    marks->setObjectName(QStringLiteral("programRunViolations"));
    marks->setName(tr("Выход за пределы"));
    marks->setColor(Qt::red);
    marks->setMarkerSize(10);
    for (const LimitViolation &violation : qAsConst(m_violations))
        marks->append(double(violation.timeMs.value_or(0)) / msPerUnit, violation.value);
    m_chart->addSeries(marks);
    marks->attachAxis(m_timeAxis);
    marks->attachAxis(m_valueAxis);
    connect(marks, &QScatterSeries::clicked, this, [this, msPerUnit](const QPointF &point) {
        // The mark nearest the click in time leads to its line.
        const LimitViolation *nearest = nullptr;
        for (const LimitViolation &violation : qAsConst(m_violations)) {
            const double distance =
                std::abs(double(violation.timeMs.value_or(0)) / msPerUnit - point.x());
            if (!nearest ||
                distance < std::abs(double(nearest->timeMs.value_or(0)) / msPerUnit - point.x()))
                nearest = &violation;
        }
        if (nearest)
            emit sourceLineActivated(nearest->line);
    });
    connect(marks, &QScatterSeries::hovered, this,
            [this, msPerUnit](const QPointF &point, bool on) {
                if (!on) {
                    QToolTip::hideText();
                    return;
                }
                for (const LimitViolation &violation : qAsConst(m_violations)) {
                    if (qFuzzyCompare(double(violation.timeMs.value_or(0)) / msPerUnit + 1,
                                      point.x() + 1) &&
                        violation.value == point.y()) {
                        QToolTip::showText(QCursor::pos(), LimitCheck::violationLine(violation),
                                           m_view);
                        return;
                    }
                }
            });
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

int ProgramRunDock::rowAt(QLineSeries *series, const QPointF &point) const
{
    const QVector<int> rows = m_seriesRows.value(series);
    // Half a pixel's worth of time, so a click on a step's riser finds the step.
    const double slack = m_timeAxis->max() / qMax(1, m_view->width()) * 2;
    const double ms = (point.x() + slack) * m_msPerUnit;
    const auto after = std::upper_bound(rows.cbegin(), rows.cend(), ms, [this](double t, int row) {
        return t < double(m_outcome.trace.at(row).timeMs);
    });
    return after == rows.cbegin() ? -1 : *(after - 1);
}

void ProgramRunDock::hovered(QLineSeries *series, const QPointF &point, bool entered)
{
    if (!entered) {
        QToolTip::hideText();
        return;
    }
    const int row = rowAt(series, point);
    QString text;
    if (row < 0) {
        const int code = series->property("operand").toInt();
        text = tr("%1: начальное значение %2").arg(series->name()).arg(m_startValues.value(code));
    } else {
        const RunTraceRow &r = m_outcome.trace.at(row);
        text = tr("%1 = %2\nвремя %3\nстрока %4")
                   .arg(series->name())
                   .arg(r.value)
                   .arg(ProgramRun::durationText(r.timeMs))
                   .arg(r.line);
    }
    QToolTip::showText(QCursor::pos(), text, m_view);
}

void ProgramRunDock::clicked(QLineSeries *series, const QPointF &point)
{
    const int row = rowAt(series, point);
    if (row >= 0)
        emit sourceLineActivated(m_outcome.trace.at(row).line);
}

void ProgramRunDock::toggleSeries(QLineSeries *series)
{
    if (!series)
        return;
    series->setVisible(!series->isVisible());
    // An operand's ranges come and go with its line.
    for (QAbstractSeries *other : m_chart->series()) {
        if (other->property("limitOf") == series->property("operand"))
            other->setVisible(series->isVisible());
    }
    // The marker stays in the legend, faded, so the series can be shown again.
    for (QLegendMarker *marker : m_chart->legend()->markers(series)) {
        marker->setVisible(true);
        QColor color = marker->labelBrush().color();
        color.setAlphaF(series->isVisible() ? 1.0 : HiddenMarkerAlpha);
        marker->setLabelBrush(color);
    }
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
    if (!m_view->grab().save(path, "PNG")) {
        dialogs->warning(this, tr("Сохранить изображение"),
                         tr("Не удается записать файл %1").arg(path));
    }
}
