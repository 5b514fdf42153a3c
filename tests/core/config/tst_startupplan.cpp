#include <QTest>

class tst_startupplan : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_startupplan)
#include "tst_startupplan.moc"
