#include "imageio/datafile.h"
#include "imageio/datafileloader.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "messagelog.h"
#include "recon/sinogrambuilder.h"

#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <tiffio.h>

#include <vector>

class tst_imgdatas : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;

    // An ITEX file of `frames` frames; pixel (c, r) of frame k is base + 100 k + 10 r + c.
    QString writeItex(const QString& name, int w, int h, int frames = 1, int base = 0)
    {
        const QString path = m_dir.filePath(name);
        ItexWriter writer(path, w, h, SampleType::U16, frames,
                          ItexWriter::standardComment(w, h, 1));
        for (int k = 0; k < frames; ++k) {
            std::vector<double> px(size_t(w * h));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    px[size_t(r * w + c)] = base + 100 * k + 10 * r + c;
            writer.appendFrame(px.data());
        }
        if (!writer.commit())
            qFatal("cannot write test image");
        return path;
    }

    // A TIFF of 16-bit pages of the given sizes, pixel (c, r) of page k as in writeItex.
    QString writeTiff(const QString& name, const QList<QSize>& pages, int base = 0)
    {
        const QString path = m_dir.filePath(name);
        TIFF* tif = TIFFOpen(QFile::encodeName(path).constData(), "w");
        if (!tif)
            qFatal("cannot write test image");
        for (int k = 0; k < pages.size(); ++k) {
            const int w = pages[k].width();
            const int h = pages[k].height();
            TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, uint32_t(w));
            TIFFSetField(tif, TIFFTAG_IMAGELENGTH, uint32_t(h));
            TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 16);
            TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, 1);
            TIFFSetField(tif, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_MINISBLACK);
            TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, uint32_t(h));
            std::vector<uint16_t> px(size_t(w * h));
            for (int r = 0; r < h; ++r)
                for (int c = 0; c < w; ++c)
                    px[size_t(r * w + c)] = uint16_t(base + 100 * k + 10 * r + c);
            if (TIFFWriteEncodedStrip(tif, 0, px.data(), tmsize_t(px.size() * 2)) < 0 ||
                !TIFFWriteDirectory(tif))
                qFatal("cannot write test image");
        }
        TIFFClose(tif);
        return path;
    }

    // `path` without its last `bytes` bytes.
    static QString cut(const QString& path, int bytes)
    {
        QFile file(path);
        if (!file.resize(file.size() - bytes))
            qFatal("cannot cut test image");
        return path;
    }

    // Whether every pixel of `img` is base + 100 k + 10 r + c, for frame k of file number i of
    // `files` and base 1000 i.
    static bool holdsItsFrame(const ImgData& img, const QStringList& files)
    {
        const int base = 1000 * int(files.indexOf(img.fileName));
        std::vector<double> row(size_t(img.width));
        for (int r = 0; r < img.height; ++r) {
            img.row(r, row.data());
            for (int c = 0; c < img.width; ++c)
                if (row[size_t(c)] != base + 100 * img.frameIndex + 10 * r + c)
                    return false;
        }
        return true;
    }

    static double firstPixel(const ImgData* img)
    {
        std::vector<double> row(size_t(img->width));
        return img->row(0, row.data())[0];
    }

    // Runs a selection through the loader until it reports the end of loading.
    static QStringList load(DataFileLoader& loader, const QStringList& files, bool clear)
    {
        QStringList entries;
        QMetaObject::Connection c =
            connect(&loader, &DataFileLoader::imageLoaded, [&](const QString& e) { entries << e; });
        QSignalSpy done(&loader, &DataFileLoader::noticeFinishedLoadDataFiles);
        loader.dataFilesSelected(files, clear);
        if (!done.wait(10000))
            qWarning("loading did not finish");
        disconnect(c);
        return entries;
    }

