#pragma once

#include "operandlimits.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <optional>

class QTableWidget;
class UserDialogs;

namespace Ui {
class LimitsDialog;
}

// «Пределы операндов»: the operands' allowed ranges as a table of minimum and maximum, empty for
// none, with the file form imported and exported. OK keeps only a table that can stand.
class LimitsDialog : public QDialog
{
    Q_OBJECT

public:
    // The filter of the file dialogs; its first pattern gives a typed name its suffix.
    static QString fileFilter();

    LimitsDialog(const OperandLimits &limits, UserDialogs *dialogs, QWidget *parent = nullptr);
    ~LimitsDialog() override;

    // What the table says, up to the first cell that cannot stand.
    OperandLimits limits() const;
    void setLimits(const OperandLimits &limits);
    QString problem() const;
    QTableWidget *table() const;

    void importFile();
    void exportFile();
    void accept() override;

private:
    struct TableReading
    {
        OperandLimits limits;
        // Empty when every cell can stand; else the reason, at its cell.
        QString problem;
        int row = 0;
        int column = 0;
    };
    TableReading parseTable() const;
    // The table's limits, or nothing with the reason shown and the cell selected.
    std::optional<OperandLimits> readTable();

    std::unique_ptr<Ui::LimitsDialog> ui;
    UserDialogs *m_dialogs;
    // Where the last limits file was, for the next file dialog.
    QString m_directory;
};
