#pragma once

#include <QString>
#include <QVector>
#include <QtGlobal>

// Which faults the simulated supply injects into which requests.
//
// A rule is KIND@SELECTOR. SELECTOR is a 1-based request ordinal ("3"), a run of requests
// from an ordinal ("3x2" = requests 3 and 4), a range ("3-5"), a command in hex ("cmd=B5")
// or "*" for every request. Ordinals count the well-formed requests addressed to the line's
// supplies. ",slave=N" aims a rule at one supply (its ordinals then count that supply's requests
// only); "slave=N" alone is every request to it.
class FaultPlan
{
public:
    enum class Kind
    {
        Silent,    // no answer
        Crc,       // answer with a wrong CRC
        Address,   // answer addressed to 0x01 instead of 200
        Status1E,  // answer with status 0x1E
        Noise,     // put noise before the '#'
        Split,     // send the answer in three pieces with gaps
        Lowercase, // lowercase hex digits
        Late,      // answer after the late delay, past the requester's time-out
        Overlong,  // send a line far longer than any reply instead
        Hangup,    // close the line instead of answering
        Twice,     // send the answer twice, back to back
        Repeat,    // send the answer, then once more after the late delay
        Command,   // answer with another command byte
        Source,    // answer as another Slave ID
        Corrupt,   // store a write with its first byte changed, yet acknowledge it
        TwiceCrc,  // send the answer, then a copy with a wrong CRC back to back
    };

    // Adds one rule; on a malformed rule returns false and says why in `error`.
    bool add(const QString &rule, QString *error);
    void clear() { rules.clear(); }
    bool isEmpty() const { return rules.isEmpty(); }

    // The faults that apply to a request to `slave`, as a mask of bit(kind): `ordinal` counts the
    // line's requests, `slaveOrdinal` those to that supply.
    quint32 faultsFor(int ordinal, quint8 command, quint8 slave = 0, int slaveOrdinal = 0) const;
    static quint32 bit(Kind kind) { return 1u << int(kind); }
    static bool has(quint32 mask, Kind kind) { return (mask & bit(kind)) != 0; }
    static QString kindNames();

private:
    struct Rule
    {
        Kind kind = Kind::Silent;
        bool everyRequest = false;
        bool byCommand = false;
        quint8 command = 0;
        int first = 0;
        int last = 0;
        // The supply the rule is aimed at; -1 for every one.
        int slave = -1;
    };
    QVector<Rule> rules;
};
