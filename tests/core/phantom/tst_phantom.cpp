#include <QTest>

class tst_phantom : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_phantom)
#include "tst_phantom.moc"
