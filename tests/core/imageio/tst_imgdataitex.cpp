#include "imageio/datafile.h"
#include "imageio/imgdataitex.h"
#include "imageio/itexwriter.h"
#include "testfile.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <memory>
#include <vector>

namespace
{

// Hand-made ITEX bytes, so malformed files can be written as easily as good ones.
struct ItexBytes {
    int width = 4;
    int height = 3;
    int pixelType = 2;
    int frameWord = 1;
    QByteArray comment = "Prop_ImageWidth=4,Prop_ImageHeight=3,";
    QList<QByteArray> frames;

    QByteArray build() const
    {
        QByteArray out(64, '\0');
        out[0] = 'I';
        out[1] = 'M';
        const auto put = [&](int at, int v) {
            qToLittleEndian<quint16>(quint16(v), out.data() + at);
        };
        put(2, int(comment.size()));
        put(4, width);
        put(6, height);
        put(8, 7);
        put(10, 9);
        put(12, pixelType);
        put(14, frameWord);
        out += comment;
        for (qsizetype k = 0; k < frames.size(); ++k) {
            if (k > 0)
                out += QByteArray(64, '\x5a'); // the gap is never read
            out += frames.at(k);
        }
        return out;
    }
};

QByteArray u16Frame(int w, int h, int base)
{
    QByteArray f(w * h * 2, '\0');
    for (int i = 0; i < w * h; ++i)
        qToLittleEndian<quint16>(quint16(base + i), f.data() + 2 * i);
    return f;
}

} // namespace

class tst_imgdataitex : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    int m_count = 0;

    QString write(const QByteArray& bytes)
    {
        return writeTestFile(m_dir, QString("f%1.his").arg(m_count++), bytes);
    }

    static std::unique_ptr<ImgData> loaded(const QString& name, int frame = 0,
                                           bool keepInMemory = true)
    {
        auto img = ImgData::createImgData(ImgData::Itex);
        img->fileName = name;
        img->keepInMemory = keepInMemory;
        img->valid = img->load(frame);
        return img;
    }

    static std::vector<double> rowOf(ImgData& img, int r)
    {
        std::vector<double> v(size_t(img.width), -99.0);
        img.row(r, v.data());
        return v;
    }

