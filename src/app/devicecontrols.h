#pragma once

#include <QObject>

class PortBox;
class QComboBox;
class QLabel;
class QSettings;
class QSpinBox;
class QWidget;

// The device controls on the toolbars: the port box, the Slave ID and the memory cell with their
// labels, the choice kept between runs.
class DeviceControls : public QObject
{
    Q_OBJECT

public:
    // The controls are children of `window`; the toolbars take them from here.
    DeviceControls(QSettings *settings, QWidget *window);

    PortBox *portBox() const { return m_portBox; }
    QSpinBox *slaveIdBox() const { return m_slaveIdBox; }
    QComboBox *cellBox() const { return m_cellBox; }
    QLabel *portLabel() const { return m_portLabel; }
    QLabel *slaveIdLabel() const { return m_slaveIdLabel; }
    QLabel *cellLabel() const { return m_cellLabel; }

    quint8 slaveId() const;
    // 0 to 3: the box shows " 1" to " 4".
    int cell() const;

    // Shows the remembered choice, and from then on remembers every change at once.
    void restore();
    // The port box's text, once a port of that name has opened.
    void rememberPort();

private:
    QSettings *m_settings;
    PortBox *m_portBox;
    QSpinBox *m_slaveIdBox;
    QComboBox *m_cellBox;
    QLabel *m_portLabel;
    QLabel *m_slaveIdLabel;
    QLabel *m_cellLabel;
};
