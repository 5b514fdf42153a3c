#include "imageio/imgdata.h"
#include "imageio/itexwriter.h"
#include "imgdispwpv.h"
#include "selectaimgfile.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <vector>

namespace
{

const QString Mint = QStringLiteral("background-color: rgb(211, 255, 241);");
const QString Pink = QStringLiteral("background-color: rgb(255, 192, 192);");

// A 3 x 2 image, row by row.
bool writeItex(const QString& name, const std::vector<double>& values)
{
    ItexWriter writer(name, 3, 2, SampleType::U16, 1, ItexWriter::standardComment(3, 2, 1.0));
    return writer.appendFrame(values.data()) && writer.commit();
}

bool writeBytes(const QString& name, const QByteArray& bytes)
{
    QFile file(name);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString pathStyle(SelectAImgFile& panel)
{
    return panel.findChild<QLineEdit*>("FilePath")->styleSheet();
}

QString expTimeText(SelectAImgFile& panel)
{
    return panel.findChild<QLineEdit*>("ExpTimeLE")->text();
}

QString readOut(SelectAImgFile& panel)
{
    return panel.display()->pvForm.Val->text();
}

int grey(const QImage& image, int x, int y)
{
    return qGray(image.pixel(x, y));
}

} // namespace

class tst_selectaimgfile : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_image;

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_image = m_dir.filePath(QStringLiteral("image.img"));
        QVERIFY(writeItex(m_image, {10, 20, 30, 40, 50, 60}));
    }

    void formOfThePanel()
    {
        SelectAImgFile panel;
        QCOMPARE(panel.mode(), int(SelectAFile::OpenFile));
        QCOMPARE(panel.findChild<QLabel*>("ExpTimeLBL1")->text(), QStringLiteral("Exp Time"));
        QCOMPARE(panel.findChild<QLabel*>("ExpTimeLBL2")->text(), QStringLiteral("[s]"));
        QCOMPARE(expTimeText(panel), QStringLiteral("0.05"));
        QCOMPARE(panel.expTime(), 0.05);
        QVERIFY(!panel.currentImage());
        QCOMPARE(panel.imageSlot(), &panel.currentImage());
        // The display is a window of its own that is deleted with the panel.
        QVERIFY(panel.display()->isWindow());
        QCOMPARE(panel.display()->parent(), &panel);
        QVERIFY(!panel.display()->isVisible());
    }

    void loadingShowsTheImage()
    {
        SelectAImgFile panel;
        QSignalSpy selected(&panel, &SelectAFile::fileSelected);

        panel.fileSelected0(m_image);

        QCOMPARE(selected.count(), 1);
        QCOMPARE(panel.path(), m_image);
        QCOMPARE(panel.name(), QStringLiteral("image"));
        const std::shared_ptr<ImgData>& img = panel.currentImage();
        QVERIFY(img);
        QVERIFY(img->valid);
        QCOMPARE(img->fileName, m_image);
        QCOMPARE(img->width, 3);
        QCOMPARE(img->height, 2);
        QCOMPARE(*panel.imageSlot(), img);
        QCOMPARE(pathStyle(panel), Mint);

        ImgDispWPV* disp = panel.display();
        QVERIFY(disp->isVisible());
        QCOMPARE(disp->windowTitle(), m_image);
        QCOMPARE(disp->image.size(), QSize(3, 2));
        QCOMPARE(disp->barForm.CBar->minV, 10.0);
        QCOMPARE(disp->barForm.CBar->maxV, 60.0);
        // (v - 10) / 50 * 256, truncated and clamped to 255.
        QCOMPARE(grey(disp->image, 0, 0), 0);
        QCOMPARE(grey(disp->image, 1, 0), 51);
        QCOMPARE(grey(disp->image, 0, 1), 153);
        QCOMPARE(grey(disp->image, 2, 1), 255);
    }

    void pixelReadOut_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("value");
        QTest::newRow("first pixel") << 0.0 << 0.0 << "10";
        QTest::newRow("second row") << 1.0 << 1.0 << "50";
        QTest::newRow("fractions truncate") << 2.9 << 0.7 << "30";
        QTest::newRow("last pixel") << 2.0 << 1.0 << "60";
        QTest::newRow("right of the image") << 3.0 << 0.0 << "0";
        QTest::newRow("below the image") << 0.0 << 2.0 << "0";
        QTest::newRow("left of the image") << -1.0 << 0.0 << "0";
        QTest::newRow("above the image") << 1.0 << -1.5 << "0";
        QTest::newRow("far outside") << 1e12 << -1e12 << "0";
        QTest::newRow("no number") << qQNaN() << 0.0 << "0";
    }

    void pixelReadOut()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QString, value);
        SelectAImgFile panel;
        panel.fileSelected0(m_image);
        panel.display()->setVal(-7);

        emit panel.display()->newPosInvY(x, y);

        QCOMPARE(readOut(panel), value);
    }

    void readOutFollowsThePointerPosition()
    {
        SelectAImgFile panel;
        panel.fileSelected0(m_image);
        panel.display()->noticedNewPos(2, 1);
        QCOMPARE(readOut(panel), QStringLiteral("60"));
    }

    void noImageReadsZero()
    {
        SelectAImgFile panel;
        panel.display()->setVal(-7);
        emit panel.display()->newPosInvY(0, 0);
        QCOMPARE(readOut(panel), QStringLiteral("0"));

        panel.fileSelected0(m_image);
        emit panel.display()->newPosInvY(0, 0);
        QCOMPARE(readOut(panel), QStringLiteral("10"));
        QTest::mouseClick(panel.findChild<QPushButton*>("Clear"), Qt::LeftButton);
        emit panel.display()->newPosInvY(0, 0);
        QCOMPARE(readOut(panel), QStringLiteral("0"));
    }

    void barChangeKeepsTheUsersRange()
    {
        const QString name = m_dir.filePath(QStringLiteral("ramp.img"));
        QVERIFY(writeItex(name, {0, 1, 2, 3, 4, 5}));
        SelectAImgFile panel;
        panel.fileSelected0(name);
        ImgDispWPV* disp = panel.display();
        QCOMPARE(grey(disp->image, 2, 0), 102);
        QLineEdit* minEdit = disp->barForm.CBar->ui.CMinLE;

        minEdit->setText(QStringLiteral("2"));
        QTest::keyClick(minEdit, Qt::Key_Return);

        QCOMPARE(disp->barForm.CBar->minV, 2.0);
        QCOMPARE(disp->barForm.CBar->maxV, 5.0);
        // (v - 2) / 3 * 256, truncated and clamped.
        QCOMPARE(grey(disp->image, 0, 0), 0);
        QCOMPARE(grey(disp->image, 2, 0), 0);
        QCOMPARE(grey(disp->image, 0, 1), 85);
        QCOMPARE(grey(disp->image, 1, 1), 170);
        QCOMPARE(grey(disp->image, 2, 1), 255);
    }

    void barChangeWithoutImageDrawsNothing()
    {
        SelectAImgFile panel;
        emit panel.display()->barForm.CBar->newBar();
        QVERIFY(panel.display()->image.isNull());
    }

    void unreadableFileKeepsTheEarlierImage_data()
    {
        QTest::addColumn<QString>("fileName");
        QTest::addColumn<bool>("exists");
        QTest::addColumn<QByteArray>("bytes");
        const QString whole = m_dir.filePath(QStringLiteral("whole.img"));
        QVERIFY(writeItex(whole, {1, 2, 3, 4, 5, 6}));
        QFile wholeFile(whole);
        QVERIFY(wholeFile.open(QIODevice::ReadOnly));
        const QByteArray itex = wholeFile.readAll();

        QTest::newRow("garbage bytes")
            << "garbage.img" << true << QByteArray("no image here, only text");
        QTest::newRow("missing file") << "missing.img" << false << QByteArray();
        QTest::newRow("truncated ITEX") << "truncated.img" << true << itex.chopped(3);
        QTest::newRow("TIFF-marked garbage")
            << "garbage.tif" << true << QByteArray("II*\0garbage after a TIFF mark", 29);
    }

    void unreadableFileKeepsTheEarlierImage()
    {
        QFETCH(QString, fileName);
        QFETCH(bool, exists);
        QFETCH(QByteArray, bytes);
        const QString bad = m_dir.filePath(fileName);
        if (exists)
            QVERIFY(writeBytes(bad, bytes));

        SelectAImgFile panel;
        panel.fileSelected0(bad);
        QVERIFY(!panel.currentImage());
        QCOMPARE(pathStyle(panel), Pink);

        panel.fileSelected0(m_image);
        const std::shared_ptr<ImgData> earlier = panel.currentImage();
        QVERIFY(earlier);
        const QImage shown = panel.display()->image;

        panel.fileSelected0(bad);

        QCOMPARE(panel.path(), bad);
        QCOMPARE(pathStyle(panel), Pink);
        QCOMPARE(panel.currentImage(), earlier);
        QVERIFY(earlier->valid);
        QCOMPARE(panel.display()->image, shown);
        QCOMPARE(panel.display()->windowTitle(), m_image);
    }

    void clearDropsTheImageAndRestoresTheExposureTime_data()
    {
        QTest::addColumn<bool>("byButton");
        QTest::newRow("Clear button") << true;
        QTest::newRow("clear slot") << false;
    }

    void clearDropsTheImageAndRestoresTheExposureTime()
    {
        QFETCH(bool, byButton);
        SelectAImgFile panel;
        panel.fileSelected0(m_image);
        panel.setExpTime(0.123456789);
        QCOMPARE(expTimeText(panel), QStringLiteral("0.123457"));
        QCOMPARE(panel.expTime(), 0.123457);

        if (byButton)
            QTest::mouseClick(panel.findChild<QPushButton*>("Clear"), Qt::LeftButton);
        else
            panel.clear();

        QVERIFY(!panel.currentImage());
        QVERIFY(!*panel.imageSlot());
        QVERIFY(panel.display()->image.isNull());
        QCOMPARE(expTimeText(panel), QStringLiteral("0.05"));
        QCOMPARE(panel.expTime(), 0.05);
        QCOMPARE(panel.path(), byButton ? QString() : m_image);
    }

    void exposureTimeThatIsNoNumberReadsZero()
    {
        SelectAImgFile panel;
        panel.findChild<QLineEdit*>("ExpTimeLE")->setText(QStringLiteral("abc"));
        QCOMPARE(panel.expTime(), 0.0);
    }

    void readerKeepsItsImageWhenANewOneIsLoaded()
    {
        const QString second = m_dir.filePath(QStringLiteral("second.img"));
        QVERIFY(writeItex(second, {7, 8, 9, 10, 11, 12}));
        SelectAImgFile panel;
        panel.fileSelected0(m_image);
        const std::shared_ptr<ImgData> held = panel.currentImage();

        panel.fileSelected0(second);

        QVERIFY(panel.currentImage() != held);
        QCOMPARE(*panel.imageSlot(), panel.currentImage());
        QCOMPARE(panel.currentImage()->fileName, second);
        QVERIFY(held->valid);
        QCOMPARE(held->fileName, m_image);
        std::vector<double> row(3);
        const double* values = held->row(1, row.data());
        QCOMPARE(values[0], 40.0);
        QCOMPARE(values[2], 60.0);
    }
};

QTEST_MAIN(tst_selectaimgfile)
#include "tst_selectaimgfile.moc"
