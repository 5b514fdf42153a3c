#include "../display/mouseevents.h"
#include "imageio/imgdatas.h"
#include "imageio/itexwriter.h"
#include "imgdispwpv.h"
#include "phantom/phantomwriter.h"
#include "procctrl.h"
#include "sinogram.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

using namespace MouseEvents;

namespace
{

// The test images: 9 x 8 pixels, 6 frames; pixel (c, r) of frame k is 1000 r + 100 k + 10 c,
// so a value names its image and position.
constexpr int Width = 9;
constexpr int Height = 8;
constexpr int Frames = 6;

double pixel(int k, int r, int c)
{
    return 1000.0 * r + 100.0 * k + 10.0 * c;
}

template <typename T> T* child(const QObject& parent, const QString& name)
{
    T* w = parent.findChild<T*>(name);
    if (!w)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return w;
}

// Replaces the text as a user would and finishes the edit with Return.
void typeInto(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

// The level of a value on a fixed bar from 1900 to 2700 with the full window.
int fixedLevel(double v)
{
    return std::clamp(int(std::trunc((v - 1900.0) / 800.0 * 256.0)), 0, 255);
}

// A panel on the test images: rows of slice 2 about CoR 4, half a turn in all six images.
// The drawing area is 359 x 239, so while the 18 x 12 picture is in view one picture pixel is
// 20 screen pixels (W = 360, H = 240).
struct Rig {
    ProcCtrl proc;
    Sinogram panel;

    explicit Rig(ImgDatas& set)
    {
        panel.setImgDatas(&set);
        panel.setProcCtrl(&proc);
        disp()->form.dispB->setFixedSize(359, 239);
        proc.setDataSetImages(set.count());
        proc.setDataSetRangeDeg(180);
        proc.setRotAxIsV(true);
        proc.setSliceNo(2);
        proc.setCor(4);
        disp()->resetScale();
    }

    ImgDispWPV* disp() const { return child<ImgDispWPV>(panel, "DispSinogram"); }
    QWidget* screen() const { return disp()->form.dispB; }
    QLineEdit* edit(const QString& name) const { return child<QLineEdit>(panel, name); }
    QCheckBox* box(const QString& name) const { return child<QCheckBox>(panel, name); }
    const QImage& picture() const { return disp()->image; }
    int level(int row, int column) const { return picture().constScanLine(row)[column]; }

    void show()
    {
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
    }

    void fixBar(double lo, double hi)
    {
        box("CFix")->setChecked(true);
        typeInto(edit("CMinLE"), QString::number(lo));
        typeInto(edit("CMaxLE"), QString::number(hi));
    }
};

} // namespace

class tst_sinogram : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    ImgDatas m_set;
    ImgDatas m_phantom;
    // The phantom's slots point here.
    std::shared_ptr<ImgData> m_phantomI0;
    std::shared_ptr<ImgData> m_phantomBG;

private slots:
    void initTestCase()
    {
        const QString path = m_dir.filePath("numbered.itex");
        ItexWriter writer(path, Width, Height, SampleType::U16, Frames,
                          ItexWriter::standardComment(Width, Height, 1));
        for (int k = 0; k < Frames; ++k) {
            std::vector<double> px(size_t(Width * Height));
            for (int r = 0; r < Height; ++r)
                for (int c = 0; c < Width; ++c)
                    px[size_t(r * Width + c)] = pixel(k, r, c);
            QVERIFY(writer.appendFrame(px.data()));
        }
        QVERIFY(writer.commit());
        for (int k = 0; k < Frames; ++k)
            QVERIFY(m_set.add(path, k));

        PhantomWriter::Settings s;
        s.outDir = m_dir.filePath("phantom");
        s.width = 64;
        s.height = 8;
        s.projections = 180;
        s.cor = 33;
        s.truth = false;
        QString error;
        QVERIFY2(PhantomWriter(s).write(&error), qPrintable(error));
        const QString his = QDir(s.outDir).filePath("phantom.his");
        for (int k = 0; k < s.projections; ++k)
            QVERIFY(m_phantom.add(his, k));
    }

    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void layout()
    {
        Sinogram panel;
        QCOMPARE(panel.windowTitle(), QString("Sinogram"));
        QCOMPARE(child<QLineEdit>(panel, "Cor")->text(), QString("1000"));
        QVERIFY(child<QLineEdit>(panel, "Cor")->alignment() & Qt::AlignRight);
        QCOMPARE(child<QLineEdit>(panel, "GuessParam")->text(), QString("0.35"));
        QCOMPARE(child<QLineEdit>(panel, "ImageOffsetY")->text(), QString("0"));
        QCOMPARE(child<QCheckBox>(panel, "AlterStack")->text(), QString("Alter. Stack"));
        QCOMPARE(child<QCheckBox>(panel, "MoveYWMouse")->text(), QString("Move Y w. Mouse"));
        QCOMPARE(child<QPushButton>(panel, "GuessCor")->text(), QString("Guess CoR"));
        QCOMPARE(child<QLabel>(panel, "label")->text(), QString("CoR"));
        QCOMPARE(child<QLabel>(panel, "label_2")->text(), QString("Y Offset"));
        QVERIFY(!child<ImgDispWPV>(panel, "DispSinogram")->mouseEnabled);
        QCOMPARE(panel.rawMin(), std::numeric_limits<double>::max());
        QCOMPARE(panel.rawMax(), std::numeric_limits<double>::lowest());
        QVERIFY(!panel.record().hasData());
    }

