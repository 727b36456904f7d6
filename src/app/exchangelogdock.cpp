#include "exchangelogdock.h"

#include "exchangelogmodel.h"
#include "userdialogs.h"

#include <QDir>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QListView>
#include <QPushButton>
#include <QSaveFile>
#include <QScrollBar>
#include <QVBoxLayout>

ExchangeLogDock::ExchangeLogDock(QWidget *parent)
    : QDockWidget(tr("Журнал обмена"), parent), logModel(new ExchangeLogModel(this))
{
    // The window keeps the dock's place between runs by this name.
    setObjectName(QStringLiteral("exchangeLogDock"));
    auto *content = new QWidget(this);
    view = new QListView(content);
    view->setModel(logModel);
    // Equal rows let the view lay out ten thousand of them without measuring each.
    view->setUniformItemSizes(true);
    view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    auto *saveButton = new QPushButton(tr("Сохранить журнал..."), content);
    saveButton->setObjectName(QStringLiteral("saveLogButton"));
    auto *clearButton = new QPushButton(tr("Очистить"), content);
    clearButton->setObjectName(QStringLiteral("clearLogButton"));
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(saveButton);
    buttons->addWidget(clearButton);
    buttons->addStretch();
    auto *layout = new QVBoxLayout(content);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);
    layout->addLayout(buttons);
    setWidget(content);

    connect(saveButton, &QPushButton::clicked, this, &ExchangeLogDock::saveLog);
    connect(clearButton, &QPushButton::clicked, logModel, &ExchangeLogModel::clear);
    connect(this, &QDockWidget::visibilityChanged, logModel, &ExchangeLogModel::setLive);
    // Follow the newest entries unless the user scrolled back to read.
    connect(logModel, &QAbstractItemModel::rowsAboutToBeInserted, this, [this]() {
        QScrollBar *bar = view->verticalScrollBar();
        followEnd = bar->value() == bar->maximum();
    });
    connect(logModel, &ExchangeLogModel::appended, this, [this]() {
        if (followEnd) {
            view->scrollToBottom();
        }
    });
}

ExchangeObserver *ExchangeLogDock::observer() const
{
    return logModel;
}

void ExchangeLogDock::saveLog()
{
    if (!dialogs) {
        return;
    }
    const QString path =
        dialogs->saveFileName(this, tr("Сохранить журнал"), QDir::homePath(),
                              tr("Текстовый файл (*.txt *.log)"), QStringLiteral("txt"));
    if (path.isEmpty()) {
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text) || !logModel->write(file) ||
        !file.commit()) {
        dialogs->warning(this, tr("Журнал обмена"), tr("Не удается сохранить журнал"),
                         file.errorString());
    }
}
