#include <QTest>

class tst_seekctrl : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_seekctrl)
#include "tst_seekctrl.moc"
