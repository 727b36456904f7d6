#pragma once

#include "decoder.h"
#include "instruction.h"
#include "supplyscan.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVector>

#include <functional>

class DeviceSession;
class QAction;
class EditorAids;
class ElidedLabel;
class ExchangeObserver;
class QPlainTextEdit;
class QProgressBar;
class QWidget;
class SessionTransfer;
class SupplyScan;
class UserDialogs;

// The window's side of the work on the device: it submits connects and transfers to the device
// session and returns, shows a transfer's progress in the status bar, words each outcome into
// the report pane as it arrives, and asks before the window closes on a running transfer.
class DeviceActivity : public QObject
{
    Q_OBJECT
public:
    // What a transfer sends: the compiled program with the source line of each record.
    struct Program
    {
        InstructionList records;
        QString name;
        QVector<int> sourceLines;
    };
    // `cancel` is «Прервать», shown beside a transfer's progress.
    DeviceActivity(QWidget *window, QPlainTextEdit *pane, QAction *cancel);
    ~DeviceActivity() override;

    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }
    // Where a failed check's lines lead in the editor.
    void setEditorAids(EditorAids *editorAids) { m_editorAids = editorAids; }
    // The connection and a transfer's progress, for the window's status bar.
    QWidget *statusArea() const { return m_statusArea; }
    // Words the connection to `port` as the present state has it.
    void showConnection(const QString &port);
    void setExchangeObserver(ExchangeObserver *observer);
    DeviceSession &session() { return *m_session; }

    bool isOpen() const;
    bool isOpening() const;
    bool isRunning() const { return m_running; }

    // Opens the port, then asks the supply at `slaveId` once whether it answers.
    void connectPort(const QString &portName, quint8 slaveId);
    // Whether a connect asks the supply (on unless turned off, as tests that count requests do).
    void setProbeOnConnect(bool on) { m_probeOnConnect = on; }
    // Asks the supply at `slaveId` on the open port whether it answers, as a connect does.
    void askSupply(quint8 slaveId);
    void disconnectPort();

    // The transfers; each takes its own copy of what it sends and returns at once.
    void write(const Program &program, quint8 slaveId, int cell, bool verify);
    void read(quint8 slaveId, int cell, const Decoder &decoder);
    void compare(const Program &program, quint8 slaveId, int cell);
    void cancel();

    // Whether the window may close now. During a transfer it asks first; «Прервать» stops the
    // transfer, which then reports what the cell holds and emits closeAllowed().
    bool mayClose();

signals:
    // The port opened (`ok`) or did not; the window shows why from failureText().
    void connectFinished(bool ok, const QString &failureText);
    // The connection or a transfer's running state changed.
    void stateChanged();
    // A read decoded `text`: it goes into the editor before the success line is shown.
    void programRead(const QString &text);
    // A close put off until the transfer ended may go ahead now.
    void closeAllowed();
    // The connect probe's survey of the supply's four cells.
    void cellsSurveyed(quint8 slaveId, const QVector<FoundSupply::Cell> &cells);
    // A transfer learnt what one cell (0..3) holds: read, written, or no longer known.
    void cellLearned(quint8 slaveId, int cell, const FoundSupply::Cell &contents);

private:
    void begin(SessionTransfer *transfer);
    void finish();
    // The step that runs once the transfer's present step has ended.
    void then(std::function<void()> next) { m_next = std::move(next); }
    void writeEnded(const Program &program, int cell, bool verify);
    void readEnded();
    void checkCell(const Program &program);
    void checkEnded(const Program &program);
    void reportUnanswered();
    void reportLostLine();
    void onLineLost();
    void replacePane(const QString &heading);
    void appendPane(const QString &text);

    void createStatusArea(QAction *cancel);
    void probeEnded();
    // What the transfer now ending found out about its cell.
    void reportCell();

    // What the connect probe heard from the chosen supply.
    enum class Answer
    {
        Unknown,
        Answers,
        Silent,
        Duplicate,
    };

    QWidget *m_window;
    QPlainTextEdit *m_pane;
    EditorAids *m_editorAids = nullptr;
    QWidget *m_statusArea = nullptr;
    ElidedLabel *m_connection = nullptr;
    QProgressBar *m_bar = nullptr;
    ElidedLabel *m_timeLeft = nullptr;
    QWidget *m_cancel = nullptr;
    UserDialogs *m_dialogs = nullptr;
    DeviceSession *m_session;
    QPointer<SessionTransfer> m_transfer;
    std::function<void()> m_next;
    bool m_running = false;
    bool m_lostInTransfer = false;
    bool m_closePending = false;
    SupplyScan *m_probe;
    bool m_probeOnConnect = true;
    quint8 m_probeSlave = 0;
    Answer m_answer = Answer::Unknown;
    // A write's program size and name, for what the cell holds once it is written.
    int m_writtenCount = 0;
    QString m_writtenName;
};
