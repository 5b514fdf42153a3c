#include <QTest>

class tst_selectafile : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_selectafile)
#include "tst_selectafile.moc"
