#include <QTest>

class tst_imgdatas : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_imgdatas)
#include "tst_imgdatas.moc"
