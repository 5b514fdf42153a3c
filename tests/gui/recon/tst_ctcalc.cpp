#include <QTest>

class tst_ctcalc : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_ctcalc)
#include "tst_ctcalc.moc"
