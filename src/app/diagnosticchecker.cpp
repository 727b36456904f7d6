#include "diagnosticchecker.h"

#include "limitcheck.h"

#include <QTextDocument>

#include <algorithm>

DiagnosticChecker::DiagnosticChecker(QTextDocument *document, const Compiler &compiler,
                                     QObject *parent)
    : QObject(parent), m_document(document), m_compiler(compiler)
{
    // One timer restarted on every change: a burst of keys costs one check after it.
    m_timer.setSingleShot(true);
    m_timer.setInterval(PauseMs);
    connect(&m_timer, &QTimer::timeout, this, &DiagnosticChecker::checkNow);
    connect(m_document, &QTextDocument::contentsChanged, this, &DiagnosticChecker::restart);
}

void DiagnosticChecker::setEnabled(bool enabled)
{
    if (enabled == m_enabled)
        return;
    m_enabled = enabled;
    m_timer.stop();
    if (m_enabled) {
        checkNow();
    } else {
        m_diagnostics.clear();
        emit checked(m_diagnostics);
    }
}

void DiagnosticChecker::setLimits(const OperandLimits &limits)
{
    if (limits == m_limits)
        return;
    m_limits = limits;
    checkNow();
}

void DiagnosticChecker::restart()
{
    if (m_enabled)
        m_timer.start();
}

void DiagnosticChecker::checkNow()
{
    m_timer.stop();
    if (!m_enabled)
        return;
    const QString text = m_document->toPlainText();
    m_diagnostics = m_compiler.compile(text).diagnostics;
    if (!m_limits.isEmpty()) {
        m_diagnostics += LimitCheck::diagnostics(LimitCheck::staticViolations(text, m_limits),
                                                 Diagnostic::Severity::Warning);
        std::stable_sort(m_diagnostics.begin(), m_diagnostics.end(),
                         [](const Diagnostic &a, const Diagnostic &b) { return a.line < b.line; });
    }
    emit checked(m_diagnostics);
}
