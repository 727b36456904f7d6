#pragma once

#include "instruction.h"

#include <QByteArray>
#include <QMap>

// One memory cell of the simulated power supply as its "dump" shows it.
struct SimulatedCell
{
    int count = 0;
    // Five bytes, trailing spaces included.
    QByteArray name;
    // Lines 0..255; lines never written are all zero.
    InstructionList lines;
};

// The same cell with its records as the 14 bytes the supply holds, not unpacked by the program's
// own code: for tests that check the bytes on the line independently of it.
struct CellImage
{
    int count = -1;
    QByteArray name;
    // Lines that are not all zero, by index.
    QMap<int, QByteArray> lines;
};
