// Prints the CPU time the device link spends beside the wall time: a read from a silent
// supply (two waits of 244 ms) and a 100-record read and write against the simulated
// supply paced like a 9600 8N1 line. Waiting should cost next to no CPU.
//
// Then scans of Slave IDs 0-255 on one paced line with the default wait: with no supply
// answering, and with supplies at 1, 7 and 200 (each surveyed); wall time, requests sent
// (goal: under 30 s with no supply). And the connect probe: one probe of the chosen Slave ID on
// a freshly opened port, which is also the line's quiet start, and one on a port already in use.
//
// Usage: bench_device [path of quorvel-sim]; by default the one built beside it.

#include "benchsupply.h"
#include "devicelink.h"
#include "deviceprotocol.h"
#include "devicesession.h"
#include "instruction.h"
#include "supplyscan.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>

#include <cstdio>

namespace {

constexpr int Records = 100;
constexpr quint8 Slave = 0;

using Bench::cpuMicroseconds;
using Bench::Supply;

struct Measure
{
    QElapsedTimer wall;
    qint64 cpuStart = 0;

    Measure()
    {
        cpuStart = cpuMicroseconds();
        wall.start();
    }
    void print(const char *what, const char *outcome) const
    {
        const double wallMs = double(wall.nsecsElapsed()) / 1e6;
        const double cpuMs = double(cpuMicroseconds() - cpuStart) / 1e3;
        std::printf("%-46s %-10s wall %8.1f ms  cpu %7.1f ms  cpu/wall %5.1f %%\n", what, outcome,
                    wallMs, cpuMs, wallMs > 0 ? 100.0 * cpuMs / wallMs : 0.0);
        std::fflush(stdout);
    }
};

const char *nameOf(LinkResult result)
{
    switch (result) {
    case LinkResult::Success:
        return "Success";
    case LinkResult::Failure:
        return "Failure";
    case LinkResult::NoReply:
        break;
    }
    return "NoReply";
}

Instruction sampleRecord(int index)
{
    Instruction record;
    record.func = quint8(index % 12);
    record.oper = quint8(index);
    record.arg1 = -index * 1000;
    record.arg2 = index * 7;
    record.arg3 = qint16(index);
    record.arg4 = qint16(-index);
    return record;
}

// Scans `slaveIds` on a paced simulated line started with `arguments`; prints what it took.
bool scanLine(const QString &program, const QStringList &arguments, const QVector<quint8> &slaveIds,
              const char *what, bool survey = true)
{
    Supply supply(program, QStringList{QStringLiteral("--pace"), QStringLiteral("--turnaround"),
                                       QStringLiteral("2")} +
                               arguments);
    const QString path = supply.port.portName();
    supply.port.close();
    DeviceSession session;
    session.setTraceDevice(nullptr);
    session.open(path.startsWith(QLatin1Char('/')) ? path : QStringLiteral("/dev/") + path);
    session.waitUntilIdle();
    if (!session.isOpen()) {
        std::fprintf(stderr, "bench_device: cannot open %s\n", qPrintable(path));
        return false;
    }
    SupplyScan scan(session);
    const Measure measure;
    scan.start(path, slaveIds, SupplyScan::DefaultWaitMs, survey);
    scan.waitForFinished();
    char outcome[32];
    std::snprintf(outcome, sizeof outcome, "found %d", int(scan.outcome().found.size()));
    measure.print(what, outcome);
    std::printf("%-46s %lld requests for %d addresses (wait %d ms)\n", "",
                static_cast<long long>(scan.outcome().requests), scan.outcome().probed,
                SupplyScan::DefaultWaitMs);
    return true;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString program = args.size() > 1 ? args.at(1) : QStringLiteral(QUORVEL_SIM_PATH);

    {
        Supply supply(program, {QStringLiteral("--fault"), QStringLiteral("silent@*")});
        if (!supply.port.isOpen()) {
            std::fprintf(stderr, "bench_device: cannot run %s\n", qPrintable(program));
            return 1;
        }
        DeviceLink link(&supply.port);
        link.setTraceDevice(nullptr);
        int count = 0;
        const Measure measure;
        const LinkResult result = link.ReadSize(Slave, 0, DeviceProtocol::AccessMemoryRead, count);
        measure.print("ReadSize, silent supply (2 x 244 ms)", nameOf(result));
    }

    Supply supply(program,
                  {QStringLiteral("--pace"), QStringLiteral("--turnaround"), QStringLiteral("2")});
    if (!supply.port.isOpen()) {
        std::fprintf(stderr, "bench_device: cannot run %s\n", qPrintable(program));
        return 1;
    }
    DeviceLink link(&supply.port);
    link.setTraceDevice(nullptr);
    bool ok = true;
    for (int i = 0; i < Records && ok; ++i) {
        ok = supply.command("line 1 " + QByteArray::number(i) + ' ' +
                            sampleRecord(i).pack().toHex().toUpper());
    }
    ok = ok && supply.command("cell 1 count 100 name 42454E4348");
    if (!ok) {
        std::fprintf(stderr, "bench_device: the simulator refused the preset cell\n");
        return 1;
    }

    {
        const Measure measure;
        int count = 0;
        QString name;
        LinkResult result = link.ReadSize(Slave, 1, DeviceProtocol::AccessMemoryRead, count);
        if (result == LinkResult::Success) {
            result = link.ReadPrgName(Slave, name, 1, DeviceProtocol::AccessMemoryRead);
        }
        for (int i = 0; i < count && result == LinkResult::Success; ++i) {
            Instruction record;
            result =
                link.ReadProgramLine(Slave, record, quint8(i), 1, DeviceProtocol::AccessMemoryRead);
            if (result == LinkResult::Success && record != sampleRecord(i)) {
                result = LinkResult::Failure;
            }
        }
        measure.print("read 100 records, paced 9600 8N1", nameOf(result));
    }
    {
        const Measure measure;
        LinkResult result = LinkResult::Success;
        for (int i = 0; i < Records && result == LinkResult::Success; ++i) {
            result = link.WriteProgramLine(Slave, sampleRecord(Records - i), quint8(i), 2,
                                           DeviceProtocol::AccessMemoryWrite);
        }
        if (result == LinkResult::Success) {
            result = link.WriteSize(Slave, Records, 2, DeviceProtocol::AccessMemoryWrite);
        }
        if (result == LinkResult::Success) {
            result = link.WritePrgName(Slave, QStringLiteral("BENCH"), 2,
                                       DeviceProtocol::AccessMemoryWrite);
        }
        measure.print("write 100 records, paced 9600 8N1", nameOf(result));
    }
    supply.port.close();

    QVector<quint8> everyId;
    for (int slave = DeviceProtocol::MinSlaveId; slave <= DeviceProtocol::MaxSlaveId; ++slave)
        everyId.append(quint8(slave));
    bool scanned = scanLine(program, {QStringLiteral("--fault"), QStringLiteral("silent@*")},
                            everyId, "scan 0-255, no supply answers (goal < 30 s)");
    scanned = scanLine(program, {QStringLiteral("--slave"), QStringLiteral("1,7,200")}, everyId,
                       "scan 0-255, supplies at 1, 7, 200 surveyed") &&
              scanned;
    // The connect probe: the first on a freshly opened port waits for a quiet line first.
    scanned =
        scanLine(program, {}, {Slave}, "connect probe, fresh port (with quiet start)", false) &&
        scanned;
    scanned = scanLine(program, {}, {Slave, Slave}, "two probes, fresh port", false) && scanned;
    return scanned ? 0 : 1;
}
