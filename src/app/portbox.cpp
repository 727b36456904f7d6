#include "portbox.h"

#include <QAbstractItemView>
#include <QFontMetrics>
#include <QLineEdit>
#include <QSerialPortInfo>
#include <QSignalBlocker>
#include <QStringList>
#include <QTimer>

#include <algorithm>
#include <utility>

namespace {

// The box shows a name this long in full.
constexpr char LongPortName[] = "/dev/ttyUSB10";

QString toolTipOf(const PortBox::Entry &entry)
{
    const auto orDash = [](const QString &text) {
        return text.isEmpty() ? QStringLiteral("—") : text;
    };
    return PortBox::tr("%1\nОписание: %2\nПроизводитель: %3\nСерийный номер: %4")
        .arg(entry.location, orDash(entry.description), orDash(entry.manufacturer),
             orDash(entry.serialNumber));
}

QList<PortBox::Entry> systemPorts()
{
    QList<PortBox::Entry> entries;
    const auto ports = QSerialPortInfo::availablePorts();
    for (const QSerialPortInfo &info : ports) {
        entries.append({info.portName(), info.systemLocation(), info.description(),
                        info.manufacturer(), info.serialNumber()});
    }
    return entries;
}

} // namespace

PortBox::PortBox(QWidget *parent) : QComboBox(parent), m_source(systemPorts)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    // The length is counted in the widest letter's width: enough of them to hold the long name,
    // and no more, so that the controls beside the box still fit on the toolbar.
    const QFontMetrics metrics(font());
    setMinimumContentsLength((metrics.horizontalAdvance(QLatin1String(LongPortName)) +
                              metrics.horizontalAdvance(QLatin1Char('X')) - 1) /
                             metrics.horizontalAdvance(QLatin1Char('X')));
    refresh();
    m_timer = new QTimer(this);
    m_timer->setInterval(RefreshMs);
    QObject::connect(m_timer, &QTimer::timeout, this, [this] { refresh(); });
}

void PortBox::setSource(Source source)
{
    m_source = std::move(source);
    refresh();
}

void PortBox::setFollowing(bool follow)
{
    m_following = follow;
    if (!follow)
        m_timer->stop();
    else if (!m_timer->isActive())
        m_timer->start();
}

void PortBox::showPortName(const QString &name)
{
    const int index = findText(name);
    setCurrentIndex(index);
    if (index < 0)
        setEditText(name);
}

void PortBox::showPopup()
{
    refresh();
    QComboBox::showPopup();
}

void PortBox::refresh()
{
    if (!m_following || !m_source)
        return;
    // The open list is read when it opens, not changed under the user's pointer.
    if (view()->isVisible())
        return;
    const QList<Entry> entries = m_source();
    m_entries = entries;
    QStringList names;
    QStringList tips;
    for (const Entry &entry : entries) {
        names << entry.name;
        tips << toolTipOf(entry);
    }
    QStringList shownNames;
    QStringList shownTips;
    for (int i = 0; i < count(); ++i) {
        shownNames << itemText(i);
        shownTips << itemData(i, Qt::ToolTipRole).toString();
    }
    // An unchanged list leaves the box alone, so a path being typed is not disturbed.
    if (names == shownNames && tips == shownTips) {
        findAdapter(entries);
        return;
    }

    QLineEdit *edit = lineEdit();
    const QString text = currentText();
    const int cursor = edit ? edit->cursorPosition() : 0;
    const QSignalBlocker blocker(this);
    clear();
    for (int i = 0; i < names.size(); ++i) {
        addItem(names.at(i));
        setItemData(i, tips.at(i), Qt::ToolTipRole);
    }
    showPortName(text);
    if (edit)
        edit->setCursorPosition(cursor);
    findAdapter(entries);
}

void PortBox::followAdapter(const QString &name, const QString &serialNumber)
{
    m_adapterName = name;
    m_adapterSerial = serialNumber;
    refresh();
}

QString PortBox::serialNumberOf(const QString &name) const
{
    for (const Entry &entry : m_entries) {
        if (entry.name == name)
            return entry.serialNumber;
    }
    return QString();
}

void PortBox::findAdapter(const QList<Entry> &entries)
{
    if (m_adapterSerial.isEmpty() || currentText() != m_adapterName)
        return;
    const auto named = [this](const Entry &entry) { return entry.name == m_adapterName; };
    if (std::any_of(entries.cbegin(), entries.cend(), named))
        return;
    for (const Entry &entry : entries) {
        if (entry.serialNumber != m_adapterSerial)
            continue;
        const QString from = std::exchange(m_adapterName, entry.name);
        showPortName(entry.name);
        if (m_moved)
            m_moved(from, entry.name);
        return;
    }
}
