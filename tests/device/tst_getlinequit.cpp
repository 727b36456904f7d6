// A wait for a reply while the application is quitting: the event loop cannot sleep any
// more, so the link gives up at once instead of spinning until the time-out.
// Its own executable: after quit() no later test could wait on events.

#include "devicelink.h"
#include "deviceprotocol.h"
#include "linkfixture.h"

#include <QCoreApplication>
#include <QTimer>
#include <QtTest>

Q_DECLARE_METATYPE(LinkResult)

class TestGetLineQuit : public QObject
{
    Q_OBJECT
private slots:
    void quitDuringWaitGivesUp();
};

void TestGetLineQuit::quitDuringWaitGivesUp()
{
    LinkFixture f;
    START_FIXTURE(f, QStringLiteral("--fault"), QStringLiteral("silent@*"));
    // The waits run inside the application's own loop, as in the programs: quit() ends only a
    // running loop (Qt 6 ignores it otherwise).
    LinkResult read = LinkResult::Success;
    LinkResult written = LinkResult::Success;
    QTimer::singleShot(0, qApp, [&f, &read, &written]() {
        QTimer::singleShot(50, qApp, &QCoreApplication::quit);
        int count = -1;
        read = f.link.ReadSize(0, 0, DeviceProtocol::AccessMemoryRead, count);
        written = f.link.WriteSize(0, 1, 0, DeviceProtocol::AccessMemoryWrite);
    });
    QCoreApplication::exec();
    QCOMPARE(read, LinkResult::NoReply);
    QCOMPARE(written, LinkResult::NoReply);
    // Every wait ended by the quit, none by its time-out.
    QCOMPARE(f.link.timedOutWaits(), 0);
    QCOMPARE(f.traced().count(QLatin1String("Call GetLine\n")), 2 + 3);
    QVERIFY(f.port.isOpen());
}

QTEST_GUILESS_MAIN(TestGetLineQuit)
#include "tst_getlinequit.moc"
