#include <QTest>

class tst_ctdisp : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_ctdisp)
#include "tst_ctdisp.moc"
