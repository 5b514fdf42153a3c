#include "batch/batchcmd.h"

#include <QRegularExpression>
#include <QTest>

class tst_batchcmd : public QObject
{
    Q_OBJECT

private slots:
    void parse_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("cmd");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("empty") << ""
                               << "" << QStringList{};
        QTest::newRow("blanks only") << "   \t"
                                     << "" << QStringList{};
        QTest::newRow("word") << "images_clear"
                              << "images_clear" << QStringList{};
        QTest::newRow("arguments") << "  ct_cor   1024.5  x "
                                   << "ct_cor" << QStringList{"1024.5", "x"};
        QTest::newRow("quoted argument keeps blanks")
            << "images_load \"/data/my set\" *.his"
            << "images_load" << QStringList{"/data/my set", "*.his"};
        QTest::newRow("quote glued to the next item") << "a \"b c\"d"
                                                      << "a" << QStringList{"b c", "d"};
        QTest::newRow("empty quoted argument is dropped")
            << "auto_save_data_tag \"\" next"
            << "auto_save_data_tag" << QStringList{"next"};
        QTest::newRow("empty quoted command") << "\"\" x"
                                              << "" << QStringList{"x"};
    }

    void parse()
    {
        QFETCH(QString, line);
        QFETCH(QString, cmd);
        QFETCH(QStringList, args);
        const BatchCmd c = BatchCmd::parse(line);
        QCOMPARE(c.line, line);
        QCOMPARE(c.cmd, cmd);
        QCOMPARE(c.args, args);
    }

    void quoteErrorsAreReported()
    {
        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression("^In a line \\[i0_load \"/a b\\] item is started from quote but not "
                               "ended by quote$"));
        QCOMPARE(BatchCmd::parse("i0_load \"/a b").args, QStringList{"/a b"});

        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression("^In a line \\[bg_load x\"\\] item is started from not quote but "
                               "ended by quote$"));
        QCOMPARE(BatchCmd::parse("bg_load x\"").args, QStringList{"x\""});
    }

    void conversions()
    {
        const BatchCmd c = BatchCmd::parse("cmd 1 1.0 word -3 2.5e1 \"\" 7");
        QCOMPARE(c.args.size(), 6);
        QCOMPARE(c.intArg(0), 1);
        QCOMPARE(c.intArg(1), 0);
        QCOMPARE(c.intArg(2), 0);
        QCOMPARE(c.intArg(3), -3);
        QCOMPARE(c.intArg(99), 0);
        QVERIFY(c.flagArg(0));
        QVERIFY(!c.flagArg(1));
        QVERIFY(!c.flagArg(2));
        QVERIFY(!c.flagArg(99));
        QCOMPARE(c.realArg(1), 1.0);
        QCOMPARE(c.realArg(4), 25.0);
        QCOMPARE(c.realArg(2), 0.0);
        QCOMPARE(c.realArg(99), 0.0);
        QCOMPARE(c.textArg(2), QString("word"));
        QCOMPARE(c.textArg(99), QString());
    }
};

QTEST_GUILESS_MAIN(tst_batchcmd)
#include "tst_batchcmd.moc"
