#include <QTest>

class tst_colorbar : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_colorbar)
#include "tst_colorbar.moc"
