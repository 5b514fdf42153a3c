#include <QTest>

class tst_blankfill : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_blankfill)
#include "tst_blankfill.moc"
