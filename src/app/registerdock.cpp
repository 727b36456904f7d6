#include "registerdock.h"

#include "deviceconnection.h"
#include "devicesession.h"
#include "elidedlabel.h"
#include "lanechart.h"
#include "registercsv.h"
#include "registerlayout.h"
#include "registerpoll.h"
#include "registerwrite.h"
#include "settingskeys.h"
#include "transferwording.h"
#include "userdialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollArea>
#include <QSettings>
#include <QSplitter>
#include <QSpinBox>
#include <QTableWidget>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <limits>

namespace {

enum Column
{
    FieldColumn,
    TypeColumn,
    RawColumn,
    LabelColumn,
    ScaleColumn,
    UnitColumn,
    ValueColumn,
    ColumnCount,
};

// Ten minutes: longer polls are not watching any more; the spin box stays narrow too.
constexpr int MaxIntervalMs = 600 * 1000;
// Past this many intervals without an answer a value is shown greyed.
constexpr int StaleIntervals = 2;
// A register map file larger than this is not one.
constexpr qint64 MaxMapBytes = 1024 * 1024;
// Steps a chart lane keeps: an hour at the shortest intervals; older ones go.
constexpr int ChartStepsPerLane = 30000;

QString fieldOfRow(const QTableWidget *table, int row)
{
    const QTableWidgetItem *item = table->item(row, FieldColumn);
    return item ? item->text() : QString();
}

} // namespace

