#include "commands.h"

#include "clioutcome.h"
#include "clitext.h"
#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "limitcheck.h"
#include "modeloptions.h"
#include "programfiles.h"
#include "transferwording.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

int runCompile(const Invocation &invocation, Console &console)
{
    const std::optional<OperandLimits> limits = ModelOptions::limits(invocation, console);
    if (!limits)
        return ExitBadInput;
    int status = ExitSuccess;
    const bool headers = invocation.files.size() > 1 && !invocation.json;
    for (int i = 0; i < invocation.files.size(); ++i) {
        const QString &path = invocation.files.at(i);
        if (headers && !invocation.quiet) {
            if (i > 0)
                console.out(QString());
            console.out(QStringLiteral("==> %1 <==").arg(path));
        }
        QJsonObject object{{QStringLiteral("command"), QStringLiteral("compile")},
                           {QStringLiteral("file"), path}};
        QString text;
        const QString problem = ProgramFiles::load(path, text);
        if (!problem.isEmpty()) {
            console.error(problem);
            object.insert(QStringLiteral("ok"), false);
            object.insert(QStringLiteral("outcome"), QStringLiteral("unreadable"));
            object.insert(QStringLiteral("error"), problem);
            object.insert(QStringLiteral("message"), problem);
            if (invocation.json)
                console.outBytes(CliText::jsonLine(object));
            // Files that cannot be read are bad input; a failed compile is a failed operation.
            status = std::max<int>(status, ExitBadInput);
            continue;
        }
        const CompileResult result = compileProgram(text);
        status = std::max<int>(status, result.ok ? ExitSuccess : ExitFailed);
        // Constants beyond the limits are warnings among the compiler's, in line order; the
        // report and the status stay the compiler's.
        const LimitViolations beyond = LimitCheck::staticViolations(text, *limits);
        const DiagnosticList findings =
            LimitCheck::withStaticWarnings(result.diagnostics, text, *limits);
        for (const QString &line : CliText::diagnosticLines(path, findings))
            console.err(line);

        QStringList hex;
        if (result.ok && invocation.records) {
            for (const Instruction &record : result.instructions)
                hex << TransferWording::recordBytes(record);
        }
        if (invocation.json) {
            object.insert(QStringLiteral("outcome"),
                          result.ok ? QStringLiteral("compiled") : QStringLiteral("failed"));
            const QJsonObject compiled = CliOutcome::compileJson(result);
            for (auto it = compiled.begin(); it != compiled.end(); ++it)
                object.insert(it.key(), it.value());
            if (invocation.records)
                object.insert(QStringLiteral("recordBytes"), QJsonArray::fromStringList(hex));
            if (!invocation.limitsFile.isEmpty())
                object.insert(QStringLiteral("limits"), ModelOptions::json(beyond));
            console.outBytes(CliText::jsonLine(object));
            continue;
        }
        if (invocation.quiet) {
            console.out(result.ok ? Commands::tr("%1: скомпилирована, записей: %n", nullptr,
                                                 int(result.instructions.size()))
                                        .arg(path)
                                  : Commands::tr("%1: не компилируется").arg(path));
            continue;
        }
        for (const QString &line : result.report)
            console.out(line);
        for (const QString &line : hex)
            console.out(line);
    }
    return status;
}
