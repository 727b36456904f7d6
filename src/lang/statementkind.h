#pragma once

// Kind code of a statement; it becomes the func field of its record.
enum StatementKind : int
{
    Nop = 0,
    Assign = 1,
    If = 2,
    Jmp = 3,
    DelayMs = 4,
    DelayS = 5,
    AddAssign = 6,
    SubAssign = 7,
    DivAssign = 8,
    MulAssign = 9,
    Label = 10,
    PrgName = 11,
};
