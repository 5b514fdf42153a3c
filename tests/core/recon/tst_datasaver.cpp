#include "recon/datasaver.h"

#include "testfile.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLoggingCategory>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>
#include <fcntl.h>
#include <memory>
#include <sys/resource.h>
#include <unistd.h>

namespace
{

// Every byte value, CR LF and NUL included, so any text-mode translation would show.
QByteArray allBytes()
{
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    return bytes + "\r\n\n\r" + QByteArray(3, '\0');
}

QImage greyPicture(int width, int height, int seed)
{
    QImage image(width, height, QImage::Format_Grayscale8);
    for (int y = 0; y < height; ++y) {
        uchar* line = image.scanLine(y);
        for (int x = 0; x < width; ++x)
            line[x] = uchar((x * 37 + y * 11 + seed) % 256);
    }
    return image;
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Everything in a directory, hidden files too, so a left-over temporary file shows.
QStringList listing(const QString& dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

QRegularExpression failureMessage(const QString& target)
{
    return QRegularExpression(QStringLiteral("^Can not write slice file .*") +
                              QRegularExpression::escape(target));
}

SavingData dataRecord(const QString& path, const QString& name, const QString& tag, int slice,
                      const QByteArray& bytes)
{
    return SavingData{path, name, tag, SliceFiles::number(slice), bytes};
}

SavingImg imgRecord(const QString& path, const QString& name, const QString& tag, int slice,
                    const QImage& image)
{
    return SavingImg{path, name, tag, SliceFiles::number(slice), image};
}

// Checks that the file is a PNG holding exactly the given 8-bit grey picture.
bool samePicture(const QString& path, const QImage& expected, QByteArray* why)
{
    if (!readAll(path).startsWith("\x89PNG\r\n\x1a\n")) {
        *why = "not a PNG: " + path.toLocal8Bit();
        return false;
    }
    const QImage read(path);
    if (read.size() != expected.size()) {
        *why = "size differs";
        return false;
    }
    const QImage grey = read.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < expected.height(); ++y) {
        for (int x = 0; x < expected.width(); ++x) {
            if (grey.constScanLine(y)[x] != expected.constScanLine(y)[x]) {
                *why = QByteArray("pixel differs at ") + QByteArray::number(x) + ',' +
                       QByteArray::number(y);
                return false;
            }
        }
    }
    return true;
}

// Lowers the file size limit for its lifetime, so a larger write fails part-way for any user.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit limit = m_old;
        limit.rlim_cur = bytes;
        m_active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_old);
        std::signal(SIGXFSZ, m_oldHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    void (*m_oldHandler)(int) = nullptr;
    bool m_active = false;
};

// No file can be opened while it lives: the lowest free descriptor becomes the limit, which
// binds root as well.
class NoDescriptorLeft
{
public:
    NoDescriptorLeft()
    {
        getrlimit(RLIMIT_NOFILE, &m_old);
        const int lowest = open("/dev/null", O_RDONLY | O_CLOEXEC);
        if (lowest < 0)
            return;
        close(lowest);
        rlimit limit = m_old;
        limit.rlim_cur = rlim_t(lowest);
        m_active = setrlimit(RLIMIT_NOFILE, &limit) == 0;
    }
    ~NoDescriptorLeft() { setrlimit(RLIMIT_NOFILE, &m_old); }
    NoDescriptorLeft(const NoDescriptorLeft&) = delete;
    NoDescriptorLeft& operator=(const NoDescriptorLeft&) = delete;
    bool active() const { return m_active; }

private:
    rlimit m_old{};
    bool m_active = false;
};

// Stops the worker thread however the test leaves.
class ThreadGuard
{
public:
    explicit ThreadGuard(QThread& thread) : m_thread(thread) {}
    ~ThreadGuard()
    {
        m_thread.quit();
        m_thread.wait();
    }
    ThreadGuard(const ThreadGuard&) = delete;
    ThreadGuard& operator=(const ThreadGuard&) = delete;

private:
    QThread& m_thread;
};

} // namespace

// Stands in for the reconstruction worker, which hands records over by queued signals.
class Producer : public QObject
{
    Q_OBJECT
signals:
    void options(bool useSubFolders, bool ofEnergy, bool ofSlice);
    void data(SavingData data);
    void img(SavingImg img);
    void floats(SavingFloats floats);
    void begin(SavingVolume volume);
    void add(SavingFloats floats);
    void end(QString path, QString name, QString tag);
};

