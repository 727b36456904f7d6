#pragma once

#include "instruction.h"

// Records written field by field in test tables.
namespace TestRecords {

inline Instruction record(int func, int oper = 0, qint32 arg1 = 0, qint32 arg2 = 0, int arg3 = 0,
                          int arg4 = 0)
{
    Instruction r;
    r.func = quint8(func);
    r.oper = quint8(oper);
    r.arg1 = arg1;
    r.arg2 = arg2;
    r.arg3 = qint16(arg3);
    r.arg4 = qint16(arg4);
    return r;
}

} // namespace TestRecords