    // Each change reported by the processing panel rebuilds the record.
    void followsTheProcessingPanel()
    {
        Rig rig(m_set);
        const HSgm& sgm = rig.panel.record();
        QCOMPARE(sgm.slice, 2);
        QCOMPARE(sgm.width, 7);
        QCOMPARE(sgm.rows, 6);
        QCOMPARE(sgm.rawRow(0)[0], pixel(0, 2, 1));
        QCOMPARE(sgm.rawRow(5)[6], pixel(5, 2, 7));
        QCOMPARE(rig.edit("Cor")->text(), QString("4"));

        rig.proc.setCor(3.5);
        QCOMPARE(sgm.width, 5);
        QCOMPARE(sgm.rawRow(0)[0], pixel(0, 2, 1) + 5);
        QCOMPARE(rig.edit("Cor")->text(), QString("3.5"));

        rig.proc.setSliceNo(5);
        QCOMPARE(sgm.slice, 5);
        QCOMPARE(sgm.rawRow(0)[0], pixel(0, 5, 1) + 5);

        // Columns of 8: samples at rows 1.5 ... 5.5 of column 5.
        rig.proc.setRotAxIsV(false);
        QCOMPARE(sgm.width, 5);
        QCOMPARE(sgm.rawRow(0)[0], pixel(0, 1, 5) + 500);

        rig.proc.setDataSetUsingImages(3);
        rig.proc.setDataSetStartImageNo(1);
        rig.proc.setUsePartialDataSet(true);
        QCOMPARE(sgm.rows, 3);
        QCOMPARE(sgm.rawRow(0)[0], pixel(1, 1, 5) + 500);
    }

    void corOutsideTheLineKeepsTheRecord()
    {
        Rig rig(m_set);
        const HSgm before = rig.panel.record();
        rig.proc.setCor(8.5);
        QCOMPARE(rig.proc.cor(), 8.5);
        QCOMPARE(rig.edit("Cor")->text(), QString("8.5"));
        QCOMPARE(rig.panel.record().width, before.width);
        QVERIFY(rig.panel.record().raw == before.raw);
        rig.proc.setCor(0.5);
        QVERIFY(rig.panel.record().raw == before.raw);
    }

    void pictureSize_data()
    {
        QTest::addColumn<double>("range");
        QTest::addColumn<bool>("rotAxIsV");
        QTest::addColumn<QSize>("size");
        QTest::newRow("half turn, rows") << 180.0 << true << QSize(18, 12);
        QTest::newRow("full turn") << 360.0 << true << QSize(18, 6);
        QTest::newRow("quarter turn: images repeat") << 90.0 << true << QSize(18, 24);
        QTest::newRow("columns") << 180.0 << false << QSize(16, 12);
    }

    void pictureSize()
    {
        QFETCH(double, range);
        QFETCH(bool, rotAxIsV);
        QFETCH(QSize, size);
        Rig rig(m_set);
        rig.proc.setRotAxIsV(rotAxIsV);
        typeInto(child<QLineEdit>(rig.proc, "DataSetRangeDeg"), QString::number(range));
        QCOMPARE(rig.picture().size(), size);
        QCOMPARE(rig.picture().format(), QImage::Format_Grayscale8);
        QCOMPARE(rig.disp()->view, QRectF(QPointF(0, 0), QSizeF(size)));
    }

