#include "recon/workshare.h"

#include <QTest>

#include <map>
#include <set>

Q_DECLARE_METATYPE(QList<WorkShare::Block>)

// How the (set, slice) items of a run fall to the processes that share it.
class tst_workshare : public QObject
{
    Q_OBJECT

private slots:
    void everyItemFallsToOnePart_data()
    {
        QTest::addColumn<int>("sets");
        QTest::addColumn<int>("slices");
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("wholeSets");
        // Faults caught: items lost or taken twice where a round or a block ends, a set cut
        // when its stack file needs one writer, parts left idle or overloaded.
        QTest::newRow("one part takes all") << 3 << 7 << 1 << false;
        QTest::newRow("sets a multiple of the parts") << 6 << 5 << 3 << false;
        QTest::newRow("a short round after full ones") << 7 << 13 << 3 << false;
        QTest::newRow("fewer sets than parts") << 2 << 9 << 5 << false;
        QTest::newRow("more parts than items") << 1 << 3 << 8 << false;
        QTest::newRow("one set of many slices") << 1 << 2048 << 16 << false;
        QTest::newRow("whole sets for stack files") << 7 << 13 << 3 << true;
        QTest::newRow("a CT-XAFS measurement") << 100 << 2048 << 64 << false;
    }

    void everyItemFallsToOnePart()
    {
        QFETCH(int, sets);
        QFETCH(int, slices);
        QFETCH(int, parts);
        QFETCH(bool, wholeSets);
        std::map<std::pair<int, int>, int> owner;
        std::vector<qint64> load(size_t(parts), 0);
        for (int part = 0; part < parts; ++part) {
            std::set<int> setsSeen;
            for (const WorkShare::Block& b :
                 WorkShare(part, parts).blocks(sets, slices, wholeSets)) {
                QVERIFY(b.set >= 0 && b.set < sets && 0 <= b.first && b.first < b.end &&
                        b.end <= slices);
                // One contiguous block per set and part: each frame's rows read once.
                QVERIFY(setsSeen.insert(b.set).second);
                if (wholeSets)
                    QVERIFY(b.first == 0 && b.end == slices);
                for (int s = b.first; s < b.end; ++s)
                    QVERIFY2(owner.emplace(std::pair{b.set, s}, part).second, "item taken twice");
                load[size_t(part)] += b.end - b.first;
            }
        }
        QCOMPARE(qint64(owner.size()), qint64(sets) * slices);
        const auto [least, most] = std::minmax_element(load.begin(), load.end());
        // Balanced to one item, or to one set when sets go whole.
        QVERIFY(*most - *least <= (wholeSets ? slices : 1));
    }

    void roundRobinThenBlocks()
    {
        using B = WorkShare::Block;
        // 5 sets of 13 slices on 2 parts: sets 1-4 alternate, set 5 is cut at its middle.
        QCOMPARE(WorkShare(0, 2).blocks(5, 13, false),
                 (QList<B>{{0, 0, 13}, {2, 0, 13}, {4, 0, 6}}));
        QCOMPARE(WorkShare(1, 2).blocks(5, 13, false),
                 (QList<B>{{1, 0, 13}, {3, 0, 13}, {4, 6, 13}}));
    }

    void sharesFromTextAndSlurm_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("taskId");
        QTest::addColumn<QByteArray>("taskCount");
        QTest::addColumn<int>("part"); // -1: refused
        QTest::addColumn<int>("parts");
        QTest::newRow("first of one") << "0/1" << QByteArray() << QByteArray() << 0 << 1;
        QTest::newRow("last of three") << "2/3" << QByteArray() << QByteArray() << 2 << 3;
        QTest::newRow("part beyond the count") << "3/3" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("negative part") << "-1/2" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("no parts") << "0/0" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("words") << "a/b" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("three fields") << "1/2/3" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("no slash") << "1" << QByteArray() << QByteArray() << -1 << 0;
        QTest::newRow("array task") << "" << QByteArray("5") << QByteArray("16") << 5 << 16;
        QTest::newRow("array from 1 to N") << "" << QByteArray("16") << QByteArray("16") << -1 << 0;
        QTest::newRow("task id alone") << "" << QByteArray("3") << QByteArray() << -1 << 0;
        QTest::newRow("not in an array") << "" << QByteArray() << QByteArray() << 0 << 1;
    }

    void sharesFromTextAndSlurm()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, taskId);
        QFETCH(QByteArray, taskCount);
        QFETCH(int, part);
        QFETCH(int, parts);
        qputenv("SLURM_ARRAY_TASK_ID", taskId);
        qputenv("SLURM_ARRAY_TASK_COUNT", taskCount);
        QString why;
        const std::optional<WorkShare> share =
            text.isEmpty() ? WorkShare::fromSlurmArray(&why) : WorkShare::parse(text, &why);
        qunsetenv("SLURM_ARRAY_TASK_ID");
        qunsetenv("SLURM_ARRAY_TASK_COUNT");
        QCOMPARE(part < 0, !why.isEmpty());
        if (part < 0)
            return;
        const WorkShare got = share.value_or(WorkShare());
        QCOMPARE(got.part(), part);
        QCOMPARE(got.parts(), parts);
    }
};

QTEST_GUILESS_MAIN(tst_workshare)
#include "tst_workshare.moc"
