#include "imgdispwpv.h"
#include "mouseevents.h"
#include "rawdisp.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace MouseEvents;

// The display shows a 200 x 100 picture on a 400 x 200 widget, so one image pixel is two
// screen pixels in each direction while the whole picture is in view.
class tst_imgdisp : public QObject
{
    Q_OBJECT

private:
    static QImage picture(int w, int h)
    {
        QImage img(w, h, QImage::Format_Grayscale8);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                img.scanLine(y)[x] = uchar((x + y) % 256);
        return img;
    }

    static void showPicture(ImgDisp& d, const QImage& img)
    {
        d.form.dispB->setFixedSize(400, 200);
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        d.image = img;
        d.newImage();
        QCoreApplication::processEvents();
    }

    static QWidget* screen(ImgDisp& d) { return d.form.dispB; }

private slots:
    void init() { QTest::failOnWarning(QRegularExpression("Cannot queue arguments")); }

    void firstImageFixesTheView()
    {
        ImgDisp d;
        QSignalSpy newS(&d, &ImgDisp::newS);
        d.newImage();
        QVERIFY(!d.scaleSet);
        showPicture(d, picture(200, 100));
        QVERIFY(d.scaleSet);
        QCOMPARE(d.view, QRectF(0, 0, 200, 100));
        QCOMPARE(newS.count(), 1);

        d.image = picture(50, 60);
        d.newImage();
        QCOMPARE(d.view, QRectF(0, 0, 200, 100));
        QCOMPARE(newS.count(), 1);
        d.resetScale();
        QCOMPARE(d.view, QRectF(0, 0, 50, 60));
        QCOMPARE(newS.count(), 1);
    }

