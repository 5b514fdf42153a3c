#include <QTest>

class tst_drawtext : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_drawtext)
#include "tst_drawtext.moc"
