#include "targetrun.h"

#include "commandline.h"
#include "console.h"
#include "stopsignals.h"
#include "sessiontransfer.h"
#include "transferwording.h"

QString Target::label() const
{
    return TargetRun::tr("Slave ID %1, ячейка %2").arg(slaveId).arg(cellNumber());
}

QVector<Target> targetsOf(const Invocation &invocation)
{
    QVector<Target> targets;
    for (const quint8 slave : invocation.slaveIds) {
        for (const int cell : invocation.cells)
            targets.append({slave, cell});
    }
    return targets;
}

QJsonObject targetJson(const QString &command, const Invocation &invocation, const Target &target)
{
    return {{QStringLiteral("command"), command},
            {QStringLiteral("port"), invocation.port},
            {QStringLiteral("slave"), int(target.slaveId)},
            {QStringLiteral("cell"), target.cellNumber()}};
}

StopOnSignal::StopOnSignal(SessionTransfer &job)
{
    if (StopSignals::received() != 0)
        job.cancel();
    if (StopSignals *notifier = StopSignals::instance()) {
        m_connection = QObject::connect(notifier, &StopSignals::stopRequested, notifier,
                                        [&job]() { job.cancel(); });
    }
}

StopOnSignal::~StopOnSignal()
{
    QObject::disconnect(m_connection);
}

TargetRun::TargetRun(const Invocation &invocation, Console &console, bool linesOnError)
    : m_invocation(invocation), m_console(console), m_linesOnError(linesOnError),
      m_several(invocation.targetCount() > 1)
{
}

void TargetRun::begin(const Target &target, int index)
{
    m_current = target;
    lines.clear();
    m_notes.clear();
    m_linesBeforeNotes = -1;
    if (m_several && !m_invocation.json && !m_invocation.quiet) {
        if (index > 0)
            show(QString());
        show(QStringLiteral("==> %1 <==").arg(target.label()));
    }
}

void TargetRun::line(const QString &text)
{
    for (const QString &part : text.split(QLatin1Char('\n'))) {
        lines << part;
        if (!m_invocation.json && !m_invocation.quiet)
            show(part);
    }
}

void TargetRun::note(const QString &text)
{
    if (m_linesBeforeNotes < 0)
        m_linesBeforeNotes = lines.size();
    line(text);
    m_notes.append({text, true});
}

void TargetRun::errorNote(const QString &text)
{
    if (m_linesBeforeNotes < 0)
        m_linesBeforeNotes = lines.size();
    m_notes.append({text, false});
}

void TargetRun::follow(SessionTransfer &job)
{
    if (!m_console.showsProgress())
        return;
    QObject::connect(
        &job, &SessionTransfer::progress, &job, [this](int done, int total, qint64 leftMs) {
            // Only answered requests count, as they always have here.
            if (total <= 0 || done == 0)
                return;
            // The time left as the window's status bar words it.
            m_console.progress(
                done < total ? tr("%1: %2 из %3, %4")
                                   .arg(m_current.label())
                                   .arg(done)
                                   .arg(total)
                                   .arg(TransferWording::timeLeft(leftMs))
                             : tr("%1: %2 из %3").arg(m_current.label()).arg(done).arg(total));
        });
}

void TargetRun::summary(bool ok, const QString &what, const QStringList &failure, bool failureShown)
{
    m_console.clearProgress();
    if (!ok)
        reportFailure(failure, failureShown);
    // One target's lines end in its result already; a quiet run has only this line.
    if ((!m_several && !m_invocation.quiet) || m_invocation.json)
        return;
    const QString text = ok ? QStringLiteral("%1: %2").arg(m_current.label(), what)
                            : tr("%1: ошибка: %2").arg(m_current.label(), what);
    // A script that reads standard error for failures finds a quiet run's there.
    if (!ok && m_invocation.quiet)
        m_console.err(text);
    else
        show(text);
}

void TargetRun::reportFailure(const QStringList &failure, bool failureShown)
{
    const bool linesShown = !m_invocation.json && !m_invocation.quiet;
    QStringList out;
    if (linesShown && !m_linesOnError) {
        if (!failureShown) {
            const int end = m_linesBeforeNotes < 0 ? lines.size() : m_linesBeforeNotes;
            out << (failure.isEmpty() && end > 0 ? QStringList{lines.at(end - 1)} : failure);
        }
        for (const QPair<QString, bool> &note : qAsConst(m_notes))
            out << note.first.split(QLatin1Char('\n'));
    } else {
        // On standard error already, left out by --quiet, or in the JSON: only what no report
        // line holds.
        for (const QPair<QString, bool> &note : qAsConst(m_notes)) {
            if (!note.second)
                out << note.first;
        }
    }
    for (const QString &text : qAsConst(out))
        m_console.err(m_several ? QStringLiteral("%1: %2").arg(m_current.label(), text) : text);
}

void TargetRun::show(const QString &text)
{
    if (m_linesOnError)
        m_console.err(text);
    else
        m_console.out(text);
}
