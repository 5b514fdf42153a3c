#include <QTest>

class tst_chcoord : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_chcoord)
#include "tst_chcoord.moc"
