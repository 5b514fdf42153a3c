// The malformed files of tests/data/bad, each refused with its debug message and no fault.
#include "batch/batch.h"
#include "batch/batchcmd.h"
#include "config/config.h"
#include "config/linefile.h"
#include "imageio/imgdata.h"
#include "messagelog.h"
#include "testfile.h"
#include "xafs/zephmeta.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace
{

// Sets the frame limit for one test and puts the default back.
class FrameLimit
{
public:
    explicit FrameLimit(qint64 bytes) { ImgData::setMaxFrameBytes(bytes); }
    ~FrameLimit() { ImgData::setMaxFrameBytes(ImgData::DefaultMaxFrameBytes); }
};

QString bad(const QString& name)
{
    return QStringLiteral(CIRVO_BAD_DIR "/") + name;
}

std::unique_ptr<ImgData> loaded(int type, const QString& path, int frame = 0)
{
    auto img = ImgData::createImgData(type);
    img->fileName = path;
    img->valid = img->load(frame);
    return img;
}

} // namespace

class tst_badinputs : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    QString write(const QString& name, const QByteArray& bytes)
    {
        return writeTestFile(m_dir, name, bytes);
    }

private slots:
    void images_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("frame");
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("message");
        const int itex = ImgData::Itex;
        const int tiff = ImgData::Tiff;
        const qint64 normal = ImgData::DefaultMaxFrameBytes;
        const qint64 low = 1 << 20;
        QTest::newRow("itex header cut")
            << "itex/header-cut.img" << itex << 0 << normal << "Error on reading ITEX file props.";
        QTest::newRow("itex comment cut") << "itex/comment-cut.img" << itex << 0 << normal
                                          << "ITEX file is shorter than its comment :";
        QTest::newRow("itex frame cut") << "itex/frame-cut.his" << itex << 0 << normal
                                        << "ITEX file is shorter than its first frame :";
        QTest::newRow("itex second frame cut") << "itex/second-frame-cut.his" << itex << 2 << normal
                                               << "ITEX file is too short for frame 2 :";
        QTest::newRow("itex oversized") << "itex/oversized.his" << itex << 0 << normal
                                        << "ITEX file is shorter than its first frame :";
        QTest::newRow("itex zero frame")
            << "itex/zero-frame.img" << itex << 0 << normal
            << "ITEX image of 4 x 3 pixels does not fit its 0 x 0 frame :";
        // A pixel type read as zeros still needs a byte per pixel of the file.
        QTest::newRow("itex no pixel bytes") << "itex/unknown-type-huge.img" << itex << 0 << normal
                                             << "ITEX file is shorter than its first frame :";
        QTest::newRow("tiff header cut")
            << "tiff/header-cut.tif" << tiff << 0 << normal << "Can not open TIFF file :";
        QTest::newRow("tiff directory cut")
            << "tiff/directory-cut.tif" << tiff << 0 << normal << "Can not open TIFF file :";
        QTest::newRow("tiff strip cut")
            << "tiff/strip-cut.tif" << tiff << 0 << normal << "Can not decode TIFF strip 0 :";
        QTest::newRow("tiff oversized")
            << "tiff/oversized.tif" << tiff << 0 << normal
            << "TIFF page of 65535 x 65535 pixels needs 8589672450 bytes, more than the file "
               "holds :";
        QTest::newRow("tiff oversized deflate")
            << "tiff/oversized-deflate.tif" << tiff << 0 << normal
            << "TIFF page of 60000 x 60000 pixels needs 3600000000 bytes, more than 1024 times "
               "the file :";
        // Within what 2000 deflated bytes can expand to, but over a low limit.
        QTest::newRow("tiff over a low limit")
            << "tiff/over-limit-deflate.tif" << tiff << 0 << low
            << "Image frame of 1200 x 1200 pixels is over the limit of 1048576 bytes :";
        QTest::newRow("tiff within the limit, undecodable")
            << "tiff/over-limit-deflate.tif" << tiff << 0 << normal
            << "Can not decode TIFF strip 0 :";
        // libtiff itself refuses zero sizes while it reads the directory.
        QTest::newRow("tiff zero width")
            << "tiff/zero-width.tif" << tiff << 0 << normal
            << "libtiff error in TIFFReadDirectory: Cannot handle zero scanline size :";
        QTest::newRow("tiff zero tile")
            << "tiff/zero-tile.tif" << tiff << 0 << normal
            << "libtiff error in TIFFReadDirectory: Cannot handle zero number of tiles :";
    }

    void images()
    {
        QFETCH(QString, file);
        QFETCH(int, type);
        QFETCH(int, frame);
        QFETCH(qint64, limit);
        QFETCH(QString, message);
        const QString path = bad(file);
        QVERIFY(QFile::exists(path));
        const FrameLimit frameLimit(limit);
        MessageLog log;
        const auto img = loaded(type, path, frame);
        QVERIFY(!img->valid);
        QVERIFY2(log.startsWith(message, path), log.all());
        // A refused image hands out zeros, never bytes it does not hold.
        std::vector<double> buffer(size_t(std::max(img->width, 1)), -1.0);
        img->row(0, buffer.data());
        QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](double v) { return v <= 0.0; }));
    }

    void refusedWithoutMessage_data()
    {
        QTest::addColumn<QString>("file");
        QTest::newRow("zero size in the comment") << "itex/zero-size.img";
        QTest::newRow("areSource wider than an int") << "itex/aresource-overflow.img";
    }

    void refusedWithoutMessage()
    {
        QFETCH(QString, file);
        MessageLog log;
        QVERIFY(!loaded(ImgData::Itex, bad(file))->valid);
        QVERIFY2(log.isEmpty(), log.all());
    }

    void itexCommentThatIsNotUtf8()
    {
        MessageLog log;
        const auto img = loaded(ImgData::Itex, bad("itex/non-utf8-comment.img"));
        QVERIFY(img->valid);
        QCOMPARE(img->width, 4);
        QCOMPARE(img->height, 3);
        // "\xe9" is no number.
        QCOMPARE(img->expTime, 0.0);
        QVERIFY2(log.isEmpty(), log.all());
    }

    void configFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("lastKey");
        QTest::newRow("unclosed quote")
            << "unclosed-quote.cfg"
            << "^In a line \\[key \"open value\\] item is started from quote but not ended by "
               "quote$"
            << "after";
        QTest::newRow("cycle")
            << "cycle-a.cfg"
            << "^INCLUDE cycle refused : .*/cycle-a\\.cfg -> .*/cycle-b\\.cfg -> "
               ".*/cycle-a\\.cfg$"
            << "after_b";
        QTest::newRow("include without a name")
            << "include-no-name.cfg"
            << "^INCLUDE without a usable file name : INCLUDE( \"\")?$"
            << "after";
        QTest::newRow("include of a name with NUL")
            << "include-nul.cfg"
            << "^INCLUDE without a usable file name : INCLUDE cycle"
            << "after";
        QTest::newRow("not UTF-8") << "non-utf8.cfg"
                                   << ""
                                   << "next";
    }

    void configFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QString, lastKey);
        // INCLUDE names are relative to the working directory.
        const QString previous = QDir::currentPath();
        QVERIFY(QDir::setCurrent(bad("config")));
        MessageLog log;
        Config config;
        const bool read = config.readFile(file);
        QDir::setCurrent(previous);
        QVERIFY(read);
        QCOMPARE(config.fileName(), file);
        QVERIFY(config.contains(lastKey));
        if (message.isEmpty())
            QVERIFY2(log.isEmpty(), log.all());
        else
            QVERIFY2(log.count(message) >= 1, log.all());
    }

    // Devices, pipes and directories are never read: /dev/zero is one endless line, and
    // opening a pipe without a writer waits for ever.
    void notRegularFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        QTest::newRow("pipe") << QStringLiteral("fifo");
        QTest::newRow("directory") << QStringLiteral("dir");
    }

    void notRegularFiles()
    {
        QFETCH(QString, path);
        if (path == QLatin1String("fifo")) {
            path = m_dir.filePath(path);
            QVERIFY(QFile::exists(path) || mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        } else if (path == QLatin1String("dir")) {
            path = m_dir.filePath(path);
            QVERIFY(QDir().mkpath(path));
        } else if (!QFile::exists(path)) {
            QSKIP("no such device here");
        }
        MessageLog log;
        Config config;
        const QString main = write("main.cfg", "INCLUDE " + path.toUtf8() + "\nafter 1\n");
        QVERIFY(config.readFile(main));
        QVERIFY(config.contains("after"));
        QVERIFY2(log.startsWith("Can't open config file : ", path), log.all());
        QVERIFY(!Config().readFile(path));

        Batch batch;
        batch.batchLoad(write("kept.txt", "kept 1\n"));
        batch.batchLoad(path);
        QCOMPARE(batch.lines(), QStringList{"kept 1"});
        QVERIFY2(log.startsWith("Can't open batch file", path), log.all());

        QCOMPARE(ImgData::fileType(path), int(ImgData::Unknown));
        QVERIFY2(log.startsWith("Check File Type (ITEX):: Can not open", path), log.all());

        QVERIFY(!ZephMeta().read(path, m_dir.path()));
        QVERIFY2(log.startsWith("Can't open Zeph Meta File", path), log.all());
    }

    void configOverTheLimit()
    {
        const QString big = m_dir.filePath("big.cfg");
        QFile file(big);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(LineFile::MaxBytes + 1));
        file.close();
        MessageLog log;
        Config config;
        QVERIFY(!config.readFile(big));
        QVERIFY2(log.startsWith("Config file is over the 16777216 bytes left for the "
                                "configuration :",
                                big),
                 log.all());
    }

    void configIncludesThatFanOut()
    {
        // Each file includes the next 64 times: 64^3 reads of the last one's 64 KiB without a
        // bound on the whole, though no file includes itself.
        write("d.cfg", QByteArray(64 * 1024 - 8, 'd') + " value\n");
        for (const auto& [name, next] : {std::pair{"c.cfg", "d.cfg"}, {"b.cfg", "c.cfg"},
                                         {"a.cfg", "b.cfg"}}) {
            QByteArray text;
            for (int k = 0; k < 64; ++k)
                text += "INCLUDE " + m_dir.filePath(next).toUtf8() + "\n";
            write(name, text + "last_of_" + name + " 1\n");
        }
        MessageLog log;
        Config config;
        QVERIFY(config.readFile(m_dir.filePath("a.cfg")));
        QVERIFY(config.contains("last_of_a.cfg"));
        QVERIFY(config.contains("last_of_b.cfg"));
        QVERIFY2(log.count("^Config file is over the \\d+ bytes left for the configuration : "
                           ".*d\\.cfg$") > 0,
                 log.all());
    }

    void configIncludeOfMissingFileKeepsTheName()
    {
        const QString main =
            write("main.cfg", "INCLUDE " + m_dir.filePath("gone.cfg").toUtf8() + "\nafter 1\n");
        MessageLog log;
        Config config;
        QVERIFY(config.readFile(main));
        QCOMPARE(config.fileName(), main);
        QVERIFY(log.startsWith("Can't open config file : ", "gone.cfg"));
    }

    void configLineOfMegabytes()
    {
        // Two lines of 3 MiB: a plain value, and an unclosed quote over the rest of its line.
        const QByteArray big(3 << 20, 'v');
        const QString path =
            write("long.cfg", "big " + big + " tail\nopen \"" + big + "\nafter 1\n");
        MessageLog log;
        Config config;
        QVERIFY(config.readFile(path));
        QCOMPARE(config.value("big").size(), big.size());
        QCOMPARE(config.value("open").size(), big.size());
        QVERIFY(config.contains("after"));
        QCOMPARE(log.count(QStringLiteral("^In a line \\[open \"v+\\] item is started from quote "
                                          "but not ended by quote$")),
                 1);
    }

    void batchFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QStringList>("firstArgs");
        QTest::newRow("unclosed quote")
            << "unclosed-quote.txt"
            << "^In a line \\[i0_load \"/a b\\] item is started from quote but not ended by quote$"
            << QStringList{"/a b"};
        QTest::newRow("stray quotes, one message")
            << "stray-quote.txt"
            << "^In a line \\[bg_load x\" y\" z\"\\] item is started from not quote but ended by "
               "quote$"
            << QStringList{"x\"", "y\"", "z\""};
        QTest::newRow("not UTF-8") << "non-utf8.txt"
                                   << "" << QStringList{"\ufffd\ufffd", "\ufffd x"};
    }

    void batchFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        QFETCH(QStringList, firstArgs);
        MessageLog log;
        Batch batch;
        batch.batchLoad(bad("batch/" + file));
        QCOMPARE(batch.lines().size(), 2);
        QCOMPARE(BatchCmd::parse(batch.lines().at(0)).args, firstArgs);
        QCOMPARE(BatchCmd::parse(batch.lines().at(1)).cmd, QString("next"));
        if (message.isEmpty())
            QVERIFY2(log.isEmpty(), log.all());
        else
            QCOMPARE(log.count(message), 1);
    }

    // Nothing beside these files, so none yields an entry; each is read to its end.
    void zephMetaFiles_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("message");
        QTest::newRow("unclosed quote")
            << "unclosed-quote.meta"
            << "^In a line \\[1 \"8.34 open note\\] item is started from quote but not ended by "
               "quote$";
        QTest::newRow("numbers beyond an int, negative, NaN") << "huge-numbers.meta"
                                                              << "";
        QTest::newRow("F and blank lines only") << "no-entries.meta"
                                                << "";
        QTest::newRow("binary bytes") << "binary.meta"
                                      << "";
    }

    void zephMetaFiles()
    {
        QFETCH(QString, file);
        QFETCH(QString, message);
        MessageLog log;
        ZephMeta meta;
        QVERIFY(meta.read(bad("zephmeta/" + file), bad("zephmeta")));
        QVERIFY(meta.items().isEmpty());
        if (message.isEmpty())
            QVERIFY2(log.isEmpty(), log.all());
        else
            QCOMPARE(log.count(message), 1);
    }

    void batchLineOfMegabytes()
    {
        // 4 MiB of stray quotes in one line: a message per item, each holding the line, would
        // never end.
        QByteArray line = "cmd";
        while (line.size() < (4 << 20))
            line += " x\"";
        const QString path = write("long.txt", line + "\nnext 1\n");
        MessageLog log;
        Batch batch;
        batch.batchLoad(path);
        QCOMPARE(batch.lines().size(), 2);
        const BatchCmd cmd = BatchCmd::parse(batch.lines().at(0));
        QCOMPARE(cmd.args.size(), (line.size() - 3) / 3);
        QCOMPARE(log.count(QStringLiteral("started from not quote but ended by quote$")), 1);
    }
};

QTEST_GUILESS_MAIN(tst_badinputs)
#include "tst_badinputs.moc"
