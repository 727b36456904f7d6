#pragma once

#include "instruction.h"

#include <QByteArray>

// One memory cell of the simulated power supply as its "dump" shows it.
struct SimulatedCell
{
    int count = 0;
    // Five bytes, trailing spaces included.
    QByteArray name;
    // Lines 0..255; lines never written are all zero.
    InstructionList lines;
};
