#include "deviceactivity.h"

#include "devicelink.h"
#include "devicesession.h"
#include "editoraids.h"
#include "elidedlabel.h"
#include "programtransfer.h"
#include "scanwording.h"
#include "sessiontransfer.h"
#include "supplyscan.h"
#include "transferwording.h"
#include "userdialogs.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTextDocument>
#include <QToolButton>

#include <algorithm>
#include <utility>

namespace {

constexpr int ProgressWidth = 60;

// "ttyUSB0" for "/dev/ttyUSB0", "pts/3" for "/dev/pts/3", the file name of a path elsewhere.
QString shortPortName(const QString &port)
{
    const QString dev = QStringLiteral("/dev/");
    if (port.startsWith(dev))
        return port.mid(dev.size());
    return QFileInfo(port).fileName().isEmpty() ? port : QFileInfo(port).fileName();
}

} // namespace

DeviceActivity::DeviceActivity(QWidget *window, QPlainTextEdit *pane, QAction *cancel)
    : QObject(window), m_window(window), m_pane(pane), m_session(new DeviceSession(this)),
      m_probe(new SupplyScan(*m_session, this))
{
    createStatusArea(cancel);
    connect(m_probe, &SupplyScan::finished, this, &DeviceActivity::probeEnded);
    connect(m_session, &DeviceSession::opened, this, [this](bool ok) {
        // An open port says nothing of the supply: ask it once, which is the line's quiet
        // start too.
        if (ok && m_probeOnConnect)
            m_probe->start(m_session->requestedName(), {m_probeSlave});
        emit stateChanged();
        emit connectFinished(ok, ok ? QString() : m_session->failure().text());
    });
    connect(m_session, &DeviceSession::lineLost, this, &DeviceActivity::onLineLost);
}

DeviceActivity::~DeviceActivity() = default;

void DeviceActivity::createStatusArea(QAction *cancel)
{
    // The connection and a transfer's progress, time left and «Прервать» share one area: the
    // connection has all of it while no transfer runs, and what the transfer leaves while one
    // does. Its text gives way, so neither a long port path, a transfer nor a wide font widens
    // the window.
    m_statusArea = new QWidget(m_window);
    m_statusArea->setObjectName(QStringLiteral("statusArea"));
    auto *layout = new QHBoxLayout(m_statusArea);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(3);
    // The port path is elided in the middle: its start and its end tell ports apart.
    m_connection = new ElidedLabel(Qt::ElideMiddle, m_statusArea);
    m_connection->setObjectName(QStringLiteral("connectionLabel"));
    // «Нет связи» stays whole; a long path gives way.
    m_connection->setShortestText(tr("Нет связи"));
    layout->addWidget(m_connection, 1);
    m_bar = new QProgressBar(m_statusArea);
    m_bar->setObjectName(QStringLiteral("transferProgress"));
    m_bar->setFixedWidth(ProgressWidth);
    // Requests done of the total, short enough for the narrow bar.
    m_bar->setFormat(tr("%v/%m"));
    m_timeLeft = new ElidedLabel(Qt::ElideRight, m_statusArea);
    m_timeLeft->setObjectName(QStringLiteral("transferTimeLeft"));
    m_timeLeft->setFixedWidth(
        m_timeLeft->fontMetrics().horizontalAdvance(tr("осталось %1 с").arg(59)) +
        m_timeLeft->fontMetrics().horizontalAdvance(QLatin1Char(' ')));
    auto *button = new QToolButton(m_statusArea);
    button->setObjectName(QStringLiteral("cancelButton"));
    button->setDefaultAction(cancel);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_cancel = button;
    for (QWidget *part :
         {static_cast<QWidget *>(m_bar), static_cast<QWidget *>(m_timeLeft), m_cancel}) {
        layout->addWidget(part);
        part->hide();
    }
}

void DeviceActivity::showConnection(const QString &port)
{
    const bool open = isOpen();
    // During a transfer the progress takes most of the room: the port's short name then.
    QString connected = tr("Подключено: %1, 9600 8N1").arg(port);
    if (m_answer == Answer::Answers)
        connected = ScanWording::answersLine(shortPortName(port), m_probeSlave);
    else if (m_answer == Answer::Silent)
        connected = ScanWording::silentLine(m_probeSlave);
    else if (m_answer == Answer::Duplicate)
        connected = ScanWording::duplicateConnectLine(shortPortName(port), m_probeSlave);
    m_connection->setText(!open ? tr("Нет связи") : !m_running ? connected : shortPortName(port));
    // «Нет связи» and the connection stay whole while the room is theirs; beside a transfer's
    // progress the port's name gives way.
    m_connection->setShortestText(!m_running ? tr("Нет связи") : QStringLiteral("xx\u2026"));
    // The full path even where the label shows it shortened.
    m_connection->setToolTip(open ? port : QString());
}

