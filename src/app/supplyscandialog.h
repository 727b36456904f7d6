#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class DeviceSession;
class SupplyScan;
struct FoundSupply;

namespace Ui {
class SupplyScanDialog;
}

// «Найти приборы»: scans one port for supplies and lists what each one holds. On the window's
// open port it uses the window's session; otherwise it opens the port for the scan itself and
// closes it after. Enter or a double-click on a row chooses that supply.
class SupplyScanDialog : public QDialog
{
    Q_OBJECT
public:
    // `openSession`: the window's session when it has `portName` open, else nullptr.
    SupplyScanDialog(const QString &portName, DeviceSession *openSession,
                     QWidget *parent = nullptr);
    ~SupplyScanDialog() override;

    // What «Начать» does: scans the Slave IDs of the range with the wait chosen.
    void startScan();
    void stopScan();
    bool isScanning() const;

signals:
    void supplyChosen(const QString &portName, quint8 slaveId);

private:
    void runScan(DeviceSession &session);
    void addRow(const FoundSupply &supply);
    void scanEnded();
    void chooseRow(int row);
    void updateButtons();

    std::unique_ptr<Ui::SupplyScanDialog> ui;
    const QString m_portName;
    DeviceSession *m_windowSession;
    // The dialog's own, while the window has no port open.
    std::unique_ptr<DeviceSession> m_ownSession;
    std::unique_ptr<SupplyScan> m_scan;
    bool m_opening = false;
    // Stopped while the port was still opening: the scan does not start.
    bool m_stopWhileOpening = false;
};
