#include <QTest>

class tst_sinogrambuilder : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_sinogrambuilder)
#include "tst_sinogrambuilder.moc"
