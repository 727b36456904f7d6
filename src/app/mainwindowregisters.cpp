// «Прибор → Регистры»: the dock that polls the supply's registers on the window's line.

#include "mainwindow.h"

#include "deviceactivity.h"
#include "devicecontrols.h"
#include "registerdock.h"
#include "userdialogs.h"

#include <QSpinBox>

void MainWindow::createRegisterDock()
{
    registerDock = new RegisterDock(deviceActivity->session(), settings.get(), this);
    addDockWidget(Qt::BottomDockWidgetArea, registerDock);
    registerDock->hide();
    registerDock->setDialogs(dialogs.get());
    registerDock->setSlaveId(controls->slaveId());
    connect(controls->slaveIdBox(), QOverload<int>::of(&QSpinBox::valueChanged), registerDock,
            [this]() { registerDock->setSlaveId(controls->slaveId()); });
    connect(deviceActivity, &DeviceActivity::stateChanged, registerDock,
            [this]() { registerDock->connectionChanged(deviceActivity->isOpen()); });
}
