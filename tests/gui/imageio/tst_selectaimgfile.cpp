#include <QTest>

class tst_selectaimgfile : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_selectaimgfile)
#include "tst_selectaimgfile.moc"
