// A port whose other end goes away: the guard closes it once and says so, and requests then
// fail at once instead of waiting out their time-outs.

#include "devicelink.h"
#include "deviceprotocol.h"
#include "linkfixture.h"
#include "portguard.h"

#include <QSignalSpy>
#include <QtTest>

Q_DECLARE_METATYPE(LinkResult)

class TestPortGuard : public QObject
{
    Q_OBJECT
private slots:
    void hangupClosesPortOnce();
    void hangupDuringWaitEndsItWithoutGuard();
    void guardWatchesEveryOpen();
    void closingByHandIsNoLoss();
};

void TestPortGuard::hangupClosesPortOnce()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("hangup@2"));
    PortGuard guard(&f.port);
    QSignalSpy lost(&guard, &PortGuard::portLost);
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    QVERIFY(!f.port.isOpen());
    QCOMPARE(lost.count(), 1);
    QCOMPARE(guard.lostCount(), 1);
    // The loss ended the wait; no time-out was sat out.
    QCOMPARE(f.link.timedOutWaits(), 0);

    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    QCOMPARE(f.link.WriteSize(1, 3, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::NoReply);
    QCOMPARE(f.link.timedOutWaits(), 0);
    // A dead line keeps nothing coming: a while of event processing brings no second loss.
    QTest::qWait(200);
    QCOMPARE(lost.count(), 1);
    QVERIFY(f.sim.log().contains(QStringLiteral("HANGUP")));
}

void TestPortGuard::hangupDuringWaitEndsItWithoutGuard()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("1"), QStringLiteral("--fault"),
                  QStringLiteral("hangup@1"));
    int count = -1;
    QCOMPARE(f.link.ReadSize(1, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
    QCOMPARE(f.link.timedOutWaits(), 0);
    QCOMPARE(f.link.WriteSize(1, 3, 0, DeviceProtocol::AccessMemoryWrite), LinkResult::NoReply);
    QCOMPARE(f.link.timedOutWaits(), 0);
    f.port.close();
}

void TestPortGuard::guardWatchesEveryOpen()
{
    QSerialPort port;
    PortGuard guard(&port);
    QSignalSpy lost(&guard, &PortGuard::portLost);
    DeviceLink link(&port);
    link.setTraceDevice(nullptr);
    for (int round = 1; round <= 2; ++round) {
        SimulatorProcess sim;
        QVERIFY2(sim.start({QStringLiteral("--fault"), QStringLiteral("hangup@1")}),
                 qPrintable(sim.errorString()));
        port.setPortName(sim.portPath());
        QVERIFY2(port.open(QIODevice::ReadWrite), qPrintable(port.errorString()));
        int count = -1;
        QCOMPARE(link.ReadSize(0, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::NoReply);
        QVERIFY(!port.isOpen());
        QCOMPARE(lost.count(), round);
    }
    QCOMPARE(link.timedOutWaits(), 0);
}

void TestPortGuard::closingByHandIsNoLoss()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--slave"), QStringLiteral("0"));
    PortGuard guard(&f.port);
    QSignalSpy lost(&guard, &PortGuard::portLost);
    int count = -1;
    QCOMPARE(f.link.ReadSize(0, 0, DeviceProtocol::AccessMemoryRead, count), LinkResult::Success);
    f.port.close();
    f.sim.stop();
    QTest::qWait(100);
    QCOMPARE(lost.count(), 0);
}

QTEST_GUILESS_MAIN(TestPortGuard)
#include "tst_portguard.moc"
