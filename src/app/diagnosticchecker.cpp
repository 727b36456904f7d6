#include "diagnosticchecker.h"

#include <QTextDocument>

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
    m_diagnostics = m_compiler.compile(m_document->toPlainText()).diagnostics;
    emit checked(m_diagnostics);
}