void DeviceActivity::setExchangeObserver(ExchangeObserver *observer)
{
    m_session->setExchangeObserver(observer);
}

bool DeviceActivity::isOpen() const
{
    return m_session->isOpen();
}

bool DeviceActivity::isOpening() const
{
    return m_session->isOpening();
}

void DeviceActivity::connectPort(const QString &portName, quint8 slaveId)
{
    m_probeSlave = slaveId;
    m_answer = Answer::Unknown;
    m_session->open(portName);
    emit stateChanged();
}

void DeviceActivity::askSupply(quint8 slaveId)
{
    m_probeSlave = slaveId;
    m_answer = Answer::Unknown;
    if (m_session->isOpen())
        m_probe->start(m_session->requestedName(), {slaveId});
    emit stateChanged();
}

void DeviceActivity::probeEnded()
{
    const ScanOutcome &outcome = m_probe->outcome();
    // A probe cut short by a disconnect says nothing.
    if (!m_session->isOpen() || outcome.probed == 0)
        return;
    m_answer = outcome.found.isEmpty()                ? Answer::Silent
               : outcome.found.constFirst().duplicate ? Answer::Duplicate
                                                      : Answer::Answers;
    // A duplicate's cells are not surveyed: every read may come from either supply.
    emit cellsSurveyed(m_probeSlave, m_answer == Answer::Answers ? outcome.found.constFirst().cells
                                                                 : QVector<FoundSupply::Cell>());
    emit stateChanged();
}

void DeviceActivity::disconnectPort()
{
    m_probe->cancel();
    m_answer = Answer::Unknown;
    // A transfer under way fails on its next request at once and says so after its last line.
    m_session->close();
    emit stateChanged();
}

void DeviceActivity::onLineLost()
{
    m_answer = Answer::Unknown;
    // The port is closed already; a transfer still running says so after its last line.
    if (m_running)
        m_lostInTransfer = true;
    else
        appendPane(TransferWording::lostLine());
    emit stateChanged();
}

void DeviceActivity::begin(SessionTransfer *transfer)
{
    m_transfer = transfer;
    m_running = true;
    connect(transfer, &SessionTransfer::line, this, &DeviceActivity::appendPane);
    connect(transfer, &SessionTransfer::progress, this, [this](int done, int total, qint64 leftMs) {
        // The time left first, so that it is current whenever the bar moves.
        if (leftMs >= 0)
            m_timeLeft->setText(TransferWording::timeLeft(leftMs));
        else
            m_timeLeft->clear();
        // A read learns its total from the count: until then the bar stands at zero.
        m_bar->setRange(0, std::max(total, 1));
        m_bar->setValue(done);
    });
    connect(transfer, &SessionTransfer::finished, this, [this]() {
        if (m_next)
            std::exchange(m_next, nullptr)();
    });
    // The connection gives up its room first, so the progress never widens the window.
    emit stateChanged();
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_timeLeft->clear();
    for (QWidget *part :
         {static_cast<QWidget *>(m_bar), static_cast<QWidget *>(m_timeLeft), m_cancel})
        part->show();
}

void DeviceActivity::finish()
{
    // A port closed during the transfer (Disconnect, a lost line) ends it Not connected.
    if (m_transfer) {
        reportCell();
        m_transfer->deleteLater();
    }
    m_transfer = nullptr;
    m_running = false;
    m_lostInTransfer = false;
    for (QWidget *part :
         {static_cast<QWidget *>(m_bar), static_cast<QWidget *>(m_timeLeft), m_cancel})
        part->hide();
    emit stateChanged();
    if (std::exchange(m_closePending, false))
        emit closeAllowed();
}

void DeviceActivity::reportCell()
{
    const TransferOutcome &outcome = m_transfer->outcome();
    FoundSupply::Cell contents;
    // The last look at the cell tells: a read (a check's too), else the write.
    if (outcome.readRan && outcome.readOk()) {
        contents = {true, int(outcome.read.records.size()), outcome.read.name};
    } else if (outcome.readRan && outcome.read.status == ProgramTransfer::ReadStatus::NoRecords) {
        contents = {true, 0, QString()};
    } else if (outcome.writeRan && outcome.writtenOk()) {
        contents = {true, m_writtenCount, m_writtenName};
    } else if (!(outcome.writeRan && outcome.cellState.touched())) {
        // Nothing was changed and nothing learnt.
        return;
    }
    // A write that stopped or failed half-way leaves the cell unknown.
    emit cellLearned(m_transfer->slaveId(), m_transfer->cell(), contents);
}

void DeviceActivity::write(const Program &program, quint8 slaveId, int cell, bool verify)
{
    m_writtenCount = program.records.size();
    m_writtenName = QString::fromLatin1(DeviceLink::packName(program.name));
    replacePane(TransferWording::writeHeading());
    auto *transfer = new SessionTransfer(*m_session, slaveId, cell, this);
    begin(transfer);
    then([this, program, cell, verify]() { writeEnded(program, cell, verify); });
    transfer->write(program.records, program.name);
}