RegisterDock::RegisterDock(DeviceSession &session, QSettings *settings, QWidget *parent)
    : QDockWidget(tr("Регистры"), parent), m_session(session), m_settings(settings),
      m_poll(new RegisterPoll(session, this))
{
    // The window keeps the dock's place between runs by this name.
    setObjectName(QStringLiteral("registerDock"));
    auto *content = new QWidget(this);

    auto *blocks = new QHBoxLayout;
    blocks->addWidget(new QLabel(tr("Регистры:"), content));
    for (const RegisterLayout::Block &block : RegisterLayout::blocks()) {
        auto *box = new QCheckBox(block.key, content);
        box->setObjectName(QStringLiteral("block%1Box").arg(block.key));
        box->setToolTip(block.key == QLatin1String("ABs") ? tr("Короткая форма чтения регистра AB")
                                                          : tr("Регистр %1").arg(block.key));
        m_blockBoxes.insert(block.key, box);
        blocks->addWidget(box);
        connect(box, &QCheckBox::toggled, this, [this]() {
            buildTable();
            applySettings();
            saveSettings();
        });
    }
    m_access = new QSpinBox(content);
    m_access->setObjectName(QStringLiteral("accessBox"));
    m_access->setRange(0, 255);
    m_access->setToolTip(tr("Код доступа для регистров A8 и AB"));
    blocks->addStretch();

    auto *pollRow = new QHBoxLayout;
    m_interval = new QSpinBox(content);
    m_interval->setObjectName(QStringLiteral("intervalBox"));
    m_interval->setSuffix(tr(" мс"));
    m_interval->setRange(10, MaxIntervalMs);
    m_interval->setSingleStep(50);
    m_shortest = new QLabel(content);
    m_shortest->setObjectName(QStringLiteral("shortestLabel"));
    m_pollButton = new QPushButton(tr("Опрашивать"), content);
    m_pollButton->setObjectName(QStringLiteral("pollButton"));
    m_window = new QComboBox(content);
    m_window->setObjectName(QStringLiteral("windowBox"));
    m_window->addItem(tr("30 с"), qint64(30 * 1000));
    m_window->addItem(tr("5 мин"), qint64(5 * 60 * 1000));
    m_window->addItem(tr("1 ч"), qint64(3600 * 1000));
    m_window->addItem(tr("все"), qint64(0));
    m_window->setToolTip(tr("Окно времени графика"));
    // Shortened rather than widening the window past its 450 px.
    m_counts = new ElidedLabel(Qt::ElideRight, content);
    m_counts->setObjectName(QStringLiteral("countsLabel"));
    pollRow->addWidget(new QLabel(tr("Период:"), content));
    pollRow->addWidget(m_interval);
    pollRow->addWidget(m_shortest);
    pollRow->addWidget(m_pollButton);
    pollRow->addStretch();
    // Its own row: the counts grow, and the dock must fit a narrow window.
    auto *countsRow = new QHBoxLayout;
    countsRow->addWidget(new QLabel(tr("Окно:"), content));
    countsRow->addWidget(m_window);
    countsRow->addWidget(new QLabel(tr("Доступ A8, AB:"), content));
    countsRow->addWidget(m_access);
    countsRow->addWidget(m_counts, 1);

    auto *logRow = new QHBoxLayout;
    m_csvButton = new QPushButton(tr("Записывать в CSV…"), content);
    m_csvButton->setObjectName(QStringLiteral("csvButton"));
    m_csvButton->setCheckable(true);
    m_mapButton = new QToolButton(content);
    m_mapButton->setObjectName(QStringLiteral("mapButton"));
    m_mapButton->setText(tr("Карта регистров"));
    m_mapButton->setPopupMode(QToolButton::InstantPopup);
    auto *mapMenu = new QMenu(m_mapButton);
    mapMenu->addAction(tr("Экспорт…"), this, &RegisterDock::exportMap);
    mapMenu->addAction(tr("Импорт…"), this, &RegisterDock::importMap);
    m_mapButton->setMenu(mapMenu);
    logRow->addWidget(m_csvButton);
    logRow->addWidget(m_mapButton);
    logRow->addStretch();

    m_table = new QTableWidget(0, ColumnCount, content);
    m_table->setObjectName(QStringLiteral("registerTable"));
    m_table->setHorizontalHeaderLabels({tr("Поле"), tr("Тип"), tr("Сырое"), tr("Название"),
                                        tr("Масштаб"), tr("Единица"), tr("Значение")});
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_table->setToolTip(tr("Название, масштаб и единица правятся; флажок поля — на графике"));

    auto *writeRow = new QHBoxLayout;
    m_writeRegister = new QComboBox(content);
    m_writeRegister->setObjectName(QStringLiteral("writeRegisterBox"));
    m_writeRegister->addItem(QStringLiteral("03"));
    m_writeRegister->addItem(QStringLiteral("07"));
    m_writeFirst = new QLineEdit(content);
    m_writeFirst->setObjectName(QStringLiteral("writeFirstEdit"));
    m_writeSecond = new QLineEdit(content);
    m_writeSecond->setObjectName(QStringLiteral("writeSecondEdit"));
    m_writeButton = new QPushButton(tr("Записать регистр…"), content);
    m_writeButton->setObjectName(QStringLiteral("writeRegisterButton"));
    writeRow->addWidget(new QLabel(tr("Запись:"), content));
    writeRow->addWidget(m_writeRegister);
    writeRow->addWidget(m_writeFirst);
    writeRow->addWidget(m_writeSecond);
    writeRow->addWidget(m_writeButton);
    writeRow->addStretch();

    m_status = new QLabel(content);
    m_status->setObjectName(QStringLiteral("registerStatus"));
    m_status->setWordWrap(true);

    m_chart = new LaneChart(content);
    m_chart->setObjectName(QStringLiteral("registerChart"));
    m_chart->setSampleLimit(ChartStepsPerLane);
    auto *split = new QSplitter(Qt::Vertical, content);
    split->setObjectName(QStringLiteral("registerSplitter"));
    split->addWidget(m_table);
    split->addWidget(m_chart);
    split->setChildrenCollapsible(false);

    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(blocks);
    layout->addLayout(pollRow);
    layout->addLayout(countsRow);
    layout->addLayout(logRow);
    layout->addWidget(split, 1);
    layout->addLayout(writeRow);
    layout->addWidget(m_status);
    // In a window of 450 x 600 the dock's rows and chart need more height than is left: they
    // scroll instead of growing the window.
    auto *scroll = new QScrollArea(this);
    scroll->setObjectName(QStringLiteral("registerScroll"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setWidget(content);
    setWidget(scroll);

    m_staleTimer = new QTimer(this);
    connect(m_staleTimer, &QTimer::timeout, this, &RegisterDock::greyStale);

    // What was chosen last time.
    const QStringList keys =
        m_settings->value(SettingsKeys::MonitorRegisters, RegisterLayout::defaultKeys())
            .toStringList();
    for (auto it = m_blockBoxes.begin(); it != m_blockBoxes.end(); ++it) {
        const QSignalBlocker blocker(it.value());
        it.value()->setChecked(keys.contains(it.key()));
    }
    m_access->setValue(m_settings->value(SettingsKeys::MonitorAccess, 1).toInt());
    m_interval->setValue(m_settings->value(SettingsKeys::MonitorIntervalMs, 500).toInt());
    QString error;
    if (const std::optional<RegisterMap> stored = RegisterMap::fromJson(
            m_settings->value(SettingsKeys::RegisterMap).toByteArray(), &error))
        m_map = *stored;
    buildTable();
    applySettings();

    connect(m_access, QOverload<int>::of(&QSpinBox::valueChanged), this, [this]() {
        applySettings();
        saveSettings();
    });
    connect(m_interval, &QSpinBox::editingFinished, this, [this]() {
        applySettings();
        saveSettings();
    });
    connect(m_pollButton, &QPushButton::clicked, this, [this]() {
        if (isPolling())
            pausePolling();
        else
            startPolling();
    });
    connect(m_window, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RegisterDock::resetChart);
    connect(m_csvButton, &QPushButton::clicked, this, &RegisterDock::toggleCsvLog);
    connect(m_writeButton, &QPushButton::clicked, this, &RegisterDock::writeRegister);
    connect(m_writeRegister, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            &RegisterDock::updateControls);
    connect(m_table, &QTableWidget::cellChanged, this, &RegisterDock::mapEdited);
    connect(m_poll, &RegisterPoll::sampled, this, &RegisterDock::showSample);
    // The window hears of a lost line first and closes; the reason is the loss's.
    connect(&m_session, &DeviceSession::lineLost, this, [this](QSerialPort::SerialPortError lost) {
        if (m_stoppedByClose || m_poll->isRunning())
            showStatus(tr("Опрос остановлен: %1: %2")
                           .arg(TransferWording::lostLine(), DeviceConnection::lossReason(lost)),
                       true);
    });
    connect(m_poll, &RegisterPoll::stopped, this, [this](const QString &reason) {
        m_staleTimer->stop();
        if (!reason.isEmpty())
            showStatus(tr("Опрос остановлен: %1").arg(reason), true);
        updateControls();
    });
    updateControls();
}

RegisterDock::~RegisterDock() = default;

void RegisterDock::setSlaveId(quint8 slave)
{
    m_slave = slave;
    applySettings();
}

void RegisterDock::connectionChanged(bool open)
{
    if (open == m_open)
        return;
    m_open = open;
    m_stoppedByClose = !open && m_poll->isRunning();
    if (m_stoppedByClose) {
        m_poll->stop();
        showStatus(tr("Опрос остановлен: порт закрыт"));
    }
    updateControls();
}

QStringList RegisterDock::chosenKeys() const
{
    QStringList keys;
    for (const RegisterLayout::Block &block : RegisterLayout::blocks()) {
        if (m_blockBoxes.value(block.key)->isChecked())
            keys.append(block.key);
    }
    return keys;
}

void RegisterDock::applySettings()
{
    const QStringList keys = chosenKeys();
    const int shortest = RegisterLayout::shortestIntervalMs(keys);
    m_shortest->setText(tr("от %1 мс").arg(shortest));
    m_shortest->setToolTip(tr("Короче линия не успевает для выбранных регистров"));
    if (m_interval->value() < shortest)
        m_interval->setValue(shortest);
    RegisterPoll::Settings settings;
    settings.slave = m_slave;
    settings.keys = keys;
    settings.access = quint8(m_access->value());
    settings.intervalMs = m_interval->value();
    m_poll->setSettings(settings);
    if (m_staleTimer->isActive())
        m_staleTimer->start(settings.intervalMs);
}

void RegisterDock::saveSettings()
{
    m_settings->setValue(SettingsKeys::MonitorRegisters, chosenKeys());
    m_settings->setValue(SettingsKeys::MonitorAccess, m_access->value());
    m_settings->setValue(SettingsKeys::MonitorIntervalMs, m_interval->value());
    m_settings->setValue(SettingsKeys::MonitorChartFields, chartFields());
    m_settings->setValue(SettingsKeys::RegisterMap, m_map.toJson());
}

void RegisterDock::buildTable()
{
    const QStringList charted = m_settings->value(SettingsKeys::MonitorChartFields).toStringList();
    m_filling = true;
    m_table->setRowCount(0);
    for (const QString &key : chosenKeys()) {
        const RegisterLayout::Block *block = RegisterLayout::find(key);
        for (int i = 0; i < block->fields.size(); ++i) {
            const int row = m_table->rowCount();
            m_table->insertRow(row);
            const QString name = RegisterLayout::fieldName(*block, i);
            const RegisterMap::Entry entry = m_map.entry(name);
            auto *field = new QTableWidgetItem(name);
            field->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            field->setCheckState(charted.contains(name) ? Qt::Checked : Qt::Unchecked);
            m_table->setItem(row, FieldColumn, field);
            auto *type = new QTableWidgetItem(RegisterLayout::typeName(block->fields.at(i)));
            type->setFlags(Qt::ItemIsEnabled);
            m_table->setItem(row, TypeColumn, type);
            for (const int column : {int(RawColumn), int(ValueColumn)}) {
                auto *value = new QTableWidgetItem;
                value->setFlags(Qt::ItemIsEnabled);
                value->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                m_table->setItem(row, column, value);
            }
            m_table->setItem(row, LabelColumn, new QTableWidgetItem(entry.label));
            m_table->setItem(row, ScaleColumn, new QTableWidgetItem(QString::number(entry.scale)));
            m_table->setItem(row, UnitColumn, new QTableWidgetItem(entry.unit));
        }
    }
    m_filling = false;
    resetChart();
}

void RegisterDock::mapEdited(int row, int column)
{
    if (m_filling)
        return;
    const QString field = fieldOfRow(m_table, row);
    if (column == FieldColumn) {
        saveSettings();
        resetChart();
        return;
    }
    RegisterMap::Entry entry = m_map.entry(field);
    const QString text = m_table->item(row, column)->text().trimmed();
    if (column == LabelColumn) {
        entry.label = text;
    } else if (column == UnitColumn) {
        entry.unit = text;
    } else if (column == ScaleColumn) {
        bool ok = false;
        const double scale = QLocale().toDouble(text, &ok);
        const double plain = ok ? scale : text.toDouble(&ok);
        if (!ok || plain == 0.0) {
            showStatus(tr("Масштаб поля %1 должен быть числом, не равным нулю").arg(field), true);
            m_filling = true;
            m_table->item(row, column)->setText(QString::number(entry.scale));
            m_filling = false;
            return;
        }
        entry.scale = plain;
    } else {
        return;
    }
    m_map.setEntry(field, entry);
    saveSettings();
    if (m_csv)
        showStatus(tr("Изменение карты войдет в следующий файл CSV"));
    resetChart();
}

void RegisterDock::setMap(const RegisterMap &map)
{
    m_map = map;
    saveSettings();
    buildTable();
}

QStringList RegisterDock::chartFields() const
{
    QStringList fields;
    for (int row = 0; row < m_table->rowCount(); ++row) {
        if (m_table->item(row, FieldColumn)->checkState() == Qt::Checked)
            fields.append(fieldOfRow(m_table, row));
    }
    return fields;
}

qint64 RegisterDock::windowMs() const
{
    return m_window->currentData().toLongLong();
}

void RegisterDock::resetChart()
{
    if (!m_origin.isValid())
        m_origin = QDateTime::currentDateTimeUtc();
    m_chart->clear();
    m_chart->setTimeOrigin(m_origin);
    m_chart->setTimeWindowMs(windowMs());
    for (const QString &field : chartFields())
        m_chart->addLane(m_map.columnName(field), m_map.entry(field).unit);
    m_chart->setVisible(m_chart->laneCount() > 0);
}

void RegisterDock::startPolling()
{
    if (chosenKeys().isEmpty()) {
        showStatus(tr("Не выбран ни один регистр"), true);
        return;
    }
    applySettings();
    m_poll->resetCounts();
    if (m_poll->start()) {
        showStatus(QString());
        m_staleTimer->start(m_poll->settings().intervalMs);
    }
    updateControls();
}

void RegisterDock::pausePolling()
{
    m_poll->stop();
    showStatus(tr("Опрос на паузе"));
    updateControls();
}

bool RegisterDock::isPolling() const
{
    return m_poll->isRunning();
}

void RegisterDock::showSample(const RegisterSample &sample)
{
    m_counts->setText(
        tr("опросов: %1, неудачных: %2").arg(m_poll->polls()).arg(m_poll->failedPolls()));
    const qint64 atMs = m_origin.msecsTo(sample.time);
    for (const RegisterSample::Reading &reading : sample.readings) {
        if (reading.result == LinkResult::Success)
            m_lastAnswer.insert(reading.key, sample.time);
    }
    const QStringList charted = chartFields();
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString field = fieldOfRow(m_table, row);
        const std::optional<int> raw = sample.value(field);
        // Lanes follow the charted rows in table order; a poll without an answer is a gap.
        const int lane = charted.indexOf(field);
        if (!raw) {
            if (lane >= 0)
                m_chart->appendSample(lane, atMs, std::numeric_limits<double>::quiet_NaN());
            continue;
        }
        m_table->item(row, RawColumn)->setText(QString::number(*raw));
        const QString unit = m_map.entry(field).unit;
        m_table->item(row, ValueColumn)
            ->setText(m_map.scaledText(field, *raw) +
                      (unit.isEmpty() ? QString() : QLatin1Char(' ') + unit));
        if (lane >= 0)
            m_chart->appendSample(lane, atMs, m_map.scaled(field, *raw));
    }
    greyStale();
    if (m_csv) {
        QString error;
        if (!m_csv->append(sample, &error)) {
            showStatus(tr("Запись в CSV остановлена: %1: %2").arg(m_csv->fileName(), error), true);
            m_csv.reset();
            updateControls();
        }
    }
    if (!sample.complete())
        showStatus(tr("Нет ответа на чтение регистров %1")
                       .arg(sample.failedKeys().join(QStringLiteral(", "))),
                   true);
    else if (m_status->property("error").toBool())
        showStatus(QString());
}

void RegisterDock::greyStale()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    const qint64 staleMs = qint64(StaleIntervals) * m_poll->settings().intervalMs;
    const QColor grey = palette().color(QPalette::Disabled, QPalette::Text);
    const QColor normal = palette().color(QPalette::Text);
    for (int row = 0; row < m_table->rowCount(); ++row) {
        const QString field = fieldOfRow(m_table, row);
        const QString key = field.left(field.lastIndexOf(QLatin1Char('.')));
        const QDateTime last = m_lastAnswer.value(key);
        const bool stale = !last.isValid() || last.msecsTo(now) > staleMs;
        for (const int column : {int(RawColumn), int(ValueColumn)}) {
            QTableWidgetItem *item = m_table->item(row, column);
            item->setForeground(stale ? grey : normal);
            item->setData(Qt::UserRole, stale);
        }
    }
}

