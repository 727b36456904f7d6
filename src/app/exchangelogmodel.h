#pragma once

#include "exchangelog.h"

#include <QAbstractListModel>
#include <QTimer>

#include <deque>

class QIODevice;

// The last MaxEntries events of the device link, one row each, formatted only when a view asks.
// Events arrive during a transfer at every frame: while no view shows them (not live) they are
// only kept; while live they reach the views in batches, so a busy line costs one update per
// FlushMs, not one per frame.
class ExchangeLogModel : public QAbstractListModel, public ExchangeObserver
{
    Q_OBJECT
public:
    static constexpr int MaxEntries = 10000;
    static constexpr int FlushMs = 100;

    explicit ExchangeLogModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void exchangeEvent(const ExchangeEvent &event) override;
    // Live: a view shows the rows. Going live shows what came meanwhile.
    void setLive(bool isLive);
    // Every entry, the ones not shown yet included, as log lines.
    bool write(QIODevice &device) const;
    void clear();

signals:
    // Rows were added at the end.
    void appended();

private:
    // Hands the waiting events to the views, dropping the oldest rows beyond MaxEntries.
    void flush();

    std::deque<ExchangeEvent> shown;
    std::deque<ExchangeEvent> waiting;
    QTimer flushTimer;
    bool live = false;
};
