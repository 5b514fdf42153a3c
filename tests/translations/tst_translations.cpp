#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

namespace
{

struct Survey {
    int messages = 0;
    // One line per message the window would show untranslated: context, source, why.
    QStringList missing;
    QString error;
};

// Reads a .ts catalogue. A message counts as missing when lupdate marked it (unfinished: a new
// text; vanished or obsolete: gone from the sources) or when its translation is empty.
Survey survey(const QByteArray& ts)
{
    Survey s;
    QXmlStreamReader xml(ts);
    QString context;
    QString source;
    QString type;
    QString translation;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"name") {
            context = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == u"source") {
            source = xml.readElementText();
        } else if (xml.isStartElement() && xml.name() == u"translation") {
            type = xml.attributes().value(QLatin1String("type")).toString();
            translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement() && xml.name() == u"message") {
            ++s.messages;
            QString why = type;
            if (why.isEmpty() && translation.trimmed().isEmpty())
                why = QStringLiteral("empty");
            if (!why.isEmpty())
                s.missing << QStringLiteral("%1: \"%2\" (%3)").arg(context, source, why);
            source.clear();
            type.clear();
            translation.clear();
        }
    }
    if (xml.hasError())
        s.error = xml.errorString();
    return s;
}

QByteArray catalogue(const QByteArray& messages)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<!DOCTYPE TS>\n"
           "<TS version=\"2.1\" language=\"ja_JP\">\n<context>\n    <name>Body</name>\n" +
           messages + "</context>\n</TS>\n";
}

QByteArray message(const QByteArray& source, const QByteArray& translation)
{
    return "    <message>\n        <source>" + source + "</source>\n        " + translation +
           "\n    </message>\n";
}

} // namespace

// The Japanese catalogue covers every text of the window: lupdate refreshes a copy of it from the
// sources, and every message of the copy must carry a finished translation.
class tst_translations : public QObject
{
    Q_OBJECT

private slots:
    void survey_data()
    {
        QTest::addColumn<QByteArray>("ts");
        QTest::addColumn<QStringList>("missing");
        QTest::addColumn<bool>("readable");
        QTest::newRow("finished entry passes")
            << catalogue(message("Calc", "<translation>計算</translation>")) << QStringList{}
            << true;
        QTest::newRow("new tr() text: unfinished")
            << catalogue(message("Calc", "<translation>計算</translation>") +
                         message("New &amp; &quot;odd&quot;",
                                 "<translation type=\"unfinished\"></translation>"))
            << QStringList{"Body: \"New & \"odd\"\" (unfinished)"} << true;
        QTest::newRow("guessed but unreviewed: unfinished")
            << catalogue(message("Calc2", "<translation type=\"unfinished\">計算</translation>"))
            << QStringList{"Body: \"Calc2\" (unfinished)"} << true;
        QTest::newRow("text gone from the sources: vanished")
            << catalogue(message("Old", "<translation type=\"vanished\">古い</translation>"))
            << QStringList{"Body: \"Old\" (vanished)"} << true;
        QTest::newRow("text of an older catalogue: obsolete")
            << catalogue(message("Older", "<translation type=\"obsolete\">古い</translation>"))
            << QStringList{"Body: \"Older\" (obsolete)"} << true;
        QTest::newRow("finished but empty translation")
            << catalogue(message("Blank", "<translation> </translation>"))
            << QStringList{"Body: \"Blank\" (empty)"} << true;
        QTest::newRow("truncated catalogue")
            << catalogue(message("Calc", "<translation>計算</translation>")).left(150)
            << QStringList{} << false;
    }

    void survey()
    {
        QFETCH(QByteArray, ts);
        QFETCH(QStringList, missing);
        QFETCH(bool, readable);
        const Survey s = ::survey(ts);
        QCOMPARE(s.missing, missing);
        QCOMPARE(s.error.isEmpty(), readable);
    }

    void catalogueCoversSources()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString copy = dir.filePath(QStringLiteral("Cirvo_ja_JP.ts"));
        QVERIFY(QFile::copy(QStringLiteral(CIRVO_CATALOGUE), copy));
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner);

        QProcess lupdate;
        lupdate.setProcessChannelMode(QProcess::MergedChannels);
        lupdate.start(QStringLiteral(CIRVO_LUPDATE),
                      {"-locations", "none", "-recursive", CIRVO_SOURCES, "-ts", copy});
        QVERIFY2(lupdate.waitForFinished(60000), qPrintable(lupdate.errorString()));
        const QByteArray log = lupdate.readAll();
        QVERIFY2(lupdate.exitStatus() == QProcess::NormalExit && lupdate.exitCode() == 0,
                 log.constData());

        QFile refreshed(copy);
        QVERIFY(refreshed.open(QIODevice::ReadOnly));
        const Survey s = ::survey(refreshed.readAll());
        QVERIFY2(s.error.isEmpty(), qPrintable(s.error));
        QVERIFY2(s.messages > 0, log.constData());
        QVERIFY2(s.missing.isEmpty(),
                 qPrintable(QStringLiteral("texts without a Japanese translation (run the "
                                           "cirvo_lupdate target, then translate them in "
                                           "resources/Cirvo_ja_JP.ts):\n") +
                            s.missing.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(tst_translations)
#include "tst_translations.moc"
