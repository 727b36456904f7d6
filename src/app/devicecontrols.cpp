#include "devicecontrols.h"

#include "deviceprotocol.h"
#include "portbox.h"
#include "settingskeys.h"

#include <QComboBox>
#include <QLabel>
#include <QSettings>
#include <QSpinBox>

namespace {

constexpr int ControlHeight = 30;
constexpr int SlaveIdBoxWidth = 50;

// One line, as wide as its text: the toolbars fit the window's default width with all three.
// Alt and the underlined letter move the focus to the control.
QLabel *boldLabel(const QString &text, QWidget *control, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setWeight(QFont::Bold);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setFont(bold);
    label->setBuddy(control);
    return label;
}

} // namespace

DeviceControls::DeviceControls(QSettings *settings, QWidget *window)
    : QObject(window), m_settings(settings), m_portBox(new PortBox(window)),
      m_slaveIdBox(new QSpinBox(window)), m_cellBox(new QComboBox(window)),
      m_portLabel(boldLabel(tr("Пор&т"), m_portBox, window)),
      // Short, so that both device controls fit the toolbar at the window's default width.
      m_slaveIdLabel(boldLabel(tr("I&D"), m_slaveIdBox, window)),
      m_cellLabel(boldLabel(tr("&Ячейка"), m_cellBox, window))
{
    m_portBox->setObjectName(QStringLiteral("portComboBox"));
    m_portBox->setFixedHeight(ControlHeight);
    m_slaveIdBox->setMaximum(DeviceProtocol::MaxSlaveId);
    m_slaveIdBox->setMinimum(0);
    m_slaveIdBox->setFixedWidth(SlaveIdBoxWidth);
    m_slaveIdBox->setFixedHeight(ControlHeight);
    const QString slaveIdTip = tr("Slave ID: адрес прибора на линии, 0–255");
    m_slaveIdBox->setToolTip(slaveIdTip);
    m_slaveIdLabel->setToolTip(slaveIdTip);
    m_cellBox->addItems(
        {QStringLiteral(" 1"), QStringLiteral(" 2"), QStringLiteral(" 3"), QStringLiteral(" 4")});
    m_cellBox->setFixedHeight(ControlHeight);
}

quint8 DeviceControls::slaveId() const
{
    return quint8(m_slaveIdBox->value());
}

int DeviceControls::cell() const
{
    return m_cellBox->currentIndex();
}

void DeviceControls::restore()
{
    const QString savedPort = m_settings->value(SettingsKeys::Port).toString();
    if (!savedPort.isEmpty())
        m_portBox->showPortName(savedPort);
    m_portBox->followAdapter(savedPort,
                             m_settings->value(SettingsKeys::PortSerialNumber).toString());
    m_slaveIdBox->setValue(m_settings->value(SettingsKeys::SlaveId, 0).toInt());
    const int savedCell = m_settings->value(SettingsKeys::Cell, 0).toInt();
    if (savedCell >= 0 && savedCell < m_cellBox->count())
        m_cellBox->setCurrentIndex(savedCell);
    // Remembered as they change: a crash or a killed session keeps them too.
    connect(m_slaveIdBox, QOverload<int>::of(&QSpinBox::valueChanged), this,
            [this](int value) { m_settings->setValue(SettingsKeys::SlaveId, value); });
    connect(m_cellBox, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { m_settings->setValue(SettingsKeys::Cell, index); });
}

void DeviceControls::rememberPort()
{
    const QString port = m_portBox->currentText();
    const QString serialNumber = m_portBox->serialNumberOf(port);
    m_settings->setValue(SettingsKeys::Port, port);
    m_settings->setValue(SettingsKeys::PortSerialNumber, serialNumber);
    m_portBox->followAdapter(port, serialNumber);
}
