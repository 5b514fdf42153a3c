#include <QTest>

class tst_popdockbase : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_popdockbase)
#include "tst_popdockbase.moc"
