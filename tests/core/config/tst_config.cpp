#include "config/config.h"
#include "testfile.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using Entries = QList<QStringList>; // key, value, rest

class tst_config : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString write(const QString& name, const QByteArray& text)
    {
        return writeTestFile(m_dir, name, text);
    }
    static Entries entriesOf(const Config& c)
    {
        Entries out;
        for (const ConfigEntry& e : c.entries())
            out.append({e.key, e.value, e.rest});
        return out;
    }

private slots:
    void parseArguments_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<Entries>("expected");
        QTest::newRow("program path only") << QStringList{"cirvo"} << Entries{};
        QTest::newRow("plain arguments enter nothing")
            << QStringList{"cirvo", "plain", "-e"} << Entries{{"-e", "", ""}};
        QTest::newRow("-c and -config")
            << QStringList{"cirvo", "-c", "a.cfg", "-config", "b.cfg"}
            << Entries{{"-c", "a.cfg", "a.cfg"}, {"-config", "b.cfg", "b.cfg"}};
        QTest::newRow("option last has empty value")
            << QStringList{"cirvo", "-d"} << Entries{{"-d", "", ""}};
        QTest::newRow("negative number is a value and an option")
            << QStringList{"cirvo", "-d", "-7"} << Entries{{"-d", "-7", ""}, {"-7", "", ""}};
        QTest::newRow("dot number is a value") << QStringList{"cirvo", "-o", "-.5", "y"}
                                               << Entries{{"-o", "-.5", ""}, {"-.5", "y", "y"}};
        QTest::newRow("rest collects until the next option")
            << QStringList{"cirvo", "-b", "run.bat", "more", "-x", "-nw"}
            << Entries{{"-b", "run.bat", "run.bat more"}, {"-x", "", ""}, {"-nw", "", ""}};
        QTest::newRow("option followed by option") << QStringList{"cirvo", "-e", "-d", "dir"}
                                                   << Entries{{"-e", "", ""}, {"-d", "dir", "dir"}};
        QTest::newRow("lone dash is an option and no value")
            << QStringList{"cirvo", "-a", "-", "x"} << Entries{{"-a", "", ""}, {"-", "x", "x"}};
        QTest::newRow("non-ASCII digit is a value")
            << QStringList{"cirvo", "-a", QString::fromUtf8("-\u0663")}
            << Entries{{"-a", QString::fromUtf8("-\u0663"), ""},
                       {QString::fromUtf8("-\u0663"), "", ""}};
        QTest::newRow("non-ASCII letter is no value")
            << QStringList{"cirvo", "-a", QString::fromUtf8("-\u00e9")}
            << Entries{{"-a", "", ""}, {QString::fromUtf8("-\u00e9"), "", ""}};
        QTest::newRow("repeated option overrides in place")
            << QStringList{"cirvo", "-d", "a", "-e", "-d", "b"}
            << Entries{{"-d", "b", "b"}, {"-e", "", ""}};
    }

    void parseArguments()
    {
        QFETCH(QStringList, args);
        QFETCH(Entries, expected);
        Config c;
        c.parseArguments(args);
        QCOMPARE(entriesOf(c), expected);
    }

    void parseArgumentVectorDecodesUtf8()
    {
        QByteArray a0 = "cirvo", a1 = "-d", a2 = "/data/\xe8\xa9\xa6\xe6\x96\x99";
        char* argv[] = {a0.data(), a1.data(), a2.data()};
        Config c;
        c.parseArguments(3, argv);
        QCOMPARE(c.value("-d"), QString::fromUtf8("/data/\u8a66\u6599"));
    }

    void lookupsRespectOrIgnoreCase()
    {
        Config c;
        QVERIFY(c.readFile(write("case.cfg", "dataroot /x\nNATIVE_DIALOG 1\nEmpty\n")));
        QVERIFY(!c.contains("DataRoot"));
        QCOMPARE(c.value("DataRoot", "default"), QString("default"));
        QCOMPARE(c.valueAnyCase("DataRoot", "default"), QString("/x"));
        QCOMPARE(c.valueAnyCase("native_dialog", "0"), QString("1"));
        QVERIFY(c.contains("Empty"));
        QCOMPARE(c.value("Empty", "default"), QString());
        QCOMPARE(c.restAnyCase("missing", "fallback"), QString("fallback"));
        QCOMPARE(c.entriesUpper().size(), 3);
        QCOMPARE(c.entriesUpper().at(0).key, QString("DATAROOT"));
    }

    void readFileItemsCommentsAndLines()
    {
        Config c;
        const QString file = write("items.cfg", "# only a comment\n"
                                                "\n"
                                                "   \t \n"
                                                "DataRoot \"/my data/dir\"  # where the sets are\n"
                                                "Zandor  localhost   6078\n"
                                                "key 'single # quoted' value\n"
                                                "crlf value\r\n");
        QVERIFY(c.readFile(file));
        QCOMPARE(c.fileName(), file);
        QCOMPARE(c.lines(), QStringList({"DataRoot \"/my data/dir\"  ", "Zandor  localhost   6078",
                                         "key 'single # quoted' value", "crlf value"}));
        QCOMPARE(c.value("DataRoot"), QString("/my data/dir"));
        QCOMPARE(c.restAnyCase("DATAROOT"), QString(" \"/my data/dir\"  "));
        QCOMPARE(c.value("Zandor"), QString("localhost"));
        QCOMPARE(c.restAnyCase("zandor"), QString("  localhost   6078"));
        QCOMPARE(c.value("key"), QString("'single"));
        QCOMPARE(c.value("crlf"), QString("value"));
        for (const ConfigEntry& e : c.entries())
            QVERIFY(e.comment.isEmpty());
    }

    void apostropheInsideDoubleQuotesEndsTheQuote()
    {
        Config c;
        QTest::ignoreMessage(
            QtDebugMsg, QRegularExpression("item is started from quote but not ended by quote"));
        QVERIFY(c.readFile(write("apos.cfg", "key \"it's #cut here\" tail\n")));
        QCOMPARE(c.lines(), QStringList{"key \"it's "});
        QCOMPARE(c.value("key"), QString("it's "));
    }

    void laterEntriesOverrideAndKeepComment()
    {
        Config c;
        c.enter("k", "1", "1", "note");
        c.enter("K", "2", "2");
        c.enter("k", "3", "3 4");
        QCOMPARE(c.value("k"), QString("3"));
        QCOMPARE(c.entries().at(0).comment, QString("note"));
        QCOMPARE(c.entries().at(0).rest, QString("3 4"));
        QCOMPARE(c.valueAnyCase("k"), QString("3"));
        QCOMPARE(c.entriesUpper().size(), 1);
    }

    void includeInTheMiddle()
    {
        const QString common = write("common.cfg", "a from-common\nb from-common\n");
        const QString main =
            write("main.cfg", "a first\nb first\ninclude " + common.toUtf8() + "\nb last\n");
        Config c;
        QVERIFY(c.readFile(main));
        QCOMPARE(c.lines(), QStringList({"a first", "b first", "include " + common, "a from-common",
                                         "b from-common", "b last"}));
        QCOMPARE(c.value("a"), QString("from-common"));
        QCOMPARE(c.value("b"), QString("last"));
        QVERIFY(!c.contains("include"));
    }

    void includeCyclesAreRefused()
    {
        const QString self = m_dir.filePath("self.cfg");
        write("self.cfg", "x 1\nINCLUDE " + self.toUtf8() + "\ny 2\n");
        Config c;
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("INCLUDE cycle refused.*self.cfg -> .*self.cfg"));
        QVERIFY(c.readFile(self));
        QCOMPARE(c.lines().size(), 3);
        QCOMPARE(c.value("y"), QString("2"));

        const QString a = m_dir.filePath("ring_a.cfg");
        const QString b = m_dir.filePath("ring_b.cfg");
        write("ring_a.cfg", "from_a 1\nINCLUDE " + b.toUtf8() + "\n");
        write("ring_b.cfg", "from_b 1\nINCLUDE " + a.toUtf8() + "\nafter_b 1\n");
        Config ring;
        QTest::ignoreMessage(
            QtDebugMsg, QRegularExpression(
                            "INCLUDE cycle refused.*ring_a.cfg -> .*ring_b.cfg -> .*ring_a.cfg"));
        QVERIFY(ring.readFile(a));
        QCOMPARE(ring.lines().size(), 5);
        QVERIFY(ring.contains("after_b"));
    }

    void includeReadTwiceWithoutCycleIsAllowed()
    {
        const QString leaf = write("leaf.cfg", "n 1\n");
        Config c;
        QVERIFY(c.readFile(
            write("twice.cfg", "INCLUDE " + leaf.toUtf8() + "\nINCLUDE " + leaf.toUtf8() + "\n")));
        QCOMPARE(c.lines().size(), 4);
    }

    void relativeIncludeResolvesAgainstWorkingDirectory()
    {
        write("cwd/sub/inner.cfg", "inner yes\n");
        const QString outer = write("elsewhere/outer.cfg", "INCLUDE sub/inner.cfg\n");
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(m_dir.filePath("cwd")));
        Config c;
        const bool ok = c.readFile(outer);
        QDir::setCurrent(previous);
        QVERIFY(ok);
        QCOMPARE(c.value("inner"), QString("yes"));
    }

    void missingFilesAreReportedAndSkipped()
    {
        Config c;
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Can't open config file :  \".*nope.cfg\"$"));
        QVERIFY(!c.readFile(m_dir.filePath("nope.cfg")));
        QVERIFY(c.fileName().isEmpty());
        QVERIFY(c.lines().isEmpty());

        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Can't open config file .*gone.cfg"));
        QVERIFY(c.readFile(write("outer2.cfg", "before 1\nINCLUDE gone.cfg\nafter 1\n")));
        QVERIFY(c.contains("before"));
        QVERIFY(c.contains("after"));
    }

    void unclosedQuoteTakesTheRestOfTheLine()
    {
        Config c;
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^In a line \\[key \"open value\\] item"));
        QVERIFY(c.readFile(write("open.cfg", "key \"open value\n")));
        QCOMPARE(c.value("key"), QString("open value"));
    }

    void longAndOddLinesDoNotBreakReading()
    {
        QByteArray text = "big " + QByteArray(1 << 20, 'x') + "\n";
        text += QByteArray("bad \xff\xfe utf8\n");
        text += QByteArray("nul a\0b\n", 8);
        Config c;
        QVERIFY(c.readFile(write("odd.cfg", text)));
        QCOMPARE(c.value("big").size(), 1 << 20);
        QVERIFY(c.contains("bad"));
        QCOMPARE(c.lines().size(), 3);
    }
};

QTEST_GUILESS_MAIN(tst_config)
#include "tst_config.moc"
