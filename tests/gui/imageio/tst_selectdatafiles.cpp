#include <QTest>

class tst_selectdatafiles : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_selectdatafiles)
#include "tst_selectdatafiles.moc"
