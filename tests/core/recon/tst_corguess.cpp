#include <QTest>

class tst_corguess : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_corguess)
#include "tst_corguess.moc"
