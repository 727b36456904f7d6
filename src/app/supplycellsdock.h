#pragma once

#include "supplyscan.h"

#include <QDateTime>
#include <QDockWidget>
#include <QVector>

class QLabel;
class QTableWidget;

// «Ячейки прибора»: what the connected supply's four cells hold (program name, record count,
// when read), as the connect's survey and each transfer found it. A row's «Считать» asks for
// that cell to be read into the editor; «Обновить» for the cells to be surveyed again. Nothing
// here writes.
class SupplyCellsDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit SupplyCellsDock(QWidget *parent = nullptr);

    // The cells of the supply at `slaveId`, as surveyed at `when`; a row beyond `cells` is
    // unknown.
    void setCells(quint8 slaveId, const QVector<FoundSupply::Cell> &cells, const QDateTime &when);
    // One cell (0..3) of that supply, learnt at `when`.
    void setCell(quint8 slaveId, int cell, const FoundSupply::Cell &contents,
                 const QDateTime &when);
    // Not connected: nothing is known.
    void clear();
    // The program in a cell (0..3) as a tool tip says it; empty when unknown.
    QString cellSummary(int cell) const;

signals:
    void readRequested(int cell);
    void refreshRequested();
    // What is known of the cells changed.
    void cellsChanged();

private:
    void showRow(int cell);

    QTableWidget *table;
    QLabel *supplyLabel;
    int slave = -1;
    struct Known
    {
        bool known = false;
        FoundSupply::Cell contents;
        QDateTime when;
    };
    QVector<Known> known;
};