private slots:
    void pixelTypes_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QByteArray>("pixel");
        QTest::addColumn<double>("expected");
        QTest::newRow("u8") << 0 << QByteArray("\xfe", 1) << 254.0;
        QTest::newRow("s16 -1") << 1 << QByteArray("\xff\xff", 2) << -1.0;
        QTest::newRow("s16 min") << 1 << QByteArray("\x00\x80", 2) << -32768.0;
        QTest::newRow("u16 max") << 2 << QByteArray("\xff\xff", 2) << 65535.0;
        QTest::newRow("u16 little-endian") << 2 << QByteArray("\x34\x12", 2) << 4660.0;
        QTest::newRow("s32") << 3 << QByteArray("\xfe\xff\xff\xff", 4) << -2.0;
        QTest::newRow("s32 max") << 3 << QByteArray("\xff\xff\xff\x7f", 4) << 2147483647.0;
        QTest::newRow("f32") << 4 << QByteArray("\x00\x00\xc0\xbf", 4) << -1.5;
    }

    void pixelTypes()
    {
        QFETCH(int, type);
        QFETCH(QByteArray, pixel);
        QFETCH(double, expected);
        ItexBytes b;
        b.width = 2;
        b.height = 2;
        b.pixelType = type;
        b.comment = "Prop_ImageWidth=2,Prop_ImageHeight=2,";
        const QByteArray zero(pixel.size(), '\0');
        b.frames = {zero + zero + zero + pixel}; // pixel (row 1, column 1)
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        QCOMPARE(rowOf(*img, 1), (std::vector<double>{0.0, expected}));
        std::vector<double> col(2, -99.0);
        QCOMPARE(img->column(1, col.data()), col.data());
        QCOMPARE(col, (std::vector<double>{0.0, expected}));
    }

    void unknownPixelTypeReadsZero()
    {
        ItexBytes b;
        b.pixelType = 5;
        b.frames = {QByteArray(12, '\x7f')};
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Unknown ITEX pixel type 5"));
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        QCOMPARE(rowOf(*img, 2), std::vector<double>(4, 0.0));

        // Whatever its type, a frame takes a byte per pixel of the file at least.
        b.frames = {QByteArray(11, '\x7f')};
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Unknown ITEX pixel type 5"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("shorter than its first frame"));
        QVERIFY(!loaded(write(b.build()))->valid);
    }

    void rowsColumnsAndHeaderFields()
    {
        ItexBytes b;
        b.frames = {u16Frame(4, 3, 100)};
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        auto* itex = static_cast<ImgDataITEX*>(img.get());
        QCOMPARE(itex->dataOffset, 64 + b.comment.size());
        QCOMPARE(itex->xOffset, 7);
        QCOMPARE(itex->yOffset, 9);
        QCOMPARE(itex->frameBytes, 24);
        QCOMPARE(rowOf(*img, 2), (std::vector<double>{108, 109, 110, 111}));
        std::vector<double> col(3);
        img->column(3, col.data());
        QCOMPARE(col, (std::vector<double>{103, 107, 111}));
        QCOMPARE(img->rowBuf.size(), size_t(4));
        QCOMPARE(img->colBuf.size(), size_t(3));
        // Out-of-range requests give zeros instead of reading past the frame.
        QCOMPARE(rowOf(*img, 3), std::vector<double>(4, 0.0));
        QCOMPARE(rowOf(*img, -1), std::vector<double>(4, 0.0));
        double lo, hi;
        img->minMax(lo, hi);
        QCOMPARE(lo, 100.0);
        QCOMPARE(hi, 111.0);
        QVERIFY(img->minMaxKnown);
    }

    void frameInFileEqualsFrameInMemory()
    {
        ItexBytes b;
        b.frameWord = 3;
        b.frames = {u16Frame(4, 3, 0), u16Frame(4, 3, 500), u16Frame(4, 3, 900)};
        const QString name = write(b.build());
        for (int frame = 0; frame < 3; ++frame) {
            auto memory = loaded(name, frame, true);
            auto inFile = loaded(name, frame, false);
            QVERIFY(memory->valid && inFile->valid);
            for (int r = 0; r < 3; ++r)
                QCOMPARE(rowOf(*inFile, r), rowOf(*memory, r));
        }
    }

    // Frames left in one opened file share its descriptor, which outlives the caller's handle.
    void framesLeftInOneOpenFile()
    {
        ItexBytes b;
        b.frameWord = 3;
        b.frames = {u16Frame(4, 3, 0), u16Frame(4, 3, 500), u16Frame(4, 3, 900)};
        const QString name = write(b.build());
        const qint64 before = DataFile::openCount();
        std::shared_ptr<const DataFile> file = DataFile::open(name);
        std::vector<std::unique_ptr<ImgData>> frames;
        for (int frame = 0; frame < 3; ++frame) {
            frames.push_back(ImgData::createImgData(ImgData::Itex));
            frames.back()->keepInMemory = false;
            QVERIFY(frames.back()->load(*file, frame));
        }
        file.reset();
        QCOMPARE(DataFile::openCount() - before, qint64(1));
        QCOMPARE(rowOf(*frames[1], 2), (std::vector<double>{508, 509, 510, 511}));
        QCOMPARE(rowOf(*frames[2], 0), (std::vector<double>{900, 901, 902, 903}));
        QCOMPARE(rowOf(*frames[0], 1), (std::vector<double>{4, 5, 6, 7}));
    }

    void minMaxOfInvalidImageIsZero()
    {
        auto img = ImgData::createImgData(ImgData::Itex);
        double lo = 5, hi = 5;
        img->minMax(lo, hi);
        QCOMPARE(lo, 0.0);
        QCOMPARE(hi, 0.0);
    }

    void commentSizesWinOverHeader()
    {
        // The header frame is 6 x 2, the comment says 4 x 3: rows use the comment's width,
        // further frames use the header's stride.
        ItexBytes b;
        b.width = 6;
        b.height = 2;
        b.frameWord = 2;
        b.frames = {u16Frame(6, 2, 0), u16Frame(6, 2, 1000)};
        const QString name = write(b.build());
        auto img = loaded(name, 1);
        QVERIFY(img->valid);
        QCOMPARE(img->width, 4);
        QCOMPARE(img->height, 3);
        QCOMPARE(img->frameCount, 2);
        QCOMPARE(rowOf(*img, 2), (std::vector<double>{1008, 1009, 1010, 1011}));
    }

    void multiFrameOffsets()
    {
        ItexBytes b;
        b.frameWord = 4;
        b.frames = {u16Frame(4, 3, 0), u16Frame(4, 3, 100), u16Frame(4, 3, 200),
                    u16Frame(4, 3, 300)};
        const QString name = write(b.build());
        for (int frame = 0; frame < 4; ++frame) {
            auto img = loaded(name, frame);
            QVERIFY(img->valid);
            QCOMPARE(img->frameIndex, frame);
            auto* itex = static_cast<ImgDataITEX*>(img.get());
            QCOMPARE(itex->frameOffset, 64 + b.comment.size() + frame * (24 + 64));
            QCOMPARE(rowOf(*img, 0).front(), 100.0 * frame);
        }
    }

    void frameCountZeroMeansOne()
    {
        ItexBytes b;
        b.frameWord = 0;
        b.frames = {u16Frame(4, 3, 1)};
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        QCOMPARE(img->frameCount, 1);
    }

    void commentProperties_data()
    {
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<double>("expTime");
        QTest::newRow("no exposure")
            << QByteArray("Prop_ImageWidth=4,Prop_ImageHeight=3,") << 4 << 3 << 1.0;
        QTest::newRow("later exposure wins")
            << QByteArray("Prop_ExposureTime2=0.25,Prop_ImageWidth=4,Prop_ExposureTime1=2.5,"
                          "Prop_ImageHeight=3,")
            << 4 << 3 << 2.5;
        QTest::newRow("quoted value")
            << QByteArray("Prop_ImageWidth=\"4\",Prop_ImageHeight= 3 ,Prop_ExposureTime1=\"0.5\",")
            << 4 << 3 << 0.5;
        QTest::newRow("bad exposure reads 0")
            << QByteArray("Prop_ImageWidth=4,Prop_ImageHeight=3,Prop_ExposureTime1=abc,") << 4 << 3
            << 0.0;
        QTest::newRow("comma inside quotes does not split")
            << QByteArray(
                   "Prop_ImageWidth=4,Prop_Note=\"x,Prop_ImageWidth=2,\",Prop_ImageHeight=3,")
            << 4 << 3 << 1.0;
        QTest::newRow("prefix is case sensitive")
            << QByteArray("prop_imagewidth=2,Prop_ImageWidth=4,Prop_ImageHeight=3,") << 4 << 3
            << 1.0;
        QTest::newRow("areSource fallback")
            << QByteArray("Camera=X,areSource=\"1,0,3,2\",Prop_ImageHeight=3,") << 2 << 3 << 1.0;
        QTest::newRow("comment size smaller than header")
            << QByteArray("Prop_ImageWidth=2,Prop_ImageHeight=2,") << 2 << 2 << 1.0;
    }

    void commentProperties()
    {
        QFETCH(QByteArray, comment);
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(double, expTime);
        ItexBytes b;
        b.comment = comment;
        b.frames = {u16Frame(4, 3, 0)};
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        QCOMPARE(img->width, width);
        QCOMPARE(img->height, height);
        QCOMPARE(img->expTime, expTime);
    }

    void areSourceOfAFullFrame()
    {
        ItexBytes b;
        b.width = 2048;
        b.height = 2048;
        b.pixelType = 0;
        b.comment = "areSource=\"0,0,2048,2048\",";
        b.frames = {QByteArray(2048 * 2048, '\1')};
        auto img = loaded(write(b.build()));
        QVERIFY(img->valid);
        QCOMPARE(img->width, 2048);
        QCOMPARE(img->height, 2048);
    }

    void refusedWithoutMessage_data()
    {
        QTest::addColumn<QByteArray>("comment");
        QTest::addColumn<QByteArray>("magic");
        QTest::newRow("last property without comma is ignored")
            << QByteArray("Prop_ImageWidth=4,Prop_ImageHeight=3") << QByteArray("IM");
        QTest::newRow("empty comment") << QByteArray() << QByteArray("IM");
        QTest::newRow("no size") << QByteArray("Prop_ExposureTime1=1,") << QByteArray("IM");
        QTest::newRow("negative areSource")
            << QByteArray("areSource=\"3,3,1,1\",") << QByteArray("IM");
        QTest::newRow("wrong magic")
            << QByteArray("Prop_ImageWidth=4,Prop_ImageHeight=3,") << QByteArray("MI");
    }

    void refusedWithoutMessage()
    {
        QFETCH(QByteArray, comment);
        QFETCH(QByteArray, magic);
        ItexBytes b;
        b.comment = comment;
        b.frames = {u16Frame(4, 3, 0)};
        QByteArray bytes = b.build();
        bytes.replace(0, 2, magic);
        QTest::failOnWarning(QRegularExpression(".*"));
        auto img = loaded(write(bytes));
        QVERIFY(!img->valid);
    }

    void malformedFilesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("frame");
        QTest::addColumn<QString>("message");

        ItexBytes good;
        good.frames = {u16Frame(4, 3, 0)};
        const QByteArray whole = good.build();
        QTest::newRow("header cut") << whole.left(39) << 0 << "Error on reading ITEX file props.";
        QTest::newRow("comment cut") << whole.left(64 + 5) << 0 << "";
        QTest::newRow("frame cut")
            << whole.left(whole.size() - 1) << 0 << "ITEX file is shorter than its first frame";

        ItexBytes wide = good;
        wide.comment = "Prop_ImageWidth=5,Prop_ImageHeight=3,";
        QTest::newRow("comment larger than frame")
            << wide.build() << 0 << "ITEX image of 5 x 3 pixels does not fit its 4 x 3 frame";

        ItexBytes huge;
        huge.width = 65535;
        huge.height = 65535;
        huge.pixelType = 4;
        huge.comment = "Prop_ImageWidth=65535,Prop_ImageHeight=65535,";
        QTest::newRow("huge claim in a small file") << huge.build().left(100) << 0 << "";
        huge.frames = {QByteArray(100, '\0')};
        QTest::newRow("huge claim with a little data")
            << huge.build() << 0 << "ITEX file is shorter than its first frame";

        ItexBytes frames = good;
        frames.frameWord = 3;
        frames.frames = {u16Frame(4, 3, 0), u16Frame(4, 3, 0)};
        QTest::newRow("frame count beyond the file")
            << frames.build() << 2 << "ITEX file is too short for frame 2";
        QTest::newRow("frame index beyond the count")
            << frames.build() << 3 << "ITEX frame 3 is beyond the 3 frames of the file";
        QTest::newRow("negative frame index")
            << frames.build() << -1 << "ITEX frame -1 is beyond the 3 frames of the file";
    }

    void malformedFilesAreRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, frame);
        QFETCH(QString, message);
        if (!message.isEmpty())
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("^" + QRegularExpression::escape(message)));
        if (message.startsWith("ITEX frame") || message.startsWith("ITEX file is too short"))
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Can not open ImgData"));
        auto img = loaded(write(bytes), frame);
        QVERIFY(!img->valid);
        std::vector<double> buf(4, -1.0);
        img->row(0, buf.data());
        QVERIFY(
            std::all_of(buf.begin(), buf.end(), [](double v) { return v == 0.0 || v == -1.0; }));
    }

    void missingFile()
    {
        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression("^Can not open ITEX file to read props\\. \".*absent.img\"$"));
        auto img = loaded(m_dir.filePath("absent.img"));
        QVERIFY(!img->valid);
    }

    void fileTypeDetection_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("type");
        QTest::newRow("IM") << QByteArray("IM") << int(ImgData::Itex);
        QTest::newRow("IM then TIFF mark") << QByteArray("IMII*\0") << int(ImgData::Itex);
        QTest::newRow("II") << QByteArray("II*\0") << int(ImgData::Tiff);
        QTest::newRow("MM") << QByteArray("MM\0*") << int(ImgData::Tiff);
        QTest::newRow("one byte") << QByteArray("I") << int(ImgData::Unknown);
        QTest::newRow("empty") << QByteArray() << int(ImgData::Unknown);
        QTest::newRow("lower case") << QByteArray("im") << int(ImgData::Unknown);
    }

    void fileTypeDetection()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, type);
        const QString name = write(bytes);
        if (type == ImgData::Unknown)
            QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Unknown file type :  \".*\"$"));
        QCOMPARE(ImgData::fileType(name), type);
    }

    void fileTypeOfMissingFile()
    {
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Check File Type \\(ITEX\\):: Can not open"));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Check File Type \\(TIFF\\):: Can not open"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Unknown file type"));
        QCOMPARE(ImgData::fileType(m_dir.filePath("nothing.img")), int(ImgData::Unknown));
    }

    void creation()
    {
        QVERIFY(dynamic_cast<ImgDataITEX*>(ImgData::createImgData(ImgData::Itex).get()));
        QVERIFY(!ImgData::createImgData(ImgData::Unknown));
        QVERIFY(!ImgData::createImgData(-1));
        const auto img = ImgData::createImgData(ImgData::Itex);
        QVERIFY(!img->valid);
        QVERIFY(img->keepInMemory);
        QCOMPARE(img->expTime, 1.0);
        QCOMPARE(img->width, 0);
    }

    void truncationSweep()
    {
        // Every prefix of a good two-frame file is refused or read without fault; a prefix
        // that holds the frame reads the same values as the whole file.
        QTemporaryDir dir;
        const QString whole = dir.filePath("whole.his");
        ItexWriter writer(whole, 3, 2, SampleType::S16, 2, ItexWriter::standardComment(3, 2, 0.5));
        const double f0[] = {-3, -2, -1, 0, 1, 2};
        const double f1[] = {10, 20, 30, 40, 50, 60};
        QVERIFY(writer.appendFrame(f0));
        QVERIFY(writer.appendFrame(f1));
        QVERIFY(writer.commit());
        QFile in(whole);
        QVERIFY(in.open(QIODevice::ReadOnly));
        const QByteArray bytes = in.readAll();
        auto reference = loaded(whole, 1);
        QVERIFY(reference->valid);
        QCOMPARE(reference->expTime, 0.5);

        QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
        int readable = 0;
        for (qsizetype cut = 0; cut <= bytes.size(); ++cut) {
            const QString name = dir.filePath(QString("cut%1.his").arg(cut));
            QFile out(name);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes.left(cut));
            out.close();
            for (int frame = 0; frame < 2; ++frame) {
                auto img = loaded(name, frame);
                if (!img->valid)
                    continue;
                ++readable;
                if (frame == 1)
                    QCOMPARE(rowOf(*img, 1), rowOf(*reference, 1));
            }
        }
        qInstallMessageHandler(previous);
        // Frame 0 needs the file up to its end, frame 1 the whole file.
        const qint64 firstFrameEnd = static_cast<ImgDataITEX*>(reference.get())->dataOffset + 12;
        QCOMPARE(readable, int(bytes.size() - firstFrameEnd + 1) + 1);
    }
};

QTEST_GUILESS_MAIN(tst_imgdataitex)
#include "tst_imgdataitex.moc"
