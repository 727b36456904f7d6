#pragma once

#include <QComboBox>
#include <QCoreApplication>
#include <QList>
#include <QString>

#include <functional>

class QTimer;

// The serial port box: the ports present, each with a tooltip that tells them apart, read again
// every few seconds and whenever the list opens, while a name may still be typed (pseudo-terminals
// and network bridges are not listed).
class PortBox : public QComboBox
{
    Q_DECLARE_TR_FUNCTIONS(PortBox)

public:
    // One entry of the list, as the box shows it and its tooltip describes it.
    struct Entry
    {
        QString name;
        QString location;
        QString description;
        QString manufacturer;
        QString serialNumber;
    };
    // Where the list comes from.
    using Source = std::function<QList<Entry>()>;
    // How often the list is read again while it follows the system.
    static constexpr int RefreshMs = 2000;

    explicit PortBox(QWidget *parent = nullptr);

    // QSerialPortInfo::availablePorts() unless a test says otherwise. The list is read again at
    // once.
    void setSource(Source source);
    // On while the user may pick a port; off while the box names the open port, which must not
    // change under it.
    void setFollowing(bool follow);
    // Shows `name`: the listed entry of that name, else the name as typed text.
    void showPortName(const QString &name);
    // Reads the list again, keeping the typed text and the selection.
    void refresh();

    // The adapter chosen last, by its port name and serial number: when it is gone from the
    // list and an adapter with that serial number is there under another name (ttyUSB0 comes
    // back as ttyUSB1), the box selects that one and tells `moved`. An empty serial number
    // follows nothing.
    void followAdapter(const QString &name, const QString &serialNumber);
    void setAdapterMoved(std::function<void(const QString &from, const QString &to)> moved)
    {
        m_moved = std::move(moved);
    }
    // The serial number of the listed port of that name; empty when none is listed or known.
    QString serialNumberOf(const QString &name) const;

    void showPopup() override;

private:
    // Selects the followed adapter under its new name when the box still names it and it is
    // not listed.
    void findAdapter(const QList<Entry> &entries);

    Source m_source;
    std::function<void(const QString &from, const QString &to)> m_moved;
    QString m_adapterName;
    QString m_adapterSerial;
    QList<Entry> m_entries;
    QTimer *m_timer = nullptr;
    bool m_following = true;
};