class tst_datasaver : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void setOptions_data();
    void setOptions();
    void saveData_data();
    void saveData();
    void saveImg_data();
    void saveImg();
    void bothSubFoldersWriteTwice_data();
    void bothSubFoldersWriteTwice();
    void arrivalOrderOnThread();

    void impossibleTarget_data();
    void impossibleTarget();
    void oneOfTwoFoldersBlocked();
    void fileCannotBeOpened_data();
    void fileCannotBeOpened();
    void failedReplaceKeepsOldFile_data();
    void failedReplaceKeepsOldFile();

    void floatFiles_data();
    void floatFiles();
    void volumeFailures_data();
    void volumeFailures();
};

void tst_datasaver::initTestCase()
{
    // The failure message is a debug message; make sure it is not filtered away.
    QLoggingCategory::setFilterRules(QStringLiteral("cirvo.recon.debug=true"));
}

void tst_datasaver::init()
{
    QTest::failOnWarning(QRegularExpression(QStringLiteral(".*")));
}

void tst_datasaver::setOptions_data()
{
    QTest::addColumn<bool>("useSubFolders");
    QTest::addColumn<bool>("ofEnergy");
    QTest::addColumn<bool>("ofSlice");

    for (int bits = 0; bits < 8; ++bits) {
        const bool sub = bits & 1;
        const bool energy = bits & 2;
        const bool slice = bits & 4;
        QTest::addRow("sub %d energy %d slice %d", sub, energy, slice) << sub << energy << slice;
    }
}

void tst_datasaver::setOptions()
{
    QFETCH(bool, useSubFolders);
    QFETCH(bool, ofEnergy);
    QFETCH(bool, ofSlice);

    DataSaver saver;
    saver.options = {!useSubFolders, !ofEnergy, !ofSlice};
    saver.setOptions(useSubFolders, ofEnergy, ofSlice);
    QCOMPARE(saver.options.useSubFolders, useSubFolders);
    QCOMPARE(saver.options.ofEnergy, ofEnergy);
    QCOMPARE(saver.options.ofSlice, ofSlice);
}

// Rows shared by the data and picture tests: folder options, naming and the files expected,
// relative to the (not yet existing) output path.
static void addWriteRows(const char* ext)
{
    QTest::addColumn<bool>("discard");
    QTest::addColumn<bool>("useSubFolders");
    QTest::addColumn<bool>("ofEnergy");
    QTest::addColumn<bool>("ofSlice");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("slice");
    QTest::addColumn<QStringList>("expected");

    const QString e = QString::fromLatin1(ext);
    for (const bool discard : {false, true}) {
        const char* kind = discard ? "WDiscard" : "plain";
        QTest::addRow("%s, flat", kind) << discard << false << true << true << "sample"
                                        << "E01" << 12 << QStringList{"sample-E01-00012." + e};
        QTest::addRow("%s, empty name", kind) << discard << false << false << false << ""
                                              << "E01" << 12 << QStringList{"E01-00012." + e};
        QTest::addRow("%s, empty tag", kind) << discard << false << false << false << "sample"
                                             << "" << 12 << QStringList{"sample--00012." + e};
        QTest::addRow("%s, of energy", kind)
            << discard << true << true << false << "sample"
            << "E01" << 12 << QStringList{"E01/sample-E01-00012." + e};
        QTest::addRow("%s, of slice", kind)
            << discard << true << false << true << "sample"
            << "E01" << 3 << QStringList{"00003/sample-E01-00003." + e};
        QTest::addRow("%s, neither", kind)
            << discard << true << false << false << ""
            << "E02" << 123456 << QStringList{"123456/E02-123456." + e};
        QTest::addRow("%s, both", kind)
            << discard << true << true << true << "sample"
            << "E01" << 12
            << QStringList{"E01/sample-E01-00012." + e, "00012/sample-E01-00012." + e};
    }
}

void tst_datasaver::saveData_data()
{
    addWriteRows("dat");
}

