#include <QTest>

class tst_mousec : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_mousec)
#include "tst_mousec.moc"
