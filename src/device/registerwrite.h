#pragma once

#include "linkresult.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

#include <functional>
#include <optional>

class DeviceLink;
class DeviceSession;
class QObject;

// A write of the fixed registers 0x03 (two 16-bit values) or 0x07 (one), as the window's dock and
// the command line issue it: the values checked, the exact frame shown before it is sent, the
// write run as a job of the session with the write exchange's rules (accepted only with status
// 0x1F), and its outcome in words.
class RegisterWrite
{
    Q_DECLARE_TR_FUNCTIONS(RegisterWrite)

public:
    // 0x03 or 0x07; nothing for a register that cannot be written this way.
    static std::optional<RegisterWrite> of(const QString &registerKey);

    quint8 command() const { return m_command; }
    QString key() const;
    int valueCount() const { return m_command == 0x03 ? 2 : 1; }

    // Values as the user types them: 0..65535, or -32768..-1 for the 16 bits of a signed one.
    // Sets `error` and gives false when the count or a value is wrong.
    bool setValues(const QStringList &texts, QString *error);
    // The 16 bits each value travels as, and the values as the user gave them.
    const QVector<quint16> &values() const { return m_values; }
    const QVector<int> &givenValues() const { return m_given; }

    // The request's text without its CR, exactly as it goes on the line to `slave`.
    QByteArray frame(quint8 slave) const;
    // The confirmation's question, with the values and the frame.
    QString question(quint8 slave) const;

    LinkResult run(DeviceLink &link, quint8 slave) const;
    // Runs the write as a job; `done` gets its result in the caller's thread.
    void submit(DeviceSession &session, QObject *owner, quint8 slave,
                std::function<void(LinkResult)> done) const;

    // "Регистр 03 записан: 1200, 300" or why not.
    QString outcomeText(LinkResult result, quint8 slave) const;

private:
    explicit RegisterWrite(quint8 command) : m_command(command) {}
    QByteArray payload() const;
    QString valuesText() const;

    quint8 m_command;
    QVector<quint16> m_values;
    QVector<int> m_given;
};
