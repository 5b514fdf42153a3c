#include <QTest>

class tst_fbpcore : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_fbpcore)
#include "tst_fbpcore.moc"
