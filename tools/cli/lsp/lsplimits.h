#pragma once

#include "operandlimits.h"

#include <QHash>
#include <QString>

// Which operand limits a program is checked against: the file the editor named for all of them,
// or else a .quorvel-limits file beside the program. Each file is read once; an open limits file
// is taken from the editor's text instead.
class LspLimits
{
public:
    static QString besideFileName() { return QStringLiteral(".quorvel-limits"); }

    struct Source
    {
        // Empty when no file applies.
        QString path;
        OperandLimits limits;
        QVector<LimitsFileError> errors;
        // Why the file could not be read, empty when it was.
        QString problem;
    };

    // The named file, for every program; empty for none.
    void setNamedFile(const QString &path);
    const QString &namedFile() const { return m_named; }

    // The limits for the program at path (a local file path, or empty).
    const Source &forProgram(const QString &programPath);
    // Whether path is a limits file some program is checked against, or could be.
    bool isLimitsFile(const QString &path) const;
    // The file's rules from text, as the editor holds it.
    const Source &update(const QString &path, const QString &text);
    // The editor closed the file: its rules are read from the disk again when next needed.
    void forget(const QString &path) { m_sources.remove(path); }

private:
    const Source &load(const QString &path, bool mustExist);

    QString m_named;
    QHash<QString, Source> m_sources;
    Source m_none;
};