void tst_datasaver::saveData()
{
    QFETCH(bool, discard);
    QFETCH(bool, useSubFolders);
    QFETCH(bool, ofEnergy);
    QFETCH(bool, ofSlice);
    QFETCH(QString, name);
    QFETCH(QString, tag);
    QFETCH(int, slice);
    QFETCH(QStringList, expected);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString out = tmp.path() + "/new/deeper";
    const QByteArray bytes = allBytes();

    DataSaver saver;
    saver.setOptions(useSubFolders, ofEnergy, ofSlice);
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    const SavingData record = dataRecord(out, name, tag, slice, bytes);
    if (discard)
        saver.saveDataWDiscard(record);
    else
        saver.saveData(record);

    QCOMPARE(failed.count(), 0);
    QCOMPARE(written.count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString path = out + '/' + expected.at(i);
        QCOMPARE(written.at(i).at(0).toString(), path);
        QCOMPARE(readAll(path), bytes);
    }
    // Nothing but the expected files (and their folders) was created.
    QStringList files;
    for (const QString& dir :
         {out, out + "/E01", out + "/E02", out + "/00003", out + "/00012", out + "/123456"}) {
        for (const QString& entry : listing(dir)) {
            if (!QFileInfo(dir + '/' + entry).isDir())
                files << QDir(out).relativeFilePath(dir + '/' + entry);
        }
    }
    files.sort();
    QStringList sortedExpected = expected;
    sortedExpected.sort();
    QCOMPARE(files, sortedExpected);
}

void tst_datasaver::saveImg_data()
{
    addWriteRows("png");
}

void tst_datasaver::saveImg()
{
    QFETCH(bool, discard);
    QFETCH(bool, useSubFolders);
    QFETCH(bool, ofEnergy);
    QFETCH(bool, ofSlice);
    QFETCH(QString, name);
    QFETCH(QString, tag);
    QFETCH(int, slice);
    QFETCH(QStringList, expected);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString out = tmp.path() + "/new/deeper";
    const QImage picture = greyPicture(7, 5, slice);

    DataSaver saver;
    saver.setOptions(useSubFolders, ofEnergy, ofSlice);
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    const SavingImg record = imgRecord(out, name, tag, slice, picture);
    if (discard)
        saver.saveImgWDiscard(record);
    else
        saver.saveImg(record);

    QCOMPARE(failed.count(), 0);
    QCOMPARE(written.count(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        const QString path = out + '/' + expected.at(i);
        QCOMPARE(written.at(i).at(0).toString(), path);
        QByteArray why;
        QVERIFY2(samePicture(path, picture, &why), why.constData());
    }
}

void tst_datasaver::bothSubFoldersWriteTwice_data()
{
    QTest::addColumn<bool>("picture");
    QTest::newRow("data") << false;
    QTest::newRow("picture") << true;
}

void tst_datasaver::bothSubFoldersWriteTwice()
{
    QFETCH(bool, picture);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    DataSaver saver;
    saver.setOptions(true, true, true);
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    if (picture)
        saver.saveImg(imgRecord(tmp.path(), "s", "E05", 40, greyPicture(9, 4, 1)));
    else
        saver.saveData(dataRecord(tmp.path(), "s", "E05", 40, allBytes()));

    const QString file = picture ? "s-E05-00040.png" : "s-E05-00040.dat";
    const QString first = tmp.path() + "/E05/" + file;
    const QString second = tmp.path() + "/00040/" + file;
    QCOMPARE(written.count(), 2);
    QCOMPARE(written.at(0).at(0).toString(), first);
    QCOMPARE(written.at(1).at(0).toString(), second);
    const QByteArray a = readAll(first);
    QVERIFY(!a.isEmpty());
    QCOMPARE(readAll(second), a);
    QCOMPARE(listing(tmp.path()), (QStringList{"00040", "E05"}));
}

// Records queued from the producer's thread are written in the order they were sent.
void tst_datasaver::arrivalOrderOnThread()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());

    QThread thread;
    auto saver = std::make_unique<DataSaver>();
    saver->moveToThread(&thread);
    Producer producer;
    connect(&producer, &Producer::options, saver.get(), &DataSaver::setOptions,
            Qt::QueuedConnection);
    connect(&producer, &Producer::data, saver.get(), &DataSaver::saveDataWDiscard,
            Qt::QueuedConnection);
    connect(&producer, &Producer::img, saver.get(), &DataSaver::saveImgWDiscard,
            Qt::QueuedConnection);
    // Read only after the thread has finished, so no locking is needed.
    QSignalSpy written(saver.get(), &DataSaver::fileWritten);
    QSignalSpy failed(saver.get(), &DataSaver::writeFailed);

    thread.start();
    ThreadGuard guard(thread);

    // Slices sent out of numeric order, data and pictures mixed; a picture and a data file of
    // the same slice share no name, so every record is its own file.
    const QList<int> slices = {5, 1, 4, 0, 3, 2, 9, 7};
    QStringList expected;
    QList<QByteArray> contents;
    emit producer.options(true, false, true);
    for (int i = 0; i < slices.size(); ++i) {
        const int s = slices.at(i);
        const QString number = SliceFiles::number(s);
        if (i % 2 == 0) {
            const QByteArray bytes = "record " + QByteArray::number(i) + '\n' + allBytes();
            emit producer.data(dataRecord(tmp.path(), "o", "T", s, bytes));
            expected << tmp.path() + '/' + number + "/o-T-" + number + ".dat";
            contents << bytes;
        } else {
            emit producer.img(imgRecord(tmp.path(), "o", "T", s, greyPicture(6, 6, i)));
            expected << tmp.path() + '/' + number + "/o-T-" + number + ".png";
            contents << QByteArray();
        }
    }
    // Runs after every record above, since queued calls to one object keep their order.
    QMetaObject::invokeMethod(
        saver.get(), [&thread] { thread.quit(); }, Qt::QueuedConnection);
    QVERIFY(thread.wait(QDeadlineTimer(120000)));

    QCOMPARE(failed.count(), 0);
    QStringList paths;
    for (const QList<QVariant>& args : written)
        paths << args.at(0).toString();
    QCOMPARE(paths, expected);
    for (int i = 0; i < expected.size(); ++i) {
        if (i % 2 == 0) {
            QCOMPARE(readAll(expected.at(i)), contents.at(i));
        } else {
            QByteArray why;
            QVERIFY2(samePicture(expected.at(i), greyPicture(6, 6, i), &why), why.constData());
        }
    }
}

