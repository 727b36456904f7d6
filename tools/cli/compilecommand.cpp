#include "commands.h"

#include "clioutcome.h"
#include "clitext.h"
#include "commandline.h"
#include "compiler.h"
#include "console.h"
#include "programfiles.h"
#include "transferwording.h"

#include <QJsonArray>
#include <QJsonObject>

#include <algorithm>

int runCompile(const Invocation &invocation, Console &console)
{
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
        for (const QString &line : CliText::diagnosticLines(path, result.diagnostics))
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
            console.outBytes(CliText::jsonLine(object));
            continue;
        }
        if (invocation.quiet) {
            console.out(result.ok ? Commands::tr("%1: скомпилирована, записей: %2")
                                        .arg(path)
                                        .arg(result.instructions.size())
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
