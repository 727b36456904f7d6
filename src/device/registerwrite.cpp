#include "registerwrite.h"

#include "devicelink.h"
#include "deviceprotocol.h"
#include "devicesession.h"
#include "framecodec.h"
#include "transferwording.h"

#include <memory>

std::optional<RegisterWrite> RegisterWrite::of(const QString &registerKey)
{
    const QString key = registerKey.trimmed().toUpper();
    if (key == QLatin1String("03") || key == QLatin1String("0X03"))
        return RegisterWrite(0x03);
    if (key == QLatin1String("07") || key == QLatin1String("0X07"))
        return RegisterWrite(0x07);
    return std::nullopt;
}

QString RegisterWrite::key() const
{
    return QString::fromLatin1(FrameCodec::hexPair(m_command));
}

bool RegisterWrite::setValues(const QStringList &texts, QString *error)
{
    if (texts.size() != valueCount()) {
        *error = valueCount() == 2 ? tr("Регистру %1 нужны два значения").arg(key())
                                   : tr("Регистру %1 нужно одно значение").arg(key());
        return false;
    }
    QVector<quint16> values;
    QVector<int> given;
    for (const QString &text : texts) {
        bool ok = false;
        const int value = text.trimmed().toInt(&ok, 10);
        if (!ok || value < -32768 || value > 65535) {
            *error = tr("«%1» не число от -32768 до 65535").arg(text);
            return false;
        }
        values.append(quint16(value & 0xFFFF));
        given.append(value);
    }
    m_values = values;
    m_given = given;
    return true;
}

QByteArray RegisterWrite::payload() const
{
    QByteArray bytes;
    for (const quint16 value : m_values) {
        bytes.append(char(value & 0xFF));
        bytes.append(char(value >> 8));
    }
    return bytes;
}

QString RegisterWrite::valuesText() const
{
    QStringList texts;
    for (const int value : m_given)
        texts.append(QString::number(value));
    return texts.join(QStringLiteral(", "));
}

QByteArray RegisterWrite::frame(quint8 slave) const
{
    QByteArray text = FrameCodec::encodeFrame(slave, FrameCodec::OwnAddress, m_command,
                                              DeviceProtocol::AccessRegisterWrite, payload());
    text.chop(1);
    return text;
}

QString RegisterWrite::question(quint8 slave) const
{
    return tr("Записать в регистр %1 прибора %2 значения %3?\nКадр: %4")
        .arg(key())
        .arg(slave)
        .arg(valuesText(), QString::fromLatin1(frame(slave)));
}

LinkResult RegisterWrite::run(DeviceLink &link, quint8 slave) const
{
    if (m_command == 0x03)
        return link.WriteRegisters03(slave, m_values.value(0), m_values.value(1));
    return link.WriteRegister07(slave, m_values.value(0));
}

void RegisterWrite::submit(DeviceSession &session, QObject *owner, quint8 slave,
                           std::function<void(LinkResult)> done) const
{
    auto result = std::make_shared<LinkResult>(LinkResult::NoReply);
    DeviceSession::Job job;
    job.owner = owner;
    job.work = [write = *this, slave, result](DeviceLink &link, DeviceSession::Context &) {
        *result = write.run(link, slave);
    };
    job.done = [result, done = std::move(done)]() { done(*result); };
    session.submit(std::move(job));
}

QString RegisterWrite::outcomeText(LinkResult result, quint8 slave) const
{
    switch (result) {
    case LinkResult::Success:
        return tr("Регистр %1 записан: %2").arg(key(), valuesText());
    case LinkResult::NoReply:
        return tr("Регистр %1 не записан: %2").arg(key(), TransferWording::noAnswerLine(slave));
    case LinkResult::Failure:
        break;
    }
    return tr("Регистр %1 не записан: прибор отверг запись или ответ искажен; повторите запись")
        .arg(key());
}
