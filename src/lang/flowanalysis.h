#pragma once

#include "instruction.h"

#include <QVector>

// Where a compiled program can go, judged from its jumps alone: every branch of an if may be
// taken, and execution starts at record 0 and ends after the last record.
namespace FlowAnalysis {

struct Findings
{
    // The first record of each run of consecutive records that no path from record 0 reaches.
    QVector<int> unreachableRuns;
    // Jumps (jmp or if) that close a loop in which no path passes a delay_ms or delay_s.
    QVector<int> loopsWithoutDelay;
};

// records must have their targets resolved to record indices; a target outside the list is a
// way out of the program.
Findings analyse(const InstructionList &records);

} // namespace FlowAnalysis