// Targets no user can write: a folder that is a regular file, or a name taken by a folder.
void tst_datasaver::impossibleTarget_data()
{
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("parentIsFile");

    QTest::newRow("data, parent is a file") << false << true;
    QTest::newRow("picture, parent is a file") << true << true;
    QTest::newRow("data, name is a folder") << false << false;
    QTest::newRow("picture, name is a folder") << true << false;
}

void tst_datasaver::impossibleTarget()
{
    QFETCH(bool, picture);
    QFETCH(bool, parentIsFile);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString file = picture ? "s-E01-00012.png" : "s-E01-00012.dat";
    QString out;
    if (parentIsFile) {
        QVERIFY(writeFile(tmp.path() + "/plain", "not a folder"));
        out = tmp.path() + "/plain/sub";
    } else {
        out = tmp.path();
        QVERIFY(QDir(out).mkdir(file));
    }
    const QString target = out + '/' + file;
    const QStringList before = listing(tmp.path());

    DataSaver saver;
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    QTest::ignoreMessage(QtDebugMsg, failureMessage(target));
    if (picture)
        saver.saveImg(imgRecord(out, "s", "E01", 12, greyPicture(4, 4, 0)));
    else
        saver.saveData(dataRecord(out, "s", "E01", 12, allBytes()));

    QCOMPARE(written.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), target);
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QCOMPARE(listing(tmp.path()), before);
    if (parentIsFile) {
        QCOMPARE(readAll(tmp.path() + "/plain"), QByteArray("not a folder"));
    } else {
        QVERIFY(QFileInfo(target).isDir());
        QVERIFY(listing(target).isEmpty());
    }
}

// A failure in one sub-folder does not stop the copy in the other.
void tst_datasaver::oneOfTwoFoldersBlocked()
{
    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    QVERIFY(writeFile(tmp.path() + "/E01", "blocks the energy folder"));

    DataSaver saver;
    saver.setOptions(true, true, true);
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    const QString blocked = tmp.path() + "/E01/s-E01-00012.dat";
    const QString good = tmp.path() + "/00012/s-E01-00012.dat";
    QTest::ignoreMessage(QtDebugMsg, failureMessage(blocked));
    saver.saveData(dataRecord(tmp.path(), "s", "E01", 12, allBytes()));

    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), blocked);
    QCOMPARE(written.count(), 1);
    QCOMPARE(written.at(0).at(0).toString(), good);
    QCOMPARE(readAll(good), allBytes());
    QCOMPARE(readAll(tmp.path() + "/E01"), QByteArray("blocks the energy folder"));
    QCOMPARE(listing(tmp.path() + "/00012"), QStringList{"s-E01-00012.dat"});
}