    // Direct row m, column i shows image m's line at cr - 9 + i; the mirrored row shows it at
    // column 17 - i. The bar is fixed at 1900 ... 2700.
    void pictureRows_data()
    {
        QTest::addColumn<bool>("alternate");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("partialStart");
        QTest::addColumn<double>("cor");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("column");
        QTest::addColumn<double>("value");
        QTest::newRow("direct") << false << 0 << -1 << 4.0 << 2 << 7 << pixel(2, 2, 2);
        QTest::newRow("mirrored") << false << 0 << -1 << 4.0 << 8 << 10 << pixel(2, 2, 2);
        QTest::newRow("first sample") << false << 0 << -1 << 4.0 << 3 << 5 << pixel(3, 2, 0);
        QTest::newRow("left of the line") << false << 0 << -1 << 4.0 << 0 << 3 << 0.0;
        QTest::newRow("last sample") << false << 0 << -1 << 4.0 << 5 << 13 << pixel(5, 2, 8);
        QTest::newRow("mirrored last") << false << 0 << -1 << 4.0 << 11 << 4 << pixel(5, 2, 8);
        QTest::newRow("right of the line") << false << 0 << -1 << 4.0 << 1 << 15 << 0.0;
        QTest::newRow("alternate direct") << true << 0 << -1 << 4.0 << 4 << 7 << pixel(2, 2, 2);
        QTest::newRow("alternate mirrored") << true << 0 << -1 << 4.0 << 7 << 10 << pixel(2, 2, 2);
        QTest::newRow("alternate mirrored last")
            << true << 0 << -1 << 4.0 << 1 << 4 << pixel(5, 2, 8);
        QTest::newRow("alternate first mirrored")
            << true << 0 << -1 << 4.0 << 11 << 12 << pixel(0, 2, 0);
        QTest::newRow("half-sample CoR")
            << false << 0 << -1 << 4.5 << 1 << 7 << (pixel(1, 2, 2) + pixel(1, 2, 3)) / 2;
        QTest::newRow("negative offset") << false << -1 << -1 << 4.0 << 0 << 7 << pixel(5, 2, 2);
        QTest::newRow("offset past the turn")
            << false << 7 << -1 << 4.0 << 0 << 7 << pixel(1, 2, 2);
        QTest::newRow("negative offset, mirrored")
            << false << -8 << -1 << 4.0 << 6 << 10 << pixel(4, 2, 2);
        QTest::newRow("partial start") << false << 0 << 2 << 4.0 << 0 << 7 << pixel(2, 2, 2);
        QTest::newRow("partial start wraps") << false << 0 << 2 << 4.0 << 5 << 7 << pixel(1, 2, 2);
    }

    void pictureRows()
    {
        QFETCH(bool, alternate);
        QFETCH(int, offset);
        QFETCH(int, partialStart);
        QFETCH(double, cor);
        QFETCH(int, row);
        QFETCH(int, column);
        QFETCH(double, value);
        Rig rig(m_set);
        rig.fixBar(1900, 2700);
        if (partialStart >= 0) {
            rig.proc.setDataSetUsingImages(Frames);
            rig.proc.setDataSetStartImageNo(partialStart);
            rig.proc.setUsePartialDataSet(true);
        }
        rig.proc.setCor(cor);
        typeInto(rig.edit("ImageOffsetY"), QString::number(offset));
        if (alternate)
            QTest::mouseClick(rig.box("AlterStack"), Qt::LeftButton);
        QCOMPARE(rig.picture().size(), QSize(18, 12));
        QCOMPARE(rig.level(row, column), fixedLevel(value));
    }

    void unfixedBarTakesTheRecordRange()
    {
        Rig rig(m_set);
        const std::vector<double>& raw = rig.panel.record().raw;
        const auto [lo, hi] = std::minmax_element(raw.begin(), raw.end());
        QCOMPARE(*lo, pixel(0, 2, 1));
        QCOMPARE(*hi, pixel(5, 2, 7));
        QCOMPARE(rig.panel.rawMin(), *lo);
        QCOMPARE(rig.panel.rawMax(), *hi);
        const ColorBar* bar = rig.disp()->barForm.CBar;
        QCOMPARE(bar->minV, *lo);
        QCOMPARE(bar->maxV, *hi);
        // (2220 - 2010) / 560 of 256 levels.
        QCOMPARE(rig.level(2, 7), 96);
        QCOMPARE(rig.level(0, 5), 0);
        QCOMPARE(rig.level(5, 13), 255);
    }

