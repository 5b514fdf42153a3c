#include <QTest>

class tst_i0fileset : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_i0fileset)
#include "tst_i0fileset.moc"
