#pragma once

#include <QtGlobal>

// What the link, the transfers, the simulated supply and the tools agree on about the device's
// requests. Defined here once; everything else refers to these.
namespace DeviceProtocol {

// Access codes (frame byte 3 of a request).
constexpr quint8 AccessRegisterRead = 1;
constexpr quint8 AccessMemoryRead = 2;
constexpr quint8 AccessRegisterWrite = 17;
constexpr quint8 AccessMemoryWrite = 18;

// Slave IDs the device can be given; one byte on the line.
constexpr int MinSlaveId = 0;
constexpr int MaxSlaveId = 255;

// Memory cells: command = base + cell, cells 0..3.
constexpr int CellCount = 4;
constexpr quint8 LineCommandBase = 0xB0;
constexpr quint8 CountCommandBase = 0xB4;
constexpr quint8 NameCommandBase = 0xB8;
// A program name travels as exactly this many bytes.
constexpr int NameBytes = 5;

} // namespace DeviceProtocol
