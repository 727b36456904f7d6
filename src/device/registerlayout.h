#pragma once

#include "linkresult.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

class DeviceLink;

// The fixed-register reads as blocks of fields: their command, reply layout and the names the
// monitor, its CSV and the command line give each field ("01.0", "10.5", "AB.3"). Only layouts
// are known here; what a value means is the device's business and the user's register map.
class RegisterLayout
{
public:
    enum class FieldType
    {
        U8,
        U16,
        S16,
    };

    struct Block
    {
        // "01", "10", "03", "A8", "AB" (the long read form of 0xAB) or "ABs" (its short form).
        QString key;
        quint8 command;
        // Index of the last payload byte of a sound reply.
        quint8 minLength;
        // The user's access code; otherwise the register reads' own (1).
        bool callerAccess;
        QVector<FieldType> fields;
    };

    // Every readable block, in the order the monitor offers them.
    static const QVector<Block> &blocks();
    // The block of a key, case aside ("ab", "ABS"); nullptr for none.
    static const Block *find(const QString &key);
    // The blocks polled unless the user chooses others.
    static QStringList defaultKeys();

    static QString fieldName(const Block &block, int index);
    static QString typeName(FieldType type);
    // Every field's name of `keys`, in their order.
    static QStringList fieldNames(const QStringList &keys);

    // The field values of a sound reply (header bytes included, as the link hands them back).
    static QVector<int> decode(const Block &block, const QByteArray &reply);

    // Characters on the line for one read of `block`: request and reply frames.
    static int readChars(const Block &block);
    // What one poll of `keys` costs on a 9600 8N1 line, with the link's quiet gap before each
    // request, in microseconds.
    static qint64 pollLineUs(const QStringList &keys);
    // The shortest poll interval the line can carry for `keys`, rounded up to 10 ms.
    static int shortestIntervalMs(const QStringList &keys);

    // "01,10,03" or "01 10" into known keys in the table's spelling; an empty list and the
    // unknown item in `bad` when one is not a block.
    static QStringList parseKeys(const QString &text, QString *bad = nullptr);

    // One read of `block` from `dest`; `access` is used where the block takes the caller's.
    static LinkResult read(DeviceLink &link, quint8 dest, const Block &block, quint8 access,
                           QVector<int> &values);
};
