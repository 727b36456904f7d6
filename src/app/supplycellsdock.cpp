#include "supplycellsdock.h"

#include "deviceprotocol.h"
#include "scanwording.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

enum Column
{
    NameColumn,
    CountColumn,
    WhenColumn,
    ReadColumn,
    ColumnCount
};

} // namespace

SupplyCellsDock::SupplyCellsDock(QWidget *parent)
    : QDockWidget(tr("Ячейки прибора"), parent), known(DeviceProtocol::CellCount)
{
    setObjectName(QStringLiteral("supplyCellsDock"));
    auto *body = new QWidget(this);
    auto *layout = new QVBoxLayout(body);
    layout->setContentsMargins(3, 3, 3, 3);
    auto *top = new QHBoxLayout;
    supplyLabel = new QLabel(body);
    supplyLabel->setObjectName(QStringLiteral("supplyLabel"));
    top->addWidget(supplyLabel, 1);
    auto *refresh = new QPushButton(tr("&Обновить"), body);
    refresh->setObjectName(QStringLiteral("refreshCellsButton"));
    connect(refresh, &QPushButton::clicked, this, &SupplyCellsDock::refreshRequested);
    top->addWidget(refresh);
    layout->addLayout(top);
    table = new QTableWidget(DeviceProtocol::CellCount, ColumnCount, body);
    table->setObjectName(QStringLiteral("cellsTable"));
    table->setHorizontalHeaderLabels({tr("Программа"), tr("Записей"), tr("Считано"), QString()});
    QStringList rows;
    for (int cell = 0; cell < DeviceProtocol::CellCount; ++cell)
        rows << QString::number(cell + 1);
    table->setVerticalHeaderLabels(rows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
    table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    for (int cell = 0; cell < DeviceProtocol::CellCount; ++cell) {
        for (int column = NameColumn; column < ReadColumn; ++column)
            table->setItem(cell, column, new QTableWidgetItem);
        auto *read = new QToolButton(table);
        read->setObjectName(QStringLiteral("readCellButton%1").arg(cell + 1));
        read->setText(tr("Считать"));
        read->setToolTip(tr("Считать ячейку %1 в редактор").arg(cell + 1));
        connect(read, &QToolButton::clicked, this, [this, cell]() { emit readRequested(cell); });
        table->setCellWidget(cell, ReadColumn, read);
    }
    table->resizeColumnsToContents();
    table->horizontalHeader()->setSectionResizeMode(NameColumn, QHeaderView::Stretch);
    layout->addWidget(table);
    setWidget(body);
    clear();
}

void SupplyCellsDock::setCells(quint8 slaveId, const QVector<FoundSupply::Cell> &cells,
                               const QDateTime &when)
{
    slave = slaveId;
    for (int cell = 0; cell < known.size(); ++cell) {
        known[cell] = cell < cells.size() ? Known{true, cells.at(cell), when} : Known{};
        showRow(cell);
    }
    supplyLabel->setText(tr("Прибор %1").arg(slaveId));
    emit cellsChanged();
}

void SupplyCellsDock::setCell(quint8 slaveId, int cell, const FoundSupply::Cell &contents,
                              const QDateTime &when)
{
    if (cell < 0 || cell >= known.size())
        return;
    // Another supply's cell says nothing of the ones shown.
    if (slave != slaveId) {
        known.fill(Known{});
        slave = slaveId;
        supplyLabel->setText(tr("Прибор %1").arg(slaveId));
    }
    known[cell] = Known{true, contents, when};
    for (int row = 0; row < known.size(); ++row)
        showRow(row);
    emit cellsChanged();
}

void SupplyCellsDock::clear()
{
    slave = -1;
    known.fill(Known{});
    for (int cell = 0; cell < known.size(); ++cell)
        showRow(cell);
    supplyLabel->setText(tr("Нет связи"));
    emit cellsChanged();
}

QString SupplyCellsDock::cellSummary(int cell) const
{
    const Known &entry = known.value(cell);
    if (!entry.known)
        return QString();
    return ScanWording::cellText(entry.contents);
}

void SupplyCellsDock::showRow(int cell)
{
    const Known &entry = known.at(cell);
    const FoundSupply::Cell &contents = entry.contents;
    const bool named = entry.known && contents.read && contents.count > 0;
    table->item(cell, NameColumn)
        ->setText(!entry.known ? QString()
                  : named      ? QStringLiteral("\"%1\"").arg(contents.name.trimmed())
                               : ScanWording::cellText(contents));
    table->item(cell, CountColumn)
        ->setText(entry.known && contents.read ? QString::number(contents.count) : QString());
    table->item(cell, WhenColumn)
        ->setText(entry.known ? entry.when.time().toString(QStringLiteral("HH:mm:ss")) : QString());
    table->cellWidget(cell, ReadColumn)->setEnabled(slave >= 0);
}
