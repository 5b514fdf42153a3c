#include <QTest>

class tst_imgdatatiff : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_imgdatatiff)
#include "tst_imgdatatiff.moc"
