#include "recon/procparams.h"

#include <QRegularExpression>
#include <QTest>

#include <limits>
#include <optional>

namespace
{

constexpr int IntMax = std::numeric_limits<int>::max();
constexpr int IntMin = std::numeric_limits<int>::min();

class Sender : public QObject
{
    Q_OBJECT

signals:
    void sent(const ProcParams& params);
};

} // namespace

class tst_procparams : public QObject
{
    Q_OBJECT

private slots:
    void defaults()
    {
        const ProcParams p;
        QCOMPARE(p.useCt1, true);
        QCOMPARE(p.useCt2, false);
        QCOMPARE(p.recordedSlice1, -1);
        QCOMPARE(p.recordedSlice2, -1);
        QCOMPARE(p.upperLimit, 10.0);
        QCOMPARE(p.lowerLimit, -10.0);
        QCOMPARE(p.offset, 10.0);
    }

    void signedStep_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<int>("step");
        QTest::addColumn<int>("expected");
        QTest::newRow("up, positive step") << 10 << 100 << 5 << 5;
        QTest::newRow("up, negative step") << 10 << 100 << -5 << 5;
        QTest::newRow("down, positive step") << 100 << 10 << 5 << -5;
        QTest::newRow("down, negative step") << 100 << 10 << -5 << -5;
        QTest::newRow("single slice, negative step") << 7 << 7 << -3 << 3;
        QTest::newRow("zero step") << 100 << 10 << 0 << 0;
        QTest::newRow("up, INT_MIN") << 0 << 10 << IntMin << IntMax;
        QTest::newRow("down, INT_MIN") << 10 << 0 << IntMin << -IntMax;
        QTest::newRow("down, INT_MAX") << IntMax << IntMin << IntMax << -IntMax;
    }

    void signedStep()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(int, step);
        QFETCH(int, expected);
        QCOMPARE(ProcParams::signedStep(from, to, step), expected);
    }

    void travelsThroughQueuedSignal()
    {
        QTest::failOnWarning(QRegularExpression("Cannot queue"));
        ProcParams sent;
        sent.useCt2 = true;
        sent.rotAxIsV = true;
        sent.sliceNo = 1000;
        sent.cor = 1023.5;
        sent.recordedCor1 = 990.25;
        sent.recordedSlice1 = 500;
        sent.sliceStep = -5;
        sent.offset = 3.0;
        Sender sender;
        QObject receiver;
        std::optional<ProcParams> received;
        connect(
            &sender, &Sender::sent, &receiver, [&](const ProcParams& p) { received = p; },
            Qt::QueuedConnection);

        emit sender.sent(sent);
        QVERIFY(!received);

        QTRY_VERIFY(received.has_value());
        QVERIFY(*received == sent);
    }
};

QTEST_MAIN(tst_procparams)
#include "tst_procparams.moc"
