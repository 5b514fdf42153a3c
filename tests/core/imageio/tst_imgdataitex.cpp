#include <QTest>

class tst_imgdataitex : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_imgdataitex)
#include "tst_imgdataitex.moc"
