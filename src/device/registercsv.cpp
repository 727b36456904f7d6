#include "registercsv.h"

#include "registersample.h"

namespace {

// A heading with a comma, quote or line break is quoted, its quotes doubled.
QString csvCell(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) &&
        !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

} // namespace

RegisterCsv::RegisterCsv(const QStringList &fields, const RegisterMap &map)
    : m_fields(fields), m_map(map)
{
}

QString RegisterCsv::header() const
{
    QStringList cells = {QStringLiteral("time")};
    for (const QString &field : m_fields)
        cells.append(csvCell(m_map.columnName(field)));
    return cells.join(QLatin1Char(','));
}

QString RegisterCsv::line(const RegisterSample &sample) const
{
    QStringList cells = {RegisterSample::timeText(sample.time)};
    for (const QString &field : m_fields) {
        const std::optional<int> raw = sample.value(field);
        cells.append(raw ? m_map.scaledText(field, *raw) : QString());
    }
    return cells.join(QLatin1Char(','));
}

bool RegisterCsv::open(const QString &path, QString *error)
{
    close();
    m_file.setFileName(path);
    // Unbuffered: every line reaches the system as it is written.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered)) {
        *error = m_file.errorString();
        return false;
    }
    m_written = 0;
    return writeLine(header(), error);
}

bool RegisterCsv::append(const RegisterSample &sample, QString *error)
{
    if (!writeLine(line(sample), error))
        return false;
    ++m_written;
    return true;
}

void RegisterCsv::close()
{
    if (m_file.isOpen())
        m_file.close();
}

bool RegisterCsv::writeLine(const QString &text, QString *error)
{
    const QByteArray bytes = (text + QLatin1Char('\n')).toUtf8();
    if (m_file.write(bytes) != bytes.size()) {
        *error = m_file.errorString();
        m_file.close();
        return false;
    }
    return true;
}
