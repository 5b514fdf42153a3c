#include <QTest>

class tst_body : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_body)
#include "tst_body.moc"
