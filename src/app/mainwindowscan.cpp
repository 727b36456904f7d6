// «Найти приборы…»: the scan dialog and what choosing a supply there does.

#include "mainwindow.h"

#include "deviceactivity.h"
#include "devicecontrols.h"
#include "portbox.h"
#include "supplyscandialog.h"

#include <QSpinBox>

void MainWindow::openScanDialog()
{
    // Connected, the open port is scanned through the window's session; else the port in the
    // box, opened for the scan alone.
    const bool open = deviceActivity->isOpen();
    auto *dialog = new SupplyScanDialog(controls->portBox()->currentText(),
                                        open ? &deviceActivity->session() : nullptr, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &SupplyScanDialog::supplyChosen, this, &MainWindow::chooseSupply);
    dialog->open();
    dialog->startScan();
}

void MainWindow::chooseSupply(const QString &portName, quint8 slaveId)
{
    controls->slaveIdBox()->setValue(slaveId);
    if (deviceActivity->isOpen()) {
        deviceActivity->askSupply(slaveId);
        return;
    }
    controls->portBox()->setEditText(portName);
    OpenPort();
}
