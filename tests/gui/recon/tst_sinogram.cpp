#include <QTest>

class tst_sinogram : public QObject
{
    Q_OBJECT
private slots:
    void placeholder() { QVERIFY(true); }
};

QTEST_MAIN(tst_sinogram)
#include "tst_sinogram.moc"