private slots:
    void addFixesTheSizeAndRefusesMismatches()
    {
        ImgDatas set;
        QVERIFY(set.add(writeItex("a.img", 4, 3), 0));
        QCOMPARE(set.width, 4);
        QCOMPARE(set.height, 3);
        QTest::ignoreMessage(
            QtDebugMsg,
            QRegularExpression("^Mismatch image size: \\(4, 3\\) != \\(5, 3\\) :  \".*b.img\"$"));
        QVERIFY(!set.add(writeItex("b.img", 5, 3), 0));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^Mismatch image size: \\(4, 3\\) != \\(4, 2\\)"));
        QVERIFY(!set.add(writeItex("c.img", 4, 2), 0));
        QCOMPARE(set.count(), 1);

        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Unknown file type"));
        QVERIFY(!set.add(m_dir.filePath("missing.img"), 0));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^ITEX frame 5 is beyond"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Can not open ImgData"));
        QTest::ignoreMessage(QtDebugMsg,
                             QRegularExpression("^File is not ready to access \".*a.img\""));
        QVERIFY(!set.add(m_dir.filePath("a.img"), 5));
        QCOMPARE(set.count(), 1);
    }

    void clearImgsKeepsTheSizeClearResetsIt()
    {
        ImgDatas set;
        QVERIFY(set.add(writeItex("big.img", 8, 8), 0));
        set.clearImgs();
        QCOMPARE(set.count(), 0);
        QCOMPARE(set.width, 8);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Mismatch image size"));
        QVERIFY(!set.add(writeItex("small.img", 4, 4), 0));
        set.clear();
        QCOMPARE(set.width, 0);
        QVERIFY(set.add(m_dir.filePath("small.img"), 0));
        QCOMPARE(set.width, 4);
    }

    void snapshotsDoNotChangeUnderReaders()
    {
        ImgDatas set;
        QVERIFY(set.add(writeItex("s0.img", 4, 3, 1, 0), 0));
        QVERIFY(set.add(writeItex("s1.img", 4, 3, 1, 1000), 0));
        const std::shared_ptr<const ImageSet> taken = set.snapshot();
        QCOMPARE(taken->count(), 2);
        QCOMPARE(set.snapshot()->images, taken->images); // no change, no new list

        set.clearImgs();
        QVERIFY(set.add(m_dir.filePath("s1.img"), 0));
        QCOMPARE(taken->count(), 2);
        QCOMPARE(firstPixel(taken->images->at(1).get()), 1000.0);
        QCOMPARE(set.snapshot()->count(), 1);
        QVERIFY(!taken->i0);
    }

    void i0AndBgSlots()
    {
        ImgDatas set;
        std::shared_ptr<ImgData> i0 = ImgData::createImgData(ImgData::Itex);
        std::shared_ptr<ImgData> bg;
        set.setI0Slot(&i0);
        set.setBGSlot(&bg);
        QVERIFY(!set.i0()); // an image that is not valid is absent
        i0->fileName = writeItex("i0.img", 4, 3, 1, 500);
        i0->valid = i0->load(0);
        QCOMPARE(set.i0(), i0.get());
        QVERIFY(!set.bg());
        const auto taken = set.snapshot();
        QCOMPARE(taken->i0.get(), i0.get());
        i0.reset(); // the panel drops its image; the reader keeps its own
        QCOMPARE(firstPixel(taken->i0.get()), 500.0);
        QVERIFY(!set.i0());
    }

    void toImageRendersThroughTheScale()
    {
        ImgDatas set;
        QVERIFY(set.add(writeItex("r.img", 4, 3), 0));
        QSignalSpy updated(&set, &ImgDatas::imageUpdated);
        QImage picture;
        GreyScale scale;
        QVERIFY(set.toImage(0, picture, scale, false));
        QCOMPARE(scale.minV, 0.0);
        QCOMPARE(scale.maxV, 23.0);
        QCOMPARE(picture.size(), QSize(4, 3));
        QCOMPARE(qGray(picture.pixel(3, 2)), 255);
        QCOMPARE(updated.count(), 1);

        GreyScale fixed{0, 46, 0, 1};
        QVERIFY(set.toImage(0, picture, fixed, true));
        QCOMPARE(fixed.maxV, 46.0);
        QCOMPARE(qGray(picture.pixel(3, 2)), 128);
        QVERIFY(!set.toImage(1, picture, fixed, true));
        QVERIFY(!set.toImage(-1, picture, fixed, true));
        QCOMPARE(updated.count(), 2);
    }

    void newAndAddSelections()
    {
        ImgDatas set;
        DataFileLoader loader(&set);
        const QStringList three = {writeItex("n0.img", 4, 3), writeItex("n1.img", 4, 3),
                                   writeItex("n2.img", 4, 3)};
        QCOMPARE(load(loader, three, true), three);
        QCOMPARE(set.count(), 3);
        const QStringList two = {writeItex("n3.img", 4, 3), writeItex("n4.img", 4, 3)};
        QCOMPARE(load(loader, two, false), two);
        QCOMPARE(set.count(), 5);
        QSignalSpy cleared(&loader, &DataFileLoader::imagesCleared);
        load(loader, two, true);
        QCOMPARE(set.count(), 2);
        QCOMPARE(cleared.count(), 1);
    }

    void multiFrameFileAmongSingleFrames()
    {
        ImgDatas set;
        DataFileLoader loader(&set);
        const QString a = writeItex("m_a.img", 4, 3);
        const QString his = writeItex("m_b.his", 4, 3, 4, 1000);
        const QString c = writeItex("m_c.img", 4, 3);
        QCOMPARE(ImgDatas::frameCountOf(his), 4);
        QCOMPARE(ImgDatas::frameCountOf(a), 1);
        const QStringList entries = load(loader, {a, his, c}, true);
        QCOMPARE(entries, QStringList({a, his + "(0)", his + "(1)", his + "(2)", his + "(3)", c}));
        QCOMPARE(set.count(), 6);
        QCOMPARE(firstPixel(set.image(4)), 1300.0);
    }

    void mismatchDoesNotStopTheRest()
    {
        ImgDatas set;
        DataFileLoader loader(&set);
        const QStringList files = {writeItex("x0.img", 4, 3), writeItex("x1.img", 6, 3),
                                   m_dir.filePath("nothing.img"), writeItex("x2.img", 4, 3)};
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Mismatch image size"));
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Unknown file type"));
        QCOMPARE(load(loader, files, true), QStringList({files.at(0), files.at(3)}));
        QCOMPARE(set.count(), 2);
    }

    void newSelectionOfAnotherSizeLoadsNothing()
    {
        ImgDatas set;
        DataFileLoader loader(&set);
        load(loader, {writeItex("l.img", 8, 8)}, true);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Mismatch image size"));
        QVERIFY(load(loader, {writeItex("s.img", 4, 4)}, true).isEmpty());
        QCOMPARE(set.count(), 0);
        QCOMPARE(set.width, 8);
    }

    void aNewSelectionReplacesTheQueue()
    {
        ImgDatas set;
        DataFileLoader loader(&set);
        const QString p = writeItex("q0.img", 4, 3);
        const QString q = writeItex("q1.img", 4, 3);
        QSignalSpy done(&loader, &DataFileLoader::noticeFinishedLoadDataFiles);
        loader.dataFilesSelected({p, p, p}, true);
        loader.dataFilesSelected({q}, true);
        QVERIFY(done.wait(10000));
        QCOMPARE(set.count(), 1);
        QCOMPARE(set.image(0)->fileName, q);
    }
    // Loading every frame of every file, by frameCountOf and add as cirvo-recon does or by the
    // window's loader, opens each file once; each frame still holds its own pixels, and a frame
    // the file cannot hold is refused as when it is loaded alone.
    void oneOpenPerFile_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("throughLoader");
        QTest::addColumn<int>("loaded");
        QTest::addColumn<QString>("refusal");
        const QSize frame(4, 3);

        QTest::newRow("his of 5 frames: each frame opens the file again")
            << QStringList{writeItex("o5.his", 4, 3, 5)} << false << 5 << QString();
        QStringList singles;
        for (int i = 0; i < 5; ++i)
            singles << writeItex(QStringLiteral("o1_%1.img").arg(i), 4, 3, 1, 1000 * i);
        QTest::newRow("5 single-frame files: type check, header and frame open apart")
            << singles << false << 5 << QString();
        QTest::newRow("tiff of 3 pages: each page opens the file again")
            << QStringList{writeTiff("o3.tif", {frame, frame, frame})} << false << 3 << QString();
        QTest::newRow("his cut in its last frame: the shared header hides the cut")
            << QStringList{cut(writeItex("ocut.his", 4, 3, 4), 1)} << false << 3
            << "ITEX file is too short for frame 3";
        QTest::newRow("tiff with a last page of another size: the shared handle passes it")
            << QStringList{writeTiff("omixed.tif", {frame, frame, QSize(6, 3)})} << false << 2
            << "TIFF page 2 of 6 x 3 pixels differs from the first page of 4 x 3 pixels";
        const QStringList mixed = {
            writeItex("m0.img", 4, 3, 1, 0), writeItex("m1.his", 4, 3, 3, 1000),
            writeTiff("m2.tif", {frame, frame}, 2000), writeItex("m3.img", 4, 3, 1, 3000)};
        QTest::newRow("img, his, tiff, img: a frame taken from the file before")
            << mixed << false << 7 << QString();
        QTest::newRow("img, his, tiff, img through the loader: the count opens again")
            << mixed << true << 7 << QString();
    }

    void oneOpenPerFile()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, throughLoader);
        QFETCH(int, loaded);
        QFETCH(QString, refusal);
        if (!refusal.isEmpty())
            QTest::ignoreMessage(QtDebugMsg,
                                 QRegularExpression("^" + QRegularExpression::escape(refusal)));
        ImgDatas set;
        DataFileLoader loader(&set);
        const qint64 before = DataFile::openCount();
        if (throughLoader) {
            load(loader, files, true);
        } else {
            for (const QString& file : files)
                for (int k = 0, n = ImgDatas::frameCountOf(file); k < n; ++k)
                    set.add(file, k);
        }
        QCOMPARE(DataFile::openCount() - before, qint64(files.size()));
        QCOMPARE(set.count(), loaded);
        for (int i = 0; i < set.count(); ++i)
            QVERIFY2(holdsItsFrame(*set.image(i), files),
                     qPrintable(QStringLiteral("image %1, frame %2 of %3")
                                    .arg(i)
                                    .arg(set.image(i)->frameIndex)
                                    .arg(set.image(i)->fileName)));
    }

    // A slice's sinogram reads its row of each frame from the file and nothing more, so a data
    // set larger than the memory is reconstructed slice by slice.
    void aSliceReadsOnlyItsRowOfEachFrame()
    {
        ImgDatas set;
        const QStringList files = {writeItex("rows.his", 40, 30, 6),
                                   writeItex("rows1.img", 40, 30)};
        for (const QString& file : files)
            for (int k = 0, n = ImgDatas::frameCountOf(file); k < n; ++k)
                QVERIFY(set.add(file, k));
        SinogramRequest request;
        request.cor = 20;
        request.slice = 17;
        HSgm sgm;
        const qint64 before = DataFile::bytesReadCount();
        QVERIFY(SinogramBuilder::build(*set.snapshot(), request, sgm));
        QCOMPARE(DataFile::bytesReadCount() - before, qint64(7 * 40 * 2));
        QCOMPARE(sgm.rows, 7);
        QCOMPARE(sgm.raw[size_t(5 * sgm.width)], 500.0 + 170 + 20 - sgm.width / 2);
    }

    // What becomes of loaded frames when their file changes on disk: a file replaced by a new
    // one (the writers' rename) still serves the frames as loaded; a file cut short serves its
    // missing rows as zeros, says so, and does not bring the program down.
    void framesAfterTheirFileChanged_data()
    {
        QTest::addColumn<bool>("cutShort");
        QTest::addColumn<double>("lastFramePixel");
        QTest::newRow("replaced: old frames kept") << false << 200.0;
        QTest::newRow("cut short: rows gone read 0") << true << 0.0;
    }

    void framesAfterTheirFileChanged()
    {
        QFETCH(bool, cutShort);
        QFETCH(double, lastFramePixel);
        ImgDatas set;
        const QString path = writeItex(QStringLiteral("changed%1.his").arg(cutShort), 4, 3, 3);
        for (int k = 0, n = ImgDatas::frameCountOf(path); k < n; ++k)
            QVERIFY(set.add(path, k));
        if (cutShort)
            cut(path, 4 * 3 * 2);
        else
            writeItex(QStringLiteral("changed%1.his").arg(cutShort), 4, 3, 3, 5000);
        MessageLog log("cirvo.imageio");
        QCOMPARE(firstPixel(set.image(2)), lastFramePixel);
        QCOMPARE(firstPixel(set.image(1)), 100.0);
        QCOMPARE(log.messages().size(), cutShort ? 1 : 0);
    }

    // A file written again between two loads is read again, not served from the first load.
    void aFileWrittenAgainIsReadAgain()
    {
        ImgDatas set;
        const QString path = writeItex("again.his", 4, 3, 3);
        for (int k = 0, n = ImgDatas::frameCountOf(path); k < n; ++k)
            QVERIFY(set.add(path, k));
        set.clear();
        QCOMPARE(writeItex("again.his", 5, 2, 2, 500), path);
        QCOMPARE(ImgDatas::frameCountOf(path), 2);
        QVERIFY(set.add(path, 0));
        QVERIFY(set.add(path, 1));
        QCOMPARE(set.width, 5);
        QCOMPARE(firstPixel(set.image(1)), 600.0);
    }

    // A count serves only its own file: a frame of another file added after it is that file's.
    void aCountServesOnlyItsOwnFile()
    {
        ImgDatas set;
        const QString counted = writeItex("counted.his", 4, 3, 2, 0);
        const QString other = writeItex("other.img", 4, 3, 1, 700);
        QCOMPARE(ImgDatas::frameCountOf(counted), 2);
        QVERIFY(set.add(other, 0));
        QVERIFY(set.add(counted, 1));
        QCOMPARE(firstPixel(set.image(0)), 700.0);
        QCOMPARE(firstPixel(set.image(1)), 100.0);
    }
};

QTEST_GUILESS_MAIN(tst_imgdatas)
#include "tst_imgdatas.moc"
