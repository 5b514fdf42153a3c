#include "colorbar.h"
#include "imageio/imgdata.h"
#include "imageio/itexwriter.h"
#include "mouseevents.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace MouseEvents;

class tst_colorbar : public QObject
{
    Q_OBJECT

private:
    static std::unique_ptr<ImgData> image(const QString& name, std::vector<double> values)
    {
        ItexWriter w(name, 3, 2, SampleType::F32, 1, ItexWriter::standardComment(3, 2, 1));
        if (!w.appendFrame(values.data()) || !w.commit())
            qFatal("cannot write test image");
        auto img = ImgData::createImgData(ImgData::Itex);
        img->fileName = name;
        img->valid = img->load(0);
        return img;
    }

    // The bar at 20 x 200: a pointer at height y (from the top) stands for (200 - y) / 200.
    static void makeBar(ColorBar& bar)
    {
        bar.resize(20, 200);
        bar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&bar));
    }

private slots:
    void defaultsAndEditors()
    {
        ColorBar bar;
        QCOMPARE(bar.ui.CMinLE->text(), QString("0"));
        QCOMPARE(bar.ui.CMaxLE->text(), QString("1"));
        QVERIFY(!bar.isFixed());
        QCOMPARE(bar.ui.CFix->text(), QString("Fix"));

        QSignalSpy newBar(&bar, &ColorBar::newBar);
        bar.setMinV(-1.23456789);
        bar.setMaxV(1e7);
        QCOMPARE(bar.ui.CMinLE->text(), QString("-1.23457"));
        QCOMPARE(bar.ui.CMaxLE->text(), QString("1e+07"));
        QCOMPARE(newBar.count(), 0);

        bar.ui.CMinLE->setText("12.5");
        emit bar.ui.CMinLE->editingFinished();
        bar.ui.CMaxLE->setText("not a number");
        emit bar.ui.CMaxLE->editingFinished();
        QCOMPARE(bar.minV, 12.5);
        QCOMPARE(bar.maxV, 0.0);
        QCOMPARE(newBar.count(), 2);

        bar.setFixColorScale(true);
        QVERIFY(bar.ui.CFix->isChecked());
    }

    void greyLevelsFollowTheWindow()
    {
        ColorBar bar;
        bar.setMinV(0);
        bar.setMaxV(100);
        QCOMPARE(bar.greyLevel(50), 128);
        QCOMPARE(bar.greyLevel(99.9), 255);
        QCOMPARE(bar.greyLevel(-5), 0);
        QCOMPARE(bar.greyLevel(150), 255);
        bar.setMaxV(1);
        bar.barLow = 0.25;
        bar.barHigh = 0.75;
        QCOMPARE(bar.greyLevel(0.5), 128);
        QCOMPARE(bar.greyLevel(0.25), 0);
    }

    void toGreyImageAndTheFixRule()
    {
        QTemporaryDir dir;
        auto img = image(dir.filePath("a.img"), {0, 10, 20, 30, 40, 50});
        ColorBar bar;
        QImage picture;
        bar.toGreyImage(*img, picture);
        QCOMPARE(bar.ui.CMinLE->text(), QString("0"));
        QCOMPARE(bar.ui.CMaxLE->text(), QString("50"));
        QCOMPARE(picture.format(), QImage::Format_Grayscale8);
        QCOMPARE(picture.size(), QSize(3, 2));
        QCOMPARE(qGray(picture.pixel(2, 0)), 102); // 20 of 0..50
        QCOMPARE(qGray(picture.pixel(2, 1)), 255);

        bar.setFixColorScale(true);
        auto other = image(dir.filePath("b.img"), {100, 200, 300, 400, 500, 600});
        bar.toGreyImage(*other, picture);
        QCOMPARE(bar.ui.CMinLE->text(), QString("0"));
        QCOMPARE(bar.ui.CMaxLE->text(), QString("50"));
        QCOMPARE(qGray(picture.pixel(0, 0)), 255);

        auto invalid = ImgData::createImgData(ImgData::Itex);
        bar.toGreyImage(*invalid, picture);
        QCOMPARE(picture.size(), QSize(3, 2));
    }

    void dragTheNearerEnd()
    {
        ColorBar bar;
        makeBar(bar);
        bar.barLow = 0.2;
        bar.barHigh = 0.8;
        QSignalSpy newBar(&bar, &ColorBar::newBar);
        press(&bar, {10, 150}, Qt::LeftButton); // fraction 0.25: nearer the low end
        QVERIFY(bar.dragging);
        moveTo(&bar, {10, 170}, {}, Qt::LeftButton);
        QCOMPARE(bar.barLow, 0.15);
        QCOMPARE(bar.barHigh, 0.8);
        QCOMPARE(newBar.count(), 1);
        moveTo(&bar, {10, 10}, {}, Qt::LeftButton); // the ends may cross
        QCOMPARE(bar.barLow, 0.95);
        release(&bar, {10, 10}, Qt::LeftButton);
        QVERIFY(!bar.dragging);
        moveTo(&bar, {10, 100});
        QCOMPARE(bar.barLow, 0.95);
        QCOMPARE(newBar.count(), 2);

        bar.barLow = 0.2;
        bar.barHigh = 0.8;
        press(&bar, {10, 60}, Qt::LeftButton); // fraction 0.7: the high end
        moveTo(&bar, {10, 0}, {}, Qt::LeftButton);
        QCOMPARE(bar.barHigh, 1.0);
        QCOMPARE(bar.barLow, 0.2);
        release(&bar, {10, 0}, Qt::LeftButton);
    }

    void halfWayTakesNeither()
    {
        ColorBar bar;
        makeBar(bar);
        bar.barLow = 0.25;
        bar.barHigh = 0.75;
        QSignalSpy newBar(&bar, &ColorBar::newBar);
        press(&bar, {10, 100}, Qt::LeftButton);
        QVERIFY(!bar.dragging);
        moveTo(&bar, {10, 20}, {}, Qt::LeftButton);
        QCOMPARE(bar.barLow, 0.25);
        QCOMPARE(bar.barHigh, 0.75);
        QCOMPARE(newBar.count(), 1); // a held button still asks for a redraw
        release(&bar, {10, 20}, Qt::LeftButton);
    }

    void paintsTheRampThroughTheWindow()
    {
        ColorBar bar;
        makeBar(bar);
        bar.barLow = 0.5;
        bar.barHigh = 1.0;
        const QImage shot = bar.grab().toImage();
        // Below the window the ramp is black; near the top it is nearly white.
        QCOMPARE(qGray(shot.pixel(3, 180)), 0);
        QVERIFY(qGray(shot.pixel(3, 2)) > 240);
        // The window's lower end is marked at y = 100.
        QCOMPARE(shot.pixelColor(3, 100), QColor(0, 192, 255));
    }
};

QTEST_MAIN(tst_colorbar)
#include "tst_colorbar.moc"
