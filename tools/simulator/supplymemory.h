#pragma once

#include "deviceprotocol.h"

#include <QByteArray>
#include <QMap>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// What the simulated supply stores and how it answers each request: four memory cells
// (record count, five-byte name, 14-byte lines 0..255) and the fixed registers.
//
// Text form, one item a line (the cells file, the "dump" output and the control lines):
//   cell <0..3> count <0..255> name <10 hex digits>
//   line <0..3> <0..255> <28 hex digits>        (only lines that are not all zero)
//   register <command in hex> <payload in hex>  (the register's read payload)
// Blank lines and lines starting with "//" are skipped.
class SupplyMemory
{
public:
    static constexpr int CellCount = DeviceProtocol::CellCount;
    static constexpr int LinesPerCell = 256;
    static constexpr int NameBytes = DeviceProtocol::NameBytes;
    static constexpr int LineBytes = 14;

    enum class Request
    {
        Unknown,
        Read,
        Write
    };

    SupplyMemory();

    // Whether a request is one the supply knows; reads and writes differ by payload length.
    static Request classify(quint8 command, int payloadLength);
    // Answers a known request: fills the reply payload of a read or stores a write.
    Request serve(quint8 command, quint8 access, const QByteArray &payload,
                  QByteArray &replyPayload);

    int count(int cell) const { return counts[cell]; }
    QByteArray name(int cell) const { return names[cell]; }
    QByteArray line(int cell, int index) const;

    // A fixed register's read payload, and setting it (its size is the register's).
    QByteArray registerPayload(quint8 command) const { return registers.value(command); }
    void setRegisterPayload(quint8 command, const QByteArray &payload);

    QStringList toText() const;
    // Applies one line of the text form; false with a reason for a malformed line.
    bool applyLine(const QString &line, QString *error);

private:
    int counts[CellCount] = {};
    QByteArray names[CellCount];
    QVector<QByteArray> lines[CellCount];
    // Read payload of each fixed register, by its command; 0x07 is write-only.
    QMap<quint8, QByteArray> registers;
};
