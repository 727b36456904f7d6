#include "commands.h"

#include "clitext.h"
#include "commandline.h"
#include "console.h"

#include <QJsonObject>
#include <QSerialPortInfo>

int runPorts(const Invocation &invocation, Console &console)
{
    const QList<QSerialPortInfo> ports = QSerialPortInfo::availablePorts();
    if (!ports.isEmpty() && !invocation.json) {
        console.out(Commands::tr("Порт\tОписание\tПроизводитель\tСерийный номер\tUSB"));
    }
    for (const QSerialPortInfo &port : ports) {
        const QString usb = port.hasVendorIdentifier() && port.hasProductIdentifier()
                                ? QStringLiteral("%1:%2")
                                      .arg(port.vendorIdentifier(), 4, 16, QLatin1Char('0'))
                                      .arg(port.productIdentifier(), 4, 16, QLatin1Char('0'))
                                : QString();
        if (invocation.json) {
            console.outBytes(
                CliText::jsonLine({{QStringLiteral("port"), port.portName()},
                                   {QStringLiteral("path"), port.systemLocation()},
                                   {QStringLiteral("description"), port.description()},
                                   {QStringLiteral("manufacturer"), port.manufacturer()},
                                   {QStringLiteral("serialNumber"), port.serialNumber()},
                                   {QStringLiteral("usb"), usb}}));
            continue;
        }
        const auto field = [](const QString &value) {
            return value.isEmpty() ? QStringLiteral("-") : value;
        };
        console.out(QStringLiteral("%1\t%2\t%3\t%4\t%5")
                        .arg(port.systemLocation(), field(port.description()),
                             field(port.manufacturer()), field(port.serialNumber()), field(usb)));
    }
    if (ports.isEmpty() && !invocation.json)
        console.error(Commands::tr("Последовательные порты не найдены"));
    return ExitSuccess;
}
