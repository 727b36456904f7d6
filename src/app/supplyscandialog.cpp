#include "supplyscandialog.h"
#include "ui_supplyscandialog.h"

#include "devicesession.h"
#include "scanwording.h"
#include "supplyscan.h"
#include "transferwording.h"

#include <QHeaderView>
#include <QTableWidgetItem>

#include <algorithm>
#include <utility>

namespace {

constexpr int PortColumn = 0;
constexpr int SlaveColumn = 1;

} // namespace

SupplyScanDialog::SupplyScanDialog(const QString &portName, DeviceSession *openSession,
                                   QWidget *parent)
    : QDialog(parent), ui(std::make_unique<Ui::SupplyScanDialog>()), m_portName(portName),
      m_windowSession(openSession)
{
    ui->setupUi(this);
    ui->portLabel->setText(tr("Порт: %1").arg(portName));
    ui->waitBox->addItem(tr("%1 мс").arg(SupplyScan::DefaultWaitMs), SupplyScan::DefaultWaitMs);
    ui->waitBox->addItem(tr("%1 мс (медленные приборы)").arg(SupplyScan::SlowWaitMs),
                         SupplyScan::SlowWaitMs);
    const QStringList titles = ScanWording::columnTitles();
    ui->resultTable->setColumnCount(titles.size());
    ui->resultTable->setHorizontalHeaderLabels(titles);
    ui->resultTable->horizontalHeader()->setStretchLastSection(true);
    ui->progressBar->setValue(0);
    // Enter and a double-click both activate a row.
    connect(ui->resultTable, &QAbstractItemView::activated, this,
            [this](const QModelIndex &index) { chooseRow(index.row()); });
    connect(ui->startButton, &QPushButton::clicked, this, &SupplyScanDialog::startScan);
    connect(ui->stopButton, &QPushButton::clicked, this, &SupplyScanDialog::stopScan);
    connect(ui->closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, &SupplyScanDialog::stopScan);
    updateButtons();
}

SupplyScanDialog::~SupplyScanDialog() = default;

bool SupplyScanDialog::isScanning() const
{
    return m_opening || (m_scan && m_scan->isRunning());
}

void SupplyScanDialog::startScan()
{
    if (isScanning())
        return;
    ui->resultTable->setRowCount(0);
    ui->summaryLabel->clear();
    if (m_windowSession) {
        runScan(*m_windowSession);
        return;
    }
    m_stopWhileOpening = false;
    m_ownSession = std::make_unique<DeviceSession>();
    m_ownSession->setTraceDevice(nullptr);
    m_opening = true;
    connect(m_ownSession.get(), &DeviceSession::opened, this, [this](bool ok) {
        m_opening = false;
        if (ok && std::exchange(m_stopWhileOpening, false)) {
            m_ownSession->close();
            ui->summaryLabel->setText(TransferWording::stoppedLine());
            updateButtons();
            return;
        }
        if (ok) {
            runScan(*m_ownSession);
            return;
        }
        ui->summaryLabel->setText(
            tr("Не удается открыть порт %1: %2").arg(m_portName, m_ownSession->failure().text()));
        updateButtons();
    });
    m_ownSession->open(m_portName);
    updateButtons();
}

void SupplyScanDialog::runScan(DeviceSession &session)
{
    QVector<quint8> slaveIds;
    const int first = std::min(ui->firstSlaveBox->value(), ui->lastSlaveBox->value());
    const int last = std::max(ui->firstSlaveBox->value(), ui->lastSlaveBox->value());
    for (int slave = first; slave <= last; ++slave)
        slaveIds.append(quint8(slave));
    m_scan = std::make_unique<SupplyScan>(session);
    ui->progressBar->setRange(0, slaveIds.size());
    ui->progressBar->setValue(0);
    connect(m_scan.get(), &SupplyScan::found, this, &SupplyScanDialog::addRow);
    connect(m_scan.get(), &SupplyScan::progress, this, [this](int done, int, qint64 leftMs) {
        ui->progressBar->setValue(done);
        ui->summaryLabel->setText(TransferWording::timeLeft(leftMs));
    });
    connect(m_scan.get(), &SupplyScan::finished, this, &SupplyScanDialog::scanEnded);
    m_scan->start(m_portName, slaveIds, ui->waitBox->currentData().toInt());
    updateButtons();
}

void SupplyScanDialog::addRow(const FoundSupply &supply)
{
    const QStringList texts = ScanWording::rowTexts(supply);
    const int row = ui->resultTable->rowCount();
    ui->resultTable->insertRow(row);
    for (int column = 0; column < texts.size(); ++column) {
        auto *item = new QTableWidgetItem(texts.at(column));
        if (column >= SlaveColumn + 1 && !supply.duplicate) {
            const FoundSupply::Cell &cell = supply.cells.value(column - SlaveColumn - 1);
            // The name as stored, trailing blanks and all.
            if (cell.read && cell.count > 0)
                item->setToolTip(QStringLiteral("\"%1\"").arg(cell.name));
        }
        ui->resultTable->setItem(row, column, item);
    }
    // A duplicate's words span the cells.
    if (supply.duplicate)
        ui->resultTable->setSpan(row, SlaveColumn + 1, 1, ui->resultTable->columnCount() - 2);
    if (row == 0)
        ui->resultTable->setCurrentCell(0, SlaveColumn);
}

void SupplyScanDialog::scanEnded()
{
    const ScanOutcome outcome = m_scan->outcome();
    ui->summaryLabel->setText(outcome.cancelled
                                  ? TransferWording::stoppedLine() + QStringLiteral(". ") +
                                        ScanWording::summaryLine(outcome)
                                  : ScanWording::summaryLine(outcome));
    // The port opened for the scan alone is closed after it.
    if (m_ownSession)
        m_ownSession->close();
    updateButtons();
    if (ui->resultTable->rowCount() > 0)
        ui->resultTable->setFocus();
}

void SupplyScanDialog::stopScan()
{
    if (m_opening)
        m_stopWhileOpening = true;
    if (m_scan)
        m_scan->cancel();
}

void SupplyScanDialog::chooseRow(int row)
{
    const QTableWidgetItem *slave = ui->resultTable->item(row, SlaveColumn);
    if (!slave || isScanning())
        return;
    emit supplyChosen(ui->resultTable->item(row, PortColumn)->text(),
                      quint8(slave->text().toInt()));
    accept();
}

void SupplyScanDialog::updateButtons()
{
    const bool scanning = isScanning();
    ui->startButton->setEnabled(!scanning);
    ui->stopButton->setEnabled(scanning);
    ui->firstSlaveBox->setEnabled(!scanning);
    ui->lastSlaveBox->setEnabled(!scanning);
    ui->waitBox->setEnabled(!scanning);
}