    void positionOfThePointer()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        QSignalSpy newPos(&d, &ImgDisp::newPos);
        moveTo(screen(d), {101, 51});
        QCOMPARE(newPos.count(), 1);
        QCOMPARE(newPos.at(0).at(0).toInt(), 50);
        QCOMPARE(newPos.at(0).at(1).toInt(), 25);
    }

    void plainLeftDragPans()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        QSignalSpy newS(&d, &ImgDisp::newS);
        drag(screen(d), {100, 100}, {60, 80}, Qt::LeftButton);
        QCOMPARE(d.view, QRectF(20, 10, 200, 100));
        QCOMPARE(newS.count(), 1);
        QCOMPARE(newS.at(0).at(0).toRectF(), d.view);
    }

    void wheelZoomKeepsThePointOnThePointer()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        moveTo(screen(d), {100, 50});
        wheel(screen(d), {100, 50}, {0, 120});
        QCOMPARE(d.view.width(), 200 / 1.1);
        QCOMPARE(d.view.height(), 100 / 1.1);
        QVERIFY(qAbs(d.view.x() + 0.25 * d.view.width() - 50) < 1e-9);
        QVERIFY(qAbs(d.view.y() + 0.25 * d.view.height() - 25) < 1e-9);
        wheel(screen(d), {100, 50}, {0, -120});
        QVERIFY(qAbs(d.view.width() - 200) < 1e-9);

        d.wheelEnabled = false;
        const QRectF before = d.view;
        wheel(screen(d), {100, 50}, {0, 120});
        QCOMPARE(d.view, before);
    }

    void shiftDragSelects()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        drag(screen(d), {300, 150}, {100, 50}, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(d.hasSelection);
        QVERIFY(!d.selecting);
        QCOMPARE(d.selection, QRectF(50, 25, 100, 50));
        QCOMPARE(d.view, QRectF(0, 0, 200, 100));

        press(screen(d), {10, 10}, Qt::RightButton, Qt::ShiftModifier);
        release(screen(d), {10, 10}, Qt::RightButton, Qt::ShiftModifier);
        QVERIFY(!d.hasSelection);
        QCOMPARE(d.selection, QRectF());
    }

    void shiftClickWithoutMovementSelectsNothing()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        QSignalSpy picked(&d, &ImgDisp::selectedAPoint);
        drag(screen(d), {30, 30}, {30, 30}, Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(!d.hasSelection);
        QVERIFY(!d.selecting);
        QCOMPARE(picked.count(), 0);
    }

    void pointPicks_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("plain left") << int(Qt::LeftButton) << 0 << int(MouseC::LeftNone);
        QTest::newRow("plain right") << int(Qt::RightButton) << 0 << int(MouseC::RightNone);
        QTest::newRow("ctrl left") << int(Qt::LeftButton) << int(Qt::ControlModifier) << -1;
        QTest::newRow("middle") << int(Qt::MiddleButton) << 0 << -1;
    }

    void pointPicks()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        ImgDisp d;
        showPicture(d, picture(200, 100));
        QSignalSpy picked(&d, &ImgDisp::selectedAPoint);
        const auto b = Qt::MouseButton(button);
        const auto m = Qt::KeyboardModifiers(modifiers);
        moveTo(screen(d), {50, 40});
        press(screen(d), {50, 40}, b, m);
        release(screen(d), {50, 40}, b, m);
        QCOMPARE(picked.count(), code < 0 ? 0 : 1);
        if (code >= 0) {
            QCOMPARE(picked.at(0).at(0).toDouble(), 25.0);
            QCOMPARE(picked.at(0).at(1).toDouble(), 20.0);
            QCOMPARE(picked.at(0).at(2).value<MouseC::MStat>(), MouseC::MStat(code));
        }
    }

    void pointPickTravelsQueued()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        MouseC::MStat received = MouseC::Other;
        QObject receiver;
        connect(
            &d, &ImgDisp::selectedAPoint, &receiver,
            [&](double, double, MouseC::MStat s) { received = s; }, Qt::QueuedConnection);
        press(screen(d), {50, 40}, Qt::RightButton);
        release(screen(d), {50, 40}, Qt::RightButton);
        QCOMPARE(received, MouseC::Other);
        QTRY_COMPARE(received, MouseC::RightNone);
    }

    void disabledMouseKeepsOnlyTheWheel()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        d.mouseEnabled = false;
        QSignalSpy picked(&d, &ImgDisp::selectedAPoint);
        QSignalSpy newPos(&d, &ImgDisp::newPos);
        drag(screen(d), {100, 100}, {60, 80}, Qt::LeftButton);
        QCOMPARE(d.view, QRectF(0, 0, 200, 100));
        QCOMPARE(picked.count(), 0);
        QCOMPARE(newPos.count(), 0);
        wheel(screen(d), {100, 50}, {0, 120});
        QVERIFY(d.view.width() < 200);
    }

    void drawsTheViewOntoTheWholeWidget()
    {
        ImgDisp d;
        QImage img(4, 2, QImage::Format_Grayscale8);
        img.fill(0);
        img.scanLine(1)[3] = 255; // bottom-right pixel
        showPicture(d, img);
        const QImage shot = screen(d)->grab().toImage();
        QCOMPARE(qGray(shot.pixel(390, 190)), 255);
        QCOMPARE(qGray(shot.pixel(10, 10)), 0);
        QCOMPARE(qGray(shot.pixel(290, 190)), 0);
    }

    void savesTheVisiblePart()
    {
        ImgDisp d;
        showPicture(d, picture(200, 100));
        d.view = QRectF(10.7, 20.2, 30.9, 40.5);
        QTemporaryDir dir;
        QVERIFY(d.saveImage(dir.filePath("part.png")));
        const QImage saved(dir.filePath("part.png"));
        QCOMPARE(saved.size(), QSize(30, 40));
        QCOMPARE(qGray(saved.pixel(0, 0)), (10 + 20) % 256);
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression("Can not save image"));
        QVERIFY(!d.saveImage(dir.filePath("missing/dir/part.png")));
    }

    void readOutsAndLayout()
    {
        RawDisp d;
        QVERIFY(d.imgDatas == nullptr);
        QCOMPARE(d.width(), d.height());
        QVERIFY(d.findChild<ColorBar*>("CBar"));
        QVERIFY(d.findChild<QFrame*>("CBarUIBase"));
        showPicture(d, picture(200, 100));
        QSignalSpy inv(&d, &ImgDispWPV::newPosInvY);
        moveTo(screen(d), {399, 199});
        QCOMPARE(d.pvForm.PosX->text(), QString("199"));
        QCOMPARE(d.pvForm.PosY->text(), QString("99"));
        QCOMPARE(inv.count(), 1);
        d.setVal(1234567.0);
        QCOMPARE(d.pvForm.Val->text(), QString("1.23457e+06"));
        QVERIFY(d.pvForm.Val->isReadOnly());

        wheel(screen(d), {100, 50}, {0, 120});
        QVERIFY(d.view.width() < 200);
        QTest::mouseClick(d.pvForm.ResetScale, Qt::LeftButton);
        QCOMPARE(d.view, QRectF(0, 0, 200, 100));

        QSignalSpy newBar(&d, &ImgDispWCBar::newBar);
        d.barForm.CBar->ui.CMinLE->setText("3");
        emit d.barForm.CBar->ui.CMinLE->editingFinished();
        QCOMPARE(newBar.count(), 1);
    }
};

QTEST_MAIN(tst_imgdisp)
#include "tst_imgdisp.moc"