    void fixedBarKeepsItsRange()
    {
        Rig rig(m_set);
        rig.fixBar(1900, 2700);
        QCOMPARE(rig.level(2, 7), fixedLevel(pixel(2, 2, 2)));
        rig.proc.setCor(3.5);
        QCOMPARE(rig.panel.rawMin(), pixel(0, 2, 1) + 5);
        const ColorBar* bar = rig.disp()->barForm.CBar;
        QCOMPARE(bar->minV, 1900.0);
        QCOMPARE(bar->maxV, 2700.0);
        // Column 7 now shows position 1.5.
        QCOMPARE(rig.level(2, 7), fixedLevel(pixel(2, 2, 1) + 5));
    }

    void noPictureWithoutImages()
    {
        ImgDatas empty;
        Rig rig(empty);
        QVERIFY(rig.picture().isNull());
        QVERIFY(!rig.panel.record().hasData());
        QTest::mouseClick(child<QPushButton>(rig.panel, "GuessCor"), Qt::LeftButton);
        QCOMPARE(rig.proc.cor(), 4.0);
    }

    // An unusable range or slice keeps the last picture even when the stacking changes.
    void guardsKeepThePicture_data()
    {
        QTest::addColumn<QString>("range");
        QTest::addColumn<int>("slice");
        QTest::newRow("zero range") << "0" << 2;
        QTest::newRow("range no number") << "x" << 2;
        QTest::newRow("range too small") << "0.001" << 2;
        QTest::newRow("negative range") << "-180" << 2;
        QTest::newRow("slice below the image") << "180" << 8;
        QTest::newRow("negative slice") << "180" << -1;
    }

    void guardsKeepThePicture()
    {
        QFETCH(QString, range);
        QFETCH(int, slice);
        Rig rig(m_set);
        const QImage before = rig.picture();
        typeInto(child<QLineEdit>(rig.proc, "DataSetRangeDeg"), range);
        rig.proc.setSliceNo(slice);
        QTest::mouseClick(rig.box("AlterStack"), Qt::LeftButton);
        QCOMPARE(rig.picture(), before);
    }

    void rangeChangeResetsTheView()
    {
        Rig rig(m_set);
        rig.disp()->view = QRectF(2, 2, 4, 4);
        typeInto(child<QLineEdit>(rig.proc, "DataSetRangeDeg"), "360");
        QCOMPARE(rig.disp()->view, QRectF(0, 0, 18, 6));
    }

    // Picture x = screen x / 20, y = screen y / 20; the upper half is y < 6.
    void dragMovesTheCor_data()
    {
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<Qt::MouseButton>("button");
        QTest::addColumn<Qt::KeyboardModifiers>("mods");
        QTest::addColumn<double>("cor");
        const Qt::KeyboardModifiers none = Qt::NoModifier;
        QTest::newRow("left, upper half")
            << QList<QPoint>{{200, 60}, {180, 60}} << Qt::LeftButton << none << 5.0;
        QTest::newRow("right, upper half")
            << QList<QPoint>{{100, 60}, {130, 60}} << Qt::LeftButton << none << 2.5;
        QTest::newRow("left, lower half")
            << QList<QPoint>{{200, 180}, {180, 180}} << Qt::LeftButton << none << 3.0;
        QTest::newRow("right, lower half")
            << QList<QPoint>{{100, 180}, {130, 180}} << Qt::LeftButton << none << 5.5;
        QTest::newRow("middle row is lower")
            << QList<QPoint>{{200, 120}, {180, 120}} << Qt::LeftButton << none << 3.0;
        QTest::newRow("steps add up")
            << QList<QPoint>{{200, 60}, {180, 60}, {170, 60}} << Qt::LeftButton << none << 5.5;
        QTest::newRow("shift") << QList<QPoint>{{200, 60}, {180, 60}} << Qt::LeftButton
                               << Qt::KeyboardModifiers(Qt::ShiftModifier) << 4.0;
        QTest::newRow("control") << QList<QPoint>{{200, 60}, {180, 60}} << Qt::LeftButton
                                 << Qt::KeyboardModifiers(Qt::ControlModifier) << 4.0;
        QTest::newRow("right button")
            << QList<QPoint>{{200, 60}, {180, 60}} << Qt::RightButton << none << 4.0;
    }

