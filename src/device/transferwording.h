#pragma once

#include "instruction.h"

#include <QString>
#include <QVector>

struct TransferOutcome;

// The words a transfer's outcome is shown in, in one place for the window's pane and the
// command-line tool: headings, closing lines and the check of a cell against a program.
namespace TransferWording {

// A line of the pane; an error line is red and may lead to a program line (1-based, 0: none).
struct Line
{
    QString text;
    bool error = false;
    int sourceLine = 0;
};

QString writeHeading();
QString readHeading();
QString compareHeading(int cellNumber);
QString stoppedLine();
QString readSuccessLine();
QString lostLine();
// After a transfer that ended without any answer.
QString noAnswerLine(int slaveId);
// The time left as the status bar shows it.
QString timeLeft(qint64 ms);

// How the cell compared with the program: agreement, or what differs and where. With the
// program, the first differing record's bytes on both sides follow its line.
QVector<Line> comparisonLines(const TransferOutcome &outcome,
                              const InstructionList *program = nullptr);
// A record's 14 bytes in hex, as the comparison shows them.
QString recordBytes(const Instruction &record);

} // namespace TransferWording
