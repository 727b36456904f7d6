#include "commands.h"

#include "clitext.h"
#include "commandline.h"
#include "console.h"
#include "devicesession.h"
#include "exchangelog.h"
#include "scanwording.h"
#include "stopsignals.h"
#include "supplyscan.h"
#include "transferwording.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QJsonValue>
#include <QSerialPortInfo>

#include <memory>
#include <vector>

namespace {

// One port being scanned: its session and its scan.
struct PortScan
{
    QString port;
    std::unique_ptr<DeviceSession> session;
    std::unique_ptr<SupplyScan> scan;
    int done = 0;
    int total = 0;
    qint64 leftMs = -1;
};

QJsonObject supplyJson(const FoundSupply &supply)
{
    QJsonArray cells;
    for (int i = 0; i < supply.cells.size(); ++i) {
        const FoundSupply::Cell &cell = supply.cells.at(i);
        cells.append(QJsonObject{
            {QStringLiteral("cell"), i + 1},
            {QStringLiteral("count"), cell.read ? QJsonValue(cell.count) : QJsonValue()},
            {QStringLiteral("name"), cell.read ? QJsonValue(cell.name) : QJsonValue()}});
    }
    return {{QStringLiteral("command"), QStringLiteral("scan")},
            {QStringLiteral("port"), supply.port},
            {QStringLiteral("slave"), supply.slaveId},
            {QStringLiteral("duplicate"), supply.duplicate},
            {QStringLiteral("cells"), cells}};
}

// Every port's progress in one line, with the time the slowest still needs.
void showProgress(const std::vector<PortScan> &scans, Console &console)
{
    int done = 0;
    int total = 0;
    qint64 leftMs = 0;
    for (const PortScan &scan : scans) {
        done += scan.done;
        total += scan.total;
        leftMs = qMax(leftMs, scan.leftMs);
    }
    if (total > 0 && done < total)
        console.progress(Commands::tr("Поиск приборов: %1 из %2 адресов, %3")
                             .arg(done)
                             .arg(total)
                             .arg(TransferWording::timeLeft(leftMs)));
}

} // namespace

int runScan(const Invocation &invocation, Console &console)
{
    const bool everyPort = invocation.ports.isEmpty();
    QStringList ports = invocation.ports;
    if (everyPort) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
            ports << info.systemLocation();
        if (ports.isEmpty()) {
            console.error(Commands::tr("Последовательные порты не найдены"));
            return ExitBadInput;
        }
    }

    // Every port in a session of its own: the ports are scanned side by side.
    std::vector<PortScan> scans;
    for (const QString &port : ports) {
        PortScan scan;
        scan.port = port;
        scan.session = std::make_unique<DeviceSession>();
        scan.session->setTraceDevice(nullptr);
        if (invocation.trace) {
            auto *log = new ExchangeLogWriter(console.errorDevice());
            scan.session->setExchangeObserver(log);
            QObject::connect(scan.session.get(), &QObject::destroyed, [log] { delete log; });
        }
        scan.session->open(port);
        scans.push_back(std::move(scan));
    }
    for (PortScan &scan : scans)
        scan.session->waitUntilIdle();
    int status = ExitFailed;
    for (auto it = scans.begin(); it != scans.end();) {
        if (it->session->isOpen()) {
            ++it;
            continue;
        }
        const QString message = Commands::tr("Не удается открыть порт %1: %2")
                                    .arg(it->port, it->session->failure().text());
        // A port named on the command line must open; of every port present, those that do
        // not (busy, not permitted) are passed over.
        if (!everyPort) {
            console.error(message);
            return ExitBadInput;
        }
        console.err(message);
        it = scans.erase(it);
    }
    if (scans.empty()) {
        console.error(Commands::tr("Ни один последовательный порт не открылся"));
        return ExitBadInput;
    }

    bool headerShown = false;
    ScanOutcome total;
    for (PortScan &scan : scans) {
        SupplyScan *job = new SupplyScan(*scan.session);
        scan.scan.reset(job);
        scan.total = invocation.slaveIds.size();
        QObject::connect(job, &SupplyScan::found, job, [&](const FoundSupply &supply) {
            console.clearProgress();
            if (invocation.json) {
                console.outBytes(CliText::jsonLine(supplyJson(supply)));
                return;
            }
            if (!headerShown) {
                console.out(ScanWording::columnTitles().join(QLatin1Char('\t')));
                headerShown = true;
            }
            console.out(ScanWording::rowTexts(supply).join(QLatin1Char('\t')));
        });
        if (console.showsProgress()) {
            QObject::connect(job, &SupplyScan::progress, job,
                             [&scans, &scan, &console](int done, int, qint64 leftMs) {
                                 scan.done = done;
                                 scan.leftMs = leftMs;
                                 showProgress(scans, console);
                             });
        }
        if (StopSignals *notifier = StopSignals::instance())
            QObject::connect(notifier, &StopSignals::stopRequested, job, &SupplyScan::cancel);
        if (StopSignals::received() != 0)
            job->cancel();
        job->start(scan.port, invocation.slaveIds, invocation.waitMs);
    }
    for (PortScan &scan : scans) {
        scan.scan->waitForFinished();
        const ScanOutcome &outcome = scan.scan->outcome();
        total.found += outcome.found;
        total.probed += outcome.probed;
        total.requests += outcome.requests;
        // The ports ran side by side: the scan took as long as its slowest port.
        total.ms = qMax(total.ms, outcome.ms);
        scan.session->close();
    }
    console.clearProgress();
    if (invocation.json) {
        console.outBytes(CliText::jsonLine({{QStringLiteral("command"), QStringLiteral("scan")},
                                            {QStringLiteral("found"), total.found.size()},
                                            {QStringLiteral("probed"), total.probed},
                                            {QStringLiteral("ms"), total.ms}}));
    } else {
        console.out(ScanWording::summaryLine(total));
    }
    if (!total.found.isEmpty())
        status = ExitSuccess;
    return status;
}