// The file cannot be opened, as in a read-only folder: nothing is written, an old file stays as
// it was and no temporary file is left.
void tst_datasaver::fileCannotBeOpened_data()
{
    QTest::addColumn<bool>("picture");
    QTest::addColumn<bool>("existing");

    QTest::newRow("data, new file") << false << false;
    QTest::newRow("picture, new file") << true << false;
    QTest::newRow("data, replacing a file") << false << true;
    QTest::newRow("picture, replacing a file") << true << true;
}

void tst_datasaver::fileCannotBeOpened()
{
    QFETCH(bool, picture);
    QFETCH(bool, existing);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString target = tmp.path() + (picture ? "/s-E01-00012.png" : "/s-E01-00012.dat");
    const QByteArray old = "old content";
    if (existing)
        QVERIFY(writeFile(target, old));
    const QStringList before = listing(tmp.path());

    DataSaver saver;
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    QTest::ignoreMessage(QtDebugMsg, failureMessage(target));
    {
        NoDescriptorLeft limit;
        QVERIFY(limit.active());
        if (picture)
            saver.saveImg(imgRecord(tmp.path(), "s", "E01", 12, greyPicture(4, 4, 0)));
        else
            saver.saveData(dataRecord(tmp.path(), "s", "E01", 12, allBytes()));
    }

    QCOMPARE(written.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), target);
    QVERIFY(!failed.at(0).at(1).toString().isEmpty());
    QCOMPARE(listing(tmp.path()), before);
    if (existing)
        QCOMPARE(readAll(target), old);
}

// The write itself fails after the file was opened: the old file stays as it was and the
// temporary file is gone. Works for any user, root included.
void tst_datasaver::failedReplaceKeepsOldFile_data()
{
    QTest::addColumn<bool>("picture");
    QTest::newRow("data cut short by the file size limit") << false;
    QTest::newRow("picture that cannot be encoded") << true;
}

void tst_datasaver::failedReplaceKeepsOldFile()
{
    QFETCH(bool, picture);

    QTemporaryDir tmp;
    QVERIFY(tmp.isValid());
    const QString target = tmp.path() + (picture ? "/s-E01-00012.png" : "/s-E01-00012.dat");
    const QByteArray old = "old content";
    QVERIFY(writeFile(target, old));
    const QStringList before = listing(tmp.path());

    DataSaver saver;
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    QTest::ignoreMessage(QtDebugMsg, failureMessage(target));
    if (picture) {
        // A null picture makes the PNG writer fail.
        saver.saveImg(imgRecord(tmp.path(), "s", "E01", 12, QImage()));
    } else {
        const QByteArray big(1 << 20, 'x');
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        saver.saveData(dataRecord(tmp.path(), "s", "E01", 12, big));
    }

    QCOMPARE(written.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), target);
    QCOMPARE(readAll(target), old);
    QCOMPARE(listing(tmp.path()), before);
}

static SavingFloats floatsRecord(const QString& path, const QString& name, int slice)
{
    auto values = std::make_shared<SliceFloats>(SliceFloats{0, 0, 2, 1, {1, float(slice)}});
    return {path, name, "E01", SliceFiles::number(slice), slice, 12.5, 7112, values};
}

void tst_datasaver::floatFiles_data()
{
    QTest::addColumn<bool>("useSubFolders");
    QTest::addColumn<bool>("ofEnergy");
    QTest::addColumn<bool>("ofSlice");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("tiffStack");
    QTest::addColumn<bool>("hdf5");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("flat") << false << true << true << "s" << true << true
                          << QStringList{"s-E01-00012.tif", "s-E01.tif", "s-E01.h5"};
    QTest::newRow("of energy: the tag folder")
        << true << true << false << "s" << true << true
        << QStringList{"E01/s-E01-00012.tif", "E01/s-E01.tif", "E01/s-E01.h5"};
    QTest::newRow("of slice: a volume has no slice folder")
        << true << false << true << "s" << true << true
        << QStringList{"00012/s-E01-00012.tif", "s-E01.tif", "s-E01.h5"};
    QTest::newRow("both: slice file twice, volume once in the tag folder")
        << true << true << true << "s" << true << true
        << QStringList{"E01/s-E01-00012.tif", "00012/s-E01-00012.tif", "E01/s-E01.tif",
                       "E01/s-E01.h5"};
    QTest::newRow("stack only, empty name") << false << false << false << "" << true << false
                                            << QStringList{"E01-00012.tif", "E01.tif"};
    QTest::newRow("HDF5 only") << false << false << false << "s" << false << true
                               << QStringList{"s-E01-00012.tif", "s-E01.h5"};
}

