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

    void showPopup() override;

private:
    Source m_source;
    QTimer *m_timer = nullptr;
    bool m_following = true;
};