void RegisterDock::showStatus(const QString &text, bool error)
{
    m_status->setText(text);
    m_status->setProperty("error", error);
    m_status->setStyleSheet(error ? QStringLiteral("color: #b00000;") : QString());
}

void RegisterDock::updateControls()
{
    const bool polling = m_poll->isRunning();
    m_pollButton->setText(polling ? tr("Пауза") : tr("Опрашивать"));
    m_pollButton->setEnabled(m_open || polling);
    m_writeButton->setEnabled(m_open);
    m_writeSecond->setVisible(m_writeRegister->currentText() == QLatin1String("03"));
    m_csvButton->setChecked(m_csv != nullptr);
    m_csvButton->setText(m_csv ? tr("Остановить запись CSV") : tr("Записывать в CSV…"));
}

void RegisterDock::toggleCsvLog()
{
    if (m_csv) {
        const qint64 written = m_csv->samplesWritten();
        const QString name = m_csv->fileName();
        m_csv.reset();
        showStatus(tr("Записано в %1 строк: %2").arg(QDir::toNativeSeparators(name)).arg(written));
        updateControls();
        return;
    }
    updateControls();
    const QString path = m_dialogs->saveFileName(this, tr("Записывать в CSV"), QDir::homePath(),
                                                 tr("CSV (*.csv)"), QStringLiteral("csv"));
    if (path.isEmpty())
        return;
    auto csv = std::make_unique<RegisterCsv>(RegisterLayout::fieldNames(chosenKeys()), m_map);
    QString error;
    if (!csv->open(path, &error)) {
        m_dialogs->warning(this, tr("Записывать в CSV"),
                           tr("Не удается записать файл %1").arg(QDir::toNativeSeparators(path)),
                           error);
        return;
    }
    m_csv = std::move(csv);
    showStatus(tr("Запись в %1").arg(QDir::toNativeSeparators(path)));
    updateControls();
}