// Queued from another thread; the volume's slices out of order and one short. Each file is
// reported once, the volumes at their end, and nothing else is left. Their content is checked
// with their writers.
void tst_datasaver::floatFiles()
{
    QFETCH(bool, useSubFolders);
    QFETCH(bool, ofEnergy);
    QFETCH(bool, ofSlice);
    QFETCH(QString, name);
    QFETCH(bool, tiffStack);
    QFETCH(bool, hdf5);
    QFETCH(QStringList, expected);

    QTemporaryDir tmp;
    const QString out = tmp.path();
    QThread thread;
    auto saver = std::make_unique<DataSaver>();
    saver->moveToThread(&thread);
    Producer producer;
    connect(&producer, &Producer::options, saver.get(), &DataSaver::setOptions);
    connect(&producer, &Producer::floats, saver.get(), &DataSaver::saveFloatsWDiscard);
    connect(&producer, &Producer::begin, saver.get(), &DataSaver::beginVolume);
    connect(&producer, &Producer::add, saver.get(), &DataSaver::addToVolume);
    connect(&producer, &Producer::end, saver.get(), &DataSaver::endVolume);
    QSignalSpy written(saver.get(), &DataSaver::fileWritten);
    QSignalSpy failed(saver.get(), &DataSaver::writeFailed);
    thread.start();
    ThreadGuard guard(thread);

    emit producer.options(useSubFolders, ofEnergy, ofSlice);
    emit producer.floats(floatsRecord(out, name, 12));
    emit producer.begin({out, name, "E01", {10, 11, 12, 13}, 12.5, {0, 90}, 7112, tiffStack, hdf5});
    for (int slice : {12, 10, 13})
        emit producer.add(floatsRecord(out, name, slice));
    emit producer.end(out, name, "E01");
    QMetaObject::invokeMethod(
        saver.get(), [&thread] { thread.quit(); }, Qt::QueuedConnection);
    QVERIFY(thread.wait(QDeadlineTimer(120000)));

    QCOMPARE(failed.count(), 0);
    QStringList paths;
    for (const QList<QVariant>& args : written)
        paths << QDir(out).relativeFilePath(args.at(0).toString());
    QCOMPARE(paths, expected);
    QStringList sorted = expected;
    sorted.sort();
    QCOMPARE(filesBelow(out), sorted);
    for (const QString& file : expected)
        QVERIFY(readAll(out + '/' + file)
                    .startsWith(file.endsWith(".h5") ? QByteArray("\x89HDF\r\n\x1a\n")
                                                     : QByteArray("II*\0", 4)));
}

void tst_datasaver::volumeFailures_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("directory is a file: reported at the start") << "parent is a file";
    QTest::newRow("disk full: reported at the slice") << "file size limit";
    QTest::newRow("no slice arrived: reported at the end") << "no slice";
}

// Each volume file that fails is reported once, and nothing of it is left.
void tst_datasaver::volumeFailures()
{
    QFETCH(QString, fault);

    QTemporaryDir tmp;
    QVERIFY(writeFile(tmp.path() + "/plain", "not a folder"));
    const QString out = fault == "parent is a file" ? tmp.path() + "/plain" : tmp.path();
    DataSaver saver;
    QSignalSpy written(&saver, &DataSaver::fileWritten);
    QSignalSpy failed(&saver, &DataSaver::writeFailed);
    const QStringList targets{out + "/s-E01.tif", out + "/s-E01.h5"};
    for (const QString& target : targets)
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("^Can not write volume file .*" +
                                                            QRegularExpression::escape(target)));
    saver.beginVolume({out, "s", "E01", {1, 2}, 0, {}, 7112, true, true});
    QCOMPARE(failed.count(), fault == "parent is a file" ? 2 : 0);
    if (fault == "file size limit") {
        auto big = std::make_shared<SliceFloats>(SliceFloats{0, 0, 100, 100, {}});
        big->values.resize(100 * 100);
        FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        saver.addToVolume({out, "s", "E01", "00001", 1, 0, 7112, big});
        QCOMPARE(failed.count(), 2);
    }
    saver.endVolume(out, "s", "E01");

    QCOMPARE(written.count(), 0);
    QCOMPARE(failed.count(), 2);
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(failed.at(i).at(0).toString(), targets.at(i));
        QVERIFY(!failed.at(i).at(1).toString().isEmpty());
    }
    QCOMPARE(listing(tmp.path()), QStringList{"plain"});
}

QTEST_GUILESS_MAIN(tst_datasaver)
#include "tst_datasaver.moc"