    void dragMovesTheCor()
    {
        QFETCH(QList<QPoint>, path);
        QFETCH(Qt::MouseButton, button);
        QFETCH(Qt::KeyboardModifiers, mods);
        QFETCH(double, cor);
        Rig rig(m_set);
        rig.show();
        rig.box("MoveYWMouse")->setChecked(true);
        QCOMPARE(rig.disp()->view, QRectF(0, 0, 18, 12));
        QWidget* w = rig.screen();
        moveTo(w, path.front(), mods);
        press(w, path.front(), button, mods);
        for (qsizetype k = 1; k < path.size(); ++k)
            moveTo(w, path[k], mods, button);
        release(w, path.back(), button, mods);
        QCOMPARE(rig.proc.cor(), cor);
        QCOMPARE(rig.edit("Cor")->text(), QString::number(cor));
        QCOMPARE(rig.edit("ImageOffsetY")->text(), QString("0"));
        // Panning stays off: the view did not follow the pointer.
        QCOMPARE(rig.disp()->view, QRectF(0, 0, 18, 12));
    }

    // v = (int)(previous y - current y + offset), negative values wrapped into 0 ... 5.
    void dragMovesTheOffset_data()
    {
        QTest::addColumn<int>("fromY");
        QTest::addColumn<int>("toY");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("follow");
        QTest::addColumn<int>("offset");
        QTest::newRow("up") << 100 << 40 << 0 << true << 3;
        QTest::newRow("down wraps") << 40 << 60 << 0 << true << 5;
        QTest::newRow("far down wraps") << 20 << 200 << 0 << true << 3;
        QTest::newRow("truncated toward zero") << 40 << 50 << 0 << true << 0;
        QTest::newRow("from an offset") << 100 << 90 << 2 << true << 2;
        QTest::newRow("from an offset, up") << 100 << 60 << 2 << true << 4;
        QTest::newRow("beyond the turn stays") << 220 << 20 << 0 << true << 10;
        QTest::newRow("not following") << 100 << 40 << 0 << false << 0;
    }

    void dragMovesTheOffset()
    {
        QFETCH(int, fromY);
        QFETCH(int, toY);
        QFETCH(int, start);
        QFETCH(bool, follow);
        QFETCH(int, offset);
        Rig rig(m_set);
        rig.show();
        rig.fixBar(1900, 2700);
        typeInto(rig.edit("ImageOffsetY"), QString::number(start));
        rig.box("MoveYWMouse")->setChecked(follow);
        QSignalSpy corUpdated(&rig.proc, &ProcCtrl::corUpdated);
        drag(rig.screen(), {200, fromY}, {200, toY}, Qt::LeftButton);
        QCOMPARE(rig.edit("ImageOffsetY")->text(), QString::number(offset));
        QCOMPARE(corUpdated.count(), 0);
        // The picture follows the offset: row 0 is image offset mod 6, column 7 its sample 2.
        QCOMPARE(rig.level(0, 7), fixedLevel(pixel(offset % Frames, 2, 2)));
    }

    void dragOverALowerRowMovesTheOffsetToo()
    {
        Rig rig(m_set);
        rig.show();
        rig.box("MoveYWMouse")->setChecked(true);
        drag(rig.screen(), {200, 200}, {180, 160}, Qt::LeftButton);
        QCOMPARE(rig.proc.cor(), 3.0);
        QCOMPARE(rig.edit("ImageOffsetY")->text(), QString("2"));
    }

