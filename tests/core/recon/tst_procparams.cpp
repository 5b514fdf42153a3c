#include <QTest>

class tst_procparams : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_procparams)
#include "tst_procparams.moc"
