#pragma once

#include "registermap.h"
#include "registersample.h"

#include <QDateTime>
#include <QDockWidget>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>

class DeviceSession;
class ElidedLabel;
class LaneChart;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSettings;
class QSpinBox;
class QTableWidget;
class QTimer;
class QToolButton;
class RegisterCsv;
class RegisterPoll;
class UserDialogs;

// «Регистры»: the fixed registers of the supply on the line, polled every interval as jobs that
// let transfers go first. A table of every field with its layout type, raw value and the user's
// label, scale and unit (the register map, kept in the settings and shared as JSON), values that
// are older than two intervals greyed; the fields chosen for the chart; pause and resume with the
// count of failed polls; the charted fields in lanes of their own over one time axis; logging into
// CSV; writes of registers 03 and 07 after a confirmation that shows the frame.
class RegisterDock : public QDockWidget
{
    Q_OBJECT
public:
    RegisterDock(DeviceSession &session, QSettings *settings, QWidget *parent = nullptr);
    ~RegisterDock() override;

    void setDialogs(UserDialogs *dialogs) { m_dialogs = dialogs; }
    // The supply to poll and write, from the window's Slave ID box.
    void setSlaveId(quint8 slave);
    // The port opened or closed: polling may start, or stops.
    void connectionChanged(bool open);

    void startPolling();
    void pausePolling();
    bool isPolling() const;
    // Asks for a file and logs every sample into it; stops a log that runs.
    void toggleCsvLog();
    void exportMap();
    void importMap();
    // Asks, then writes the register chosen in the dock with the values typed.
    void writeRegister();

    const RegisterMap &map() const { return m_map; }
    void setMap(const RegisterMap &map);
    RegisterPoll &poll() { return *m_poll; }
    DeviceSession &session() { return m_session; }
    // The fields on the chart.
    QStringList chartFields() const;

    LaneChart *chart() const { return m_chart; }

private:
    void buildTable();
    void applySettings();
    void showSample(const RegisterSample &sample);
    void greyStale();
    void showStatus(const QString &text, bool error = false);
    void updateControls();
    void mapEdited(int row, int column);
    void saveSettings();
    QStringList chosenKeys() const;
    qint64 windowMs() const;
    void resetChart();

    DeviceSession &m_session;
    QSettings *m_settings;
    UserDialogs *m_dialogs = nullptr;
    RegisterPoll *m_poll;
    RegisterMap m_map;
    std::unique_ptr<RegisterCsv> m_csv;
    quint8 m_slave = 0;
    bool m_open = false;
    bool m_filling = false;
    // Polling ran when the port closed: a loss reported next is why.
    bool m_stoppedByClose = false;

    QHash<QString, QCheckBox *> m_blockBoxes;
    QSpinBox *m_access;
    QSpinBox *m_interval;
    QLabel *m_shortest;
    QPushButton *m_pollButton;
    QComboBox *m_window;
    ElidedLabel *m_counts;
    QPushButton *m_csvButton;
    QToolButton *m_mapButton;
    QTableWidget *m_table;
    QComboBox *m_writeRegister;
    QLineEdit *m_writeFirst;
    QLineEdit *m_writeSecond;
    QPushButton *m_writeButton;
    QLabel *m_status;
    LaneChart *m_chart;
    QTimer *m_staleTimer;
    // When each block last answered.
    QHash<QString, QDateTime> m_lastAnswer;
    QDateTime m_origin;
};