    // raw[row mod rows][column] of the record; width 7, rows 6.
    void readOut_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<double>("y");
        QTest::addColumn<QString>("value");
        QTest::newRow("direct half") << 2.0 << 3.0 << QString::number(pixel(3, 2, 3));
        QTest::newRow("mirrored half") << 2.0 << 9.0 << QString::number(pixel(3, 2, 3));
        QTest::newRow("last row") << 0.0 << 11.0 << QString::number(pixel(5, 2, 1));
        QTest::newRow("last column") << 6.0 << 0.0 << QString::number(pixel(0, 2, 7));
        QTest::newRow("fractions truncated") << 2.7 << 3.9 << QString::number(pixel(3, 2, 3));
        QTest::newRow("past the width") << 7.0 << 0.0 << QString("-");
        QTest::newRow("past the rows") << 0.0 << 12.0 << QString("-");
        QTest::newRow("negative column") << -1.0 << 2.0 << QString("-");
        QTest::newRow("negative row") << 1.0 << -3.0 << QString("-");
    }

    void readOut()
    {
        QFETCH(double, x);
        QFETCH(double, y);
        QFETCH(QString, value);
        Rig rig(m_set);
        QLineEdit* val = child<QLineEdit>(*rig.disp(), "Val");
        val->setText("-");
        rig.panel.newPos(x, y);
        QCOMPARE(val->text(), value);
    }

    void readOutFollowsThePointer()
    {
        Rig rig(m_set);
        rig.show();
        QLineEdit* val = child<QLineEdit>(*rig.disp(), "Val");
        moveTo(rig.screen(), {50, 70});
        QCOMPARE(child<QLineEdit>(*rig.disp(), "PosX")->text(), QString("2"));
        QCOMPARE(child<QLineEdit>(*rig.disp(), "PosY")->text(), QString("3"));
        QCOMPARE(val->text(), QString::number(pixel(3, 2, 3)));
        // Sweeping the pointer alone changes nothing.
        QCOMPARE(rig.proc.cor(), 4.0);
    }

    void corEdit()
    {
        Rig rig(m_set);
        QSignalSpy corUpdated(&rig.proc, &ProcCtrl::corUpdated);
        typeInto(rig.edit("Cor"), "5.5");
        QCOMPARE(rig.proc.cor(), 5.5);
        QCOMPARE(corUpdated.count(), 1);
        QCOMPARE(child<QLineEdit>(rig.proc, "Cor")->text(), QString("5.5"));
        QCOMPARE(rig.panel.record().width, 3);
    }

    // Projections mirrored about the axis at pixel 33 score best at 33.5 (see tst_corguess).
    void guessButton()
    {
        Rig rig(m_phantom);
        rig.proc.setDataSetImages(m_phantom.count());
        rig.proc.setSliceNo(4);
        rig.proc.setCor(30);
        typeInto(rig.edit("GuessParam"), "0.44");
        QSignalSpy corUpdated(&rig.proc, &ProcCtrl::corUpdated);
        QTest::mouseClick(child<QPushButton>(rig.panel, "GuessCor"), Qt::LeftButton);
        QCOMPARE(corUpdated.count(), 1);
        QVERIFY2(std::abs(rig.proc.cor() - 33.5) <= 0.3,
                 qPrintable(QString::number(rig.proc.cor())));
        QCOMPARE(rig.edit("Cor")->text(), QString::number(rig.proc.cor(), 'g', 6));
        QCOMPARE(rig.panel.record().width, 2 * 29 - 1);
    }

    // The phantom's axis is at 33 (its files' convention, which the reconstruction shares);
    // without an open beam nothing is zero outside the object and no axis is found.
    void findButton()
    {
        const auto load = [this](const char* name) {
            std::shared_ptr<ImgData> img = ImgData::createImgData(ImgData::Itex);
            img->fileName = m_dir.filePath(QStringLiteral("phantom/") + name);
            img->valid = img->load(0);
            return img;
        };
        m_phantom.setI0Slot(&m_phantomI0);
        m_phantom.setBGSlot(&m_phantomBG);
        m_phantomBG = load("BG.img");
        for (const bool open : {true, false}) {
            m_phantomI0 = open ? load("I0.img") : nullptr;
            Rig rig(m_phantom);
            rig.proc.setDataSetImages(m_phantom.count());
            rig.proc.setSliceNo(4);
            rig.proc.setCor(30);
            QTest::mouseClick(child<QPushButton>(rig.panel, "FindCor"), Qt::LeftButton);
            if (open)
                QVERIFY2(std::abs(rig.proc.cor() - 33) <= 0.1,
                         qPrintable(QString::number(rig.proc.cor())));
            else
                QCOMPARE(rig.proc.cor(), 30.0);
        }
        m_phantomBG = nullptr;
    }

    void guessButtonNeedsARange()
    {
        Rig rig(m_phantom);
        rig.proc.setSliceNo(4);
        rig.proc.setCor(30);
        typeInto(child<QLineEdit>(rig.proc, "DataSetRangeDeg"), "0");
        QSignalSpy corUpdated(&rig.proc, &ProcCtrl::corUpdated);
        QTest::mouseClick(child<QPushButton>(rig.panel, "GuessCor"), Qt::LeftButton);
        QCOMPARE(corUpdated.count(), 0);
        QCOMPARE(rig.proc.cor(), 30.0);
    }
};

QTEST_MAIN(tst_sinogram)
#include "tst_sinogram.moc"
