#pragma once

#include "registermap.h"

#include <QCoreApplication>
#include <QFile>
#include <QString>
#include <QStringList>

struct RegisterSample;

// The monitor's CSV: a header "time," and one column per field (its label where the map gives
// one, else its name), then one line per sample with the time in RFC 3339 UTC and the scaled
// values; the fields of a block that did not answer stay empty. The window's log and the
// command line's --csv are the same text.
class RegisterCsv
{
    Q_DECLARE_TR_FUNCTIONS(RegisterCsv)

public:
    RegisterCsv(const QStringList &fields, const RegisterMap &map);

    QString header() const;
    QString line(const RegisterSample &sample) const;
    const QStringList &fields() const { return m_fields; }

    // Logging into a file: open() writes the header, append() one line, each handed to the
    // system at once, so that a crash loses at most the sample being written.
    bool open(const QString &path, QString *error);
    bool append(const RegisterSample &sample, QString *error);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString fileName() const { return m_file.fileName(); }
    // Lines written after the header.
    qint64 samplesWritten() const { return m_written; }

private:
    bool writeLine(const QString &text, QString *error);

    QStringList m_fields;
    RegisterMap m_map;
    QFile m_file;
    qint64 m_written = 0;
};
