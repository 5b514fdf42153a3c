#include "util/blankfill.h"

#include <QTest>

class tst_blankfill : public QObject
{
    Q_OBJECT

private slots:
    void blanksCount_data()
    {
        QTest::addColumn<int>("n");
        QTest::addColumn<int>("length");
        QTest::newRow("none") << 0 << 0;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("largest exact count") << 100 << 100;
        QTest::newRow("source length") << 101 << 101;
        QTest::newRow("beyond the source") << 150 << 101;
        QTest::newRow("negative") << -1 << 101;
    }

    void blanksCount()
    {
        QFETCH(int, n);
        QFETCH(int, length);
        QCOMPARE(blanks(n), QString(length, ' '));
    }

    void padRight_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("width");
        QTest::addColumn<QString>("padded");
        QTest::newRow("setup key") << "images_load" << 25 << "images_load" + QString(14, ' ');
        QTest::newRow("exact width") << "abc" << 3 << "abc";
        QTest::newRow("longer than width")
            << "a_thirty_character_setup_key__" << 25 << "a_thirty_character_setup_key__";
        QTest::newRow("empty text") << "" << 4 << "    ";
        QTest::newRow("zero width") << "key" << 0 << "key";
        QTest::newRow("gap of 100") << "k" << 101 << "k" + QString(100, ' ');
        QTest::newRow("gap of 101") << "k" << 102 << "k" + QString(101, ' ');
        QTest::newRow("gap capped at 101") << "key" << 1000 << "key" + QString(101, ' ');
    }

    void padRight()
    {
        QFETCH(QString, text);
        QFETCH(int, width);
        QFETCH(QString, padded);
        QCOMPARE(::padRight(text, width), padded);
    }
};

QTEST_MAIN(tst_blankfill)
#include "tst_blankfill.moc"
