#pragma once

#include "diagnostic.h"

#include <QList>
#include <QObject>
#include <QTextEdit>

// What the editor shows beside its text: the current line's soft background, painted beneath
// it, and a wavy underline per diagnostic as an extra selection, so the document, its undo stack
// and its modified flag never see either; a diagnostic's message shows when the mouse rests on
// its line.
class EditorMarks : public QObject
{
    Q_OBJECT

public:
    explicit EditorMarks(QTextEdit *editor, QObject *parent = nullptr);

    void setDiagnostics(const DiagnosticList &diagnostics);
    const DiagnosticList &diagnostics() const { return m_diagnostics; }
    int count(Diagnostic::Severity severity) const;

    // The messages on one 1-based line, each with its column where it has one, one a line;
    // empty when it has none.
    QString messagesAt(int line, const QString &separator = QStringLiteral("\n")) const;
    // "Строка N, столбец C: MESSAGE" for the cursor's line, for the status bar; empty when the
    // line has no diagnostic.
    QString currentLineMessage() const;
    // Whether the line carries an error, else a warning; nothing when it has no diagnostic.
    bool hasDiagnosticAt(int line, Diagnostic::Severity *worst = nullptr) const;
    // The next (or previous) line with a diagnostic after (before) line, wrapping around the
    // text; 0 when there is none.
    int nextLine(int line, bool forward) const;

    static QColor colour(Diagnostic::Severity severity);

signals:
    void changed();
    void currentLineMessageChanged(const QString &message);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();
    void scheduleApply();
    void cursorMoved();
    void paintCurrentLine(const QRect &area);
    void showCurrentLineMessage();

    QTextEdit *m_editor;
    DiagnosticList m_diagnostics;
    // All underlines, in text order; the editor holds those in view.
    QList<QTextEdit::ExtraSelection> m_underlines;
    bool m_applyScheduled = false;
    int m_currentLine = -1;
    QString m_shownMessage;
};
