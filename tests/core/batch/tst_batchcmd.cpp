#include <QTest>

class tst_batchcmd : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_batchcmd)
#include "tst_batchcmd.moc"
