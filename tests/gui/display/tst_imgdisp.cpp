#include <QTest>

class tst_imgdisp : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_imgdisp)
#include "tst_imgdisp.moc"
