#include <QTest>

class tst_startup : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_startup)
#include "tst_startup.moc"