void RegisterDock::exportMap()
{
    const QString path =
        m_dialogs->saveFileName(this, tr("Экспорт карты регистров"), QDir::homePath(),
                                tr("Карта регистров (*.json)"), QStringLiteral("json"));
    if (path.isEmpty())
        return;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(m_map.toJson()) < 0 || !file.commit()) {
        m_dialogs->warning(this, tr("Экспорт карты регистров"),
                           tr("Не удается записать файл %1").arg(QDir::toNativeSeparators(path)),
                           file.errorString());
        return;
    }
    showStatus(tr("Карта регистров сохранена в %1").arg(QDir::toNativeSeparators(path)));
}

void RegisterDock::importMap()
{
    const QString path = m_dialogs->openFileName(this, tr("Импорт карты регистров"),
                                                 QDir::homePath(), tr("Карта регистров (*.json)"));
    if (path.isEmpty())
        return;
    QFile file(path);
    QString error;
    std::optional<RegisterMap> map;
    if (!file.open(QIODevice::ReadOnly)) {
        error = file.errorString();
    } else {
        const QByteArray json = file.read(MaxMapBytes + 1);
        if (json.size() > MaxMapBytes)
            error = tr("файл больше 1 МБ");
        else
            map = RegisterMap::fromJson(json, &error);
    }
    if (!map) {
        m_dialogs->warning(
            this, tr("Импорт карты регистров"),
            tr("Карта регистров %1 не прочитана").arg(QDir::toNativeSeparators(path)), error);
        return;
    }
    setMap(*map);
    showStatus(tr("Карта регистров прочитана из %1").arg(QDir::toNativeSeparators(path)));
}

void RegisterDock::writeRegister()
{
    std::optional<RegisterWrite> write = RegisterWrite::of(m_writeRegister->currentText());
    QStringList texts = {m_writeFirst->text()};
    if (write->valueCount() == 2)
        texts.append(m_writeSecond->text());
    QString error;
    if (!write->setValues(texts, &error)) {
        showStatus(error, true);
        return;
    }
    if (!m_dialogs->askWriteRegister(this, tr("Запись регистра"), write->question(m_slave)))
        return;
    showStatus(tr("Запись регистра %1…").arg(write->key()));
    m_writeButton->setEnabled(false);
    const quint8 slave = m_slave;
    write->submit(m_session, this, slave, [this, write = *write, slave](LinkResult result) {
        showStatus(write.outcomeText(result, slave), result != LinkResult::Success);
        updateControls();
    });
}
