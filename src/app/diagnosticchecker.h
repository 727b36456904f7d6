#pragma once

#include "compiler.h"
#include "diagnostic.h"
#include "operandlimits.h"

#include <QObject>
#include <QTimer>

class QTextDocument;

// Checks the editor's text once typing pauses and publishes the findings; it compiles a copy
// only, so the compiled program and the output pane stay as the last real compile left them.
class DiagnosticChecker : public QObject
{
    Q_OBJECT

public:
    // Long enough that a typist's next key restarts the wait, short enough to feel live.
    static constexpr int PauseMs = 300;

    DiagnosticChecker(QTextDocument *document, const Compiler &compiler, QObject *parent = nullptr);

    const DiagnosticList &diagnostics() const { return m_diagnostics; }
    // True while a change waits for its check.
    bool isPending() const { return m_timer.isActive(); }
    // Off, no check runs and the findings are empty; on again, the text is checked at once.
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }

    // Constants beyond these limits are findings too, as warnings; the text is checked again.
    void setLimits(const OperandLimits &limits);

    // Checks now instead of after the pause.
    void checkNow();

signals:
    void checked(const DiagnosticList &diagnostics);

private:
    void restart();

    QTextDocument *m_document;
    Compiler m_compiler;
    QTimer m_timer;
    DiagnosticList m_diagnostics;
    OperandLimits m_limits;
    bool m_enabled = true;
};