void DeviceActivity::writeEnded(const Program &program, int cell, bool verify)
{
    const TransferOutcome &outcome = m_transfer->outcome();
    if (outcome.cancelled)
        appendPane(TransferWording::stoppedLine());
    reportUnanswered();
    reportLostLine();
    const QString cellWarning = outcome.cellWarning(cell + 1);
    if (!cellWarning.isEmpty())
        appendPane(cellWarning);
    // A stop that came while the last request was answered leaves the write whole; the check
    // after it is what the stop ends.
    if (outcome.writtenOk() && verify && m_transfer->stopRequested()) {
        appendPane(TransferWording::stoppedLine());
    } else if (outcome.writtenOk() && verify) {
        checkCell(program);
        return;
    }
    finish();
}

void DeviceActivity::read(quint8 slaveId, int cell, const Decoder &decoder)
{
    replacePane(TransferWording::readHeading());
    auto *transfer = new SessionTransfer(*m_session, slaveId, cell, this);
    begin(transfer);
    then([this]() { readEnded(); });
    transfer->read(decoder);
}

void DeviceActivity::readEnded()
{
    const TransferOutcome &outcome = m_transfer->outcome();
    if (outcome.cancelled)
        appendPane(TransferWording::stoppedLine());
    reportUnanswered();
    reportLostLine();
    if (outcome.decodeRan && !outcome.decoded.ok)
        appendPane(outcome.decoded.error);
    if (outcome.decodeRan && outcome.decoded.ok) {
        emit programRead(outcome.decoded.text());
        appendPane(TransferWording::readSuccessLine());
        if (!outcome.nameWarning.isEmpty())
            appendPane(outcome.nameWarning);
        // Red like a compile's errors, leading to the line that does not come back.
        if (!outcome.roundTrip.warning.isEmpty()) {
            appendPane(outcome.roundTrip.warning);
            m_editorAids->linkReportLine(m_pane->document()->blockCount() - 1,
                                         outcome.roundTrip.line, true);
        }
    }
    finish();
}

void DeviceActivity::compare(const Program &program, quint8 slaveId, int cell)
{
    replacePane(TransferWording::compareHeading(cell + 1));
    begin(new SessionTransfer(*m_session, slaveId, cell, this));
    checkCell(program);
}

void DeviceActivity::checkCell(const Program &program)
{
    // Read back without the read's own lines; «Прервать» reaches this read too.
    then([this, program]() { checkEnded(program); });
    m_transfer->compare(program.records, program.name, program.sourceLines, true);
}

void DeviceActivity::checkEnded(const Program &program)
{
    const TransferOutcome &outcome = m_transfer->outcome();
    if (outcome.cancelled) {
        appendPane(TransferWording::stoppedLine());
    } else {
        // A differing record is shown with its bytes on both sides, as the tool shows it.
        for (const TransferWording::Line &line :
             TransferWording::comparisonLines(outcome, &program.records)) {
            appendPane(line.text);
            // Red like a compile's errors; a line naming a program line leads there.
            if (line.error) {
                m_editorAids->linkReportLine(m_pane->document()->blockCount() - 1, line.sourceLine,
                                             true);
            }
        }
    }
    reportUnanswered();
    reportLostLine();
    finish();
}

void DeviceActivity::cancel()
{
    if (m_transfer)
        m_transfer->cancel();
}

bool DeviceActivity::mayClose()
{
    if (!m_running)
        return true;
    // Asked once: the transfer is stopping for this close already.
    if (m_closePending)
        return false;
    // Closing at once would leave the cell half written without a word: ask, then stop the
    // transfer after the request on the line; it reports what the cell holds, then closes.
    if (m_dialogs->askStopTransfer(m_window, tr("Закрыть окно"),
                                   tr("Идёт обмен с прибором. Прервать и закрыть окно?"))) {
        // The transfer may have ended while the question was open.
        if (!m_running) {
            emit closeAllowed();
            return false;
        }
        m_closePending = true;
        cancel();
    }
    return false;
}

void DeviceActivity::reportUnanswered()
{
    // A closed port explains the silence itself.
    if (m_transfer->outcome().unanswered && m_session->isOpen())
        appendPane(TransferWording::noAnswerLine(m_transfer->slaveId()));
}

void DeviceActivity::reportLostLine()
{
    if (std::exchange(m_lostInTransfer, false))
        appendPane(TransferWording::lostLine());
}

void DeviceActivity::replacePane(const QString &heading)
{
    m_pane->setPlainText(heading);
}

void DeviceActivity::appendPane(const QString &text)
{
    m_pane->appendPlainText(text);
}
