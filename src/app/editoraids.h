#pragma once

#include <QObject>
#include <QVector>

class CodeAssist;
class Compiler;
class OperandLimits;
class DiagnosticChecker;
class EditorMarks;
class FindBar;
class QGridLayout;
class QLabel;
class QPlainTextEdit;
class QStatusBar;
class QTextEdit;
class ReportPaneLinks;
class UserDialogs;

// The editor's aids: line numbers with the diagnostics' marks, the live check, the find bar,
// going to a line or to the next diagnostic, the way back from a report line to the source
// line it came from, and the language's own aids: completion, labels and their rename.
class EditorAids : public QObject
{
    Q_OBJECT

public:
    // The gutter and the find bar go into `layout` around the editor, which already stands in
    // it; the count of diagnostics into `statusBar`; the report links onto `pane`. `window`
    // parents the dialogs.
    EditorAids(QTextEdit *editor, QGridLayout *layout, QPlainTextEdit *pane, QStatusBar *statusBar,
               const Compiler &compiler, QWidget *window);

    void setDialogs(UserDialogs *dialogs);
    // The source line behind each line of the compile report in the pane.
    void setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines);
    // Ties one more pane line (0-based) to a 1-based source line (0: none), red when error.
    void linkReportLine(int paneLine, int sourceLine, bool error);

    // The live check marks constants beyond these limits as warnings.
    void setLimits(const OperandLimits &limits);

    void goToSourceLine(int line);
    void goToDiagnostic(bool forward);
    void askGoToLine();
    void openFindBar();
    void openReplaceBar();
    CodeAssist *codeAssist() const { return m_assist; }

private:
    void showDiagnosticCount();

    QTextEdit *m_editor;
    QWidget *m_window;
    UserDialogs *m_dialogs = nullptr;
    EditorMarks *m_marks = nullptr;
    DiagnosticChecker *m_checker = nullptr;
    FindBar *m_findBar = nullptr;
    CodeAssist *m_assist = nullptr;
    ReportPaneLinks *m_reportLinks = nullptr;
    // The counts as icons with numbers, the words in the tool tip.
    QWidget *m_diagnosticCounts = nullptr;
    QLabel *m_errorCount = nullptr;
    QLabel *m_warningCount = nullptr;
};
