// Finding the supply: «Найти приборы…» and what choosing a supply there does, «Ячейки
// прибора», and the adapter found again under another name.

#include "mainwindow.h"

#include "deviceactivity.h"
#include "devicecontrols.h"
#include "portbox.h"
#include "supplycellsdock.h"
#include "supplyscandialog.h"

#include <QAction>
#include <QComboBox>
#include <QDateTime>
#include <QSpinBox>
#include <QStatusBar>

namespace {

// How long the status bar says that the adapter was found again.
constexpr int AdapterMessageMs = 15000;

} // namespace

void MainWindow::openScanDialog()
{
    // Connected, the open port is scanned through the window's session; else the port in the
    // box, opened for the scan alone.
    const bool open = deviceActivity->isOpen();
    auto *dialog = new SupplyScanDialog(controls->portBox()->currentText(),
                                        open ? &deviceActivity->session() : nullptr, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &SupplyScanDialog::supplyChosen, this, &MainWindow::chooseSupply);
    dialog->open();
    dialog->startScan();
}

void MainWindow::chooseSupply(const QString &portName, quint8 slaveId)
{
    controls->slaveIdBox()->setValue(slaveId);
    if (deviceActivity->isOpen()) {
        deviceActivity->askSupply(slaveId);
        return;
    }
    controls->portBox()->setEditText(portName);
    OpenPort();
}

void MainWindow::createCellsDock()
{
    cellsDock = new SupplyCellsDock(this);
    addDockWidget(Qt::BottomDockWidgetArea, cellsDock);
    cellsDock->hide();
    connect(deviceActivity, &DeviceActivity::cellsSurveyed, cellsDock,
            [this](quint8 slaveId, const QVector<FoundSupply::Cell> &cells) {
                cellsDock->setCells(slaveId, cells, QDateTime::currentDateTime());
            });
    connect(deviceActivity, &DeviceActivity::cellLearned, cellsDock,
            [this](quint8 slaveId, int cell, const FoundSupply::Cell &contents) {
                cellsDock->setCell(slaveId, cell, contents, QDateTime::currentDateTime());
            });
    connect(deviceActivity, &DeviceActivity::stateChanged, cellsDock, [this]() {
        if (!deviceActivity->isOpen() && !deviceActivity->isOpening())
            cellsDock->clear();
    });
    // A row's «Считать» is «Считать из прибора» on that cell, questions and all.
    connect(cellsDock, &SupplyCellsDock::readRequested, this, [this](int cell) {
        if (!action("readAction")->isEnabled())
            return;
        controls->cellBox()->setCurrentIndex(cell);
        ReadLineFromDevice();
    });
    connect(cellsDock, &SupplyCellsDock::refreshRequested, this, [this]() {
        if (deviceActivity->isOpen())
            deviceActivity->askSupply(controls->slaveId());
    });
    connect(cellsDock, &SupplyCellsDock::cellsChanged, this, &MainWindow::showCellsInCellBox);
}

void MainWindow::showCellsInCellBox()
{
    QComboBox *box = controls->cellBox();
    QStringList lines;
    for (int cell = 0; cell < box->count(); ++cell) {
        const QString summary = cellsDock->cellSummary(cell);
        box->setItemData(cell, summary, Qt::ToolTipRole);
        if (!summary.isEmpty())
            lines << tr("Ячейка %1: %2").arg(cell + 1).arg(summary);
    }
    box->setToolTip(lines.join(QLatin1Char('\n')));
}

void MainWindow::followAdapter()
{
    controls->portBox()->setAdapterMoved([this](const QString &from, const QString &to) {
        statusBar()->showMessage(tr("Адаптер порта %1 найден снова как %2").arg(from, to),
                                 AdapterMessageMs);
    });
}
