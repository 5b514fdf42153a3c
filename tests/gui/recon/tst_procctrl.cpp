#include <QTest>

class tst_procctrl : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_procctrl)
#include "tst_procctrl.moc"
