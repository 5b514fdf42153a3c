#include <QTest>

class tst_slicefiles : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(tst_slicefiles)
#include "tst_slicefiles.moc"
