#include <QTest>

class tst_datasaver : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_GUILESS_MAIN(tst_datasaver)
#include "tst_datasaver.moc"
