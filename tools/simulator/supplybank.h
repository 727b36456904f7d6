#pragma once

#include "supplymemory.h"

#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <map>

// The supplies on one simulated line, each with its own memory, by Slave ID.
//
// Text form: the lines of SupplyMemory, preceded by "slave <N> " whenever more than one supply
// has cells; lines without it (a file written for one supply) belong to the first supply:
//   slave 1 cell 0 count 3 name 5072673120
//   slave 7 cell 0 count 1 name 4142434445
// Supplies met in a file that are not on the line are kept (and written back) but never answer.
class SupplyBank
{
public:
    // `slaveIds`: the supplies that answer, the first one first; at least one.
    explicit SupplyBank(const QVector<quint8> &slaveIds = {0});

    // "1,3,5-8": Slave IDs 0..255 and rising ranges, each at most once.
    static bool parseSlaveList(const QString &text, QVector<quint8> &ids, QString *error);

    const QVector<quint8> &slaveIds() const { return answering; }
    quint8 firstSlave() const { return answering.first(); }
    bool answers(quint8 slave) const { return answering.contains(slave); }
    // The memory of a supply on the line, or of one kept from the file; nullptr for neither.
    SupplyMemory *memory(quint8 slave);
    const SupplyMemory *memory(quint8 slave) const;

    QStringList toText() const;
    // Applies one line of the text form; false with a reason for a malformed line or a
    // Slave ID outside 0..255.
    bool applyLine(const QString &line, QString *error);
    // A missing file leaves the memories empty.
    bool load(const QString &path, QString *error);
    bool save(const QString &path, QString *error) const;

private:
    QVector<quint8> answering;
    std::map<quint8, SupplyMemory> memories;
};
