#include <QTest>

class tst_config : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_config)
#include "tst_config.moc"
