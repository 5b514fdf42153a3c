#include <QTest>

class tst_greyscale : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_greyscale)
#include "tst_greyscale.moc"
