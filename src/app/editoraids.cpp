#include "editoraids.h"

#include "codeassist.h"
#include "compiler.h"
#include "elidedlabel.h"
#include "diagnosticchecker.h"
#include "editormarks.h"
#include "findbar.h"
#include "linenumbergutter.h"
#include "reportpanelinks.h"
#include "userdialogs.h"

#include <QFontMetricsF>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QStyle>
#include <QLabel>
#include <QPlainTextEdit>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextEdit>

namespace {

constexpr int TabStopCharacters = 4;

} // namespace

EditorAids::EditorAids(QTextEdit *editor, QGridLayout *layout, QPlainTextEdit *pane,
                       QStatusBar *statusBar, const Compiler &compiler, QWidget *window)
    : QObject(window), m_editor(editor), m_window(window)
{
    // One program line is one screen line; long lines scroll sideways.
    editor->setLineWrapMode(QTextEdit::NoWrap);
    // Pasted or dropped text arrives as plain text, without the source's fonts and tables.
    editor->setAcceptRichText(false);
    editor->setTabStopDistance(TabStopCharacters *
                               QFontMetricsF(editor->font()).horizontalAdvance(QLatin1Char(' ')));

    m_marks = new EditorMarks(editor, this);
    layout->addWidget(new LineNumberGutter(editor, m_marks, layout->parentWidget()), 0, 0);
    m_findBar = new FindBar(editor, layout->parentWidget());
    layout->addWidget(m_findBar, 1, 0, 1, 2);
    layout->setRowStretch(0, 1);

    m_checker = new DiagnosticChecker(editor->document(), compiler, this);
    m_checker->setObjectName(QStringLiteral("diagnosticChecker"));
    connect(m_checker, &DiagnosticChecker::checked, m_marks, &EditorMarks::setDiagnostics);
    connect(m_marks, &EditorMarks::changed, this, &EditorAids::showDiagnosticCount);
    // Icons and numbers take little room at any width and in any language; words would be cut.
    m_diagnosticCounts = new QWidget(window);
    m_diagnosticCounts->setObjectName(QStringLiteral("diagnosticCounts"));
    auto *counts = new QHBoxLayout(m_diagnosticCounts);
    // Clear of the window's edge, where the size grip would be.
    counts->setContentsMargins(0, 0, 4, 0);
    counts->setSpacing(2);
    const int iconSize = m_diagnosticCounts->fontMetrics().height();
    const auto addCount = [&](QStyle::StandardPixmap icon, const char *name) {
        auto *picture = new QLabel(m_diagnosticCounts);
        picture->setPixmap(m_diagnosticCounts->style()->standardIcon(icon).pixmap(iconSize));
        counts->addWidget(picture);
        auto *number = new QLabel(m_diagnosticCounts);
        number->setObjectName(QLatin1String(name));
        counts->addWidget(number);
        return number;
    };
    m_errorCount = addCount(QStyle::SP_MessageBoxCritical, "errorCount");
    counts->addSpacing(4);
    m_warningCount = addCount(QStyle::SP_MessageBoxWarning, "warningCount");
    statusBar->addPermanentWidget(m_diagnosticCounts);
    showDiagnosticCount();
    // What is wrong on the cursor's line, so the reason can be read without the mouse: whole or
    // not at all, since the gutter's tool tip and the editor's wave say it too.
    auto *lineMessage = new ElidedLabel(Qt::ElideNone, statusBar);
    lineMessage->setObjectName(QStringLiteral("diagnosticMessageLabel"));
    statusBar->addWidget(lineMessage, 1);
    connect(m_marks, &EditorMarks::currentLineMessageChanged, lineMessage, &QLabel::setText);

    m_assist = new CodeAssist(editor, m_marks, window);
    // A command's outcome stays a while: it is read after the key, not in the instant.
    constexpr int MessageMs = 8000;
    connect(m_assist, &CodeAssist::message, statusBar,
            [statusBar](const QString &text) { statusBar->showMessage(text, MessageMs); });
    connect(m_findBar, &FindBar::message, statusBar,
            [statusBar](const QString &text) { statusBar->showMessage(text, MessageMs); });

    m_reportLinks = new ReportPaneLinks(pane, this);
    connect(m_reportLinks, &ReportPaneLinks::sourceLineActivated, this,
            &EditorAids::goToSourceLine);
}

void EditorAids::setDialogs(UserDialogs *dialogs)
{
    m_dialogs = dialogs;
    m_assist->setDialogs(dialogs);
}

void EditorAids::setReport(const QVector<int> &sourceLines, const QVector<int> &errorLines)
{
    m_reportLinks->setReport(sourceLines, errorLines);
}

void EditorAids::linkReportLine(int paneLine, int sourceLine, bool error)
{
    m_reportLinks->linkLine(paneLine, sourceLine, error);
}

void EditorAids::showDiagnosticCount()
{
    const int errors = m_marks->count(Diagnostic::Severity::Error);
    const int warnings = m_marks->count(Diagnostic::Severity::Warning);
    m_errorCount->setText(QString::number(errors));
    m_warningCount->setText(QString::number(warnings));
    m_diagnosticCounts->setToolTip(tr("%1, %2").arg(tr("%n ошибок", nullptr, errors),
                                                    tr("%n предупреждений", nullptr, warnings)));
}

void EditorAids::setLimits(const OperandLimits &limits)
{
    m_checker->setLimits(limits);
}

void EditorAids::goToSourceLine(int line)
{
    QTextDocument *document = m_editor->document();
    const QTextBlock block =
        document->findBlockByNumber(qBound(1, line, document->blockCount()) - 1);
    m_editor->setTextCursor(QTextCursor(block));
    m_editor->ensureCursorVisible();
    m_editor->setFocus(Qt::OtherFocusReason);
}

void EditorAids::goToDiagnostic(bool forward)
{
    // Text typed since the last pause is checked first, so the jump goes by what is there now.
    if (m_checker->isPending())
        m_checker->checkNow();
    const int line = m_marks->nextLine(m_editor->textCursor().blockNumber() + 1, forward);
    if (line > 0)
        goToSourceLine(line);
}

void EditorAids::askGoToLine()
{
    const int line = m_dialogs->askLineNumber(
        m_window, tr("Перейти к строке"),
        tr("Номер строки (1–%1):").arg(m_editor->document()->blockCount()),
        m_editor->textCursor().blockNumber() + 1, m_editor->document()->blockCount());
    if (line > 0)
        goToSourceLine(line);
}

void EditorAids::openFindBar()
{
    m_findBar->open();
}

void EditorAids::openReplaceBar()
{
    m_findBar->openReplace();
}
