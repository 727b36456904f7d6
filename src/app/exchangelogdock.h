#pragma once

#include <QDockWidget>

class ExchangeLogModel;
class ExchangeObserver;
class QListView;
class UserDialogs;

// «Журнал обмена»: the device link's frames and events as they happen, with «Сохранить
// журнал...» into a text file and «Очистить». The rows are formatted only while the dock shows.
class ExchangeLogDock : public QDockWidget
{
    Q_OBJECT
public:
    explicit ExchangeLogDock(QWidget *parent = nullptr);

    // What the window's link reports to.
    ExchangeObserver *observer() const;
    ExchangeLogModel *model() const { return logModel; }
    void setDialogs(UserDialogs *userDialogs) { dialogs = userDialogs; }
    // Asks for a file and writes the log into it; a failure is shown in a box.
    void saveLog();

private:
    ExchangeLogModel *logModel = nullptr;
    QListView *view = nullptr;
    UserDialogs *dialogs = nullptr;
    // Whether the view showed the newest row before rows were added.
    bool followEnd = true;
};
