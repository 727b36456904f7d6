#include "exchangelogmodel.h"

#include <QIODevice>

ExchangeLogModel::ExchangeLogModel(QObject *parent) : QAbstractListModel(parent)
{
    flushTimer.setSingleShot(true);
    flushTimer.setInterval(FlushMs);
    connect(&flushTimer, &QTimer::timeout, this, &ExchangeLogModel::flush);
}

int ExchangeLogModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(shown.size());
}

QVariant ExchangeLogModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(shown.size())) {
        return QVariant();
    }
    return ExchangeLog::line(shown[size_t(index.row())]);
}

void ExchangeLogModel::exchangeEvent(const ExchangeEvent &event)
{
    waiting.push_back(event);
    if (waiting.size() > size_t(MaxEntries)) {
        waiting.pop_front();
    }
    if (live && !flushTimer.isActive()) {
        flushTimer.start();
    }
}

void ExchangeLogModel::setLive(bool isLive)
{
    live = isLive;
    if (live) {
        flush();
    } else {
        flushTimer.stop();
    }
}

void ExchangeLogModel::flush()
{
    if (waiting.empty()) {
        return;
    }
    const int added = int(waiting.size());
    const int excess = qMin(int(shown.size()), int(shown.size()) + added - MaxEntries);
    if (excess > 0) {
        beginRemoveRows(QModelIndex(), 0, excess - 1);
        shown.erase(shown.begin(), shown.begin() + excess);
        endRemoveRows();
    }
    const int first = int(shown.size());
    beginInsertRows(QModelIndex(), first, first + added - 1);
    shown.insert(shown.end(), waiting.begin(), waiting.end());
    waiting.clear();
    endInsertRows();
    emit appended();
}

bool ExchangeLogModel::write(QIODevice &device) const
{
    for (const auto *entries : {&shown, &waiting}) {
        for (const ExchangeEvent &event : *entries) {
            if (device.write((ExchangeLog::line(event) + QLatin1Char('\n')).toUtf8()) < 0) {
                return false;
            }
        }
    }
    return true;
}

void ExchangeLogModel::clear()
{
    beginResetModel();
    shown.clear();
    waiting.clear();
    endResetModel();
}
