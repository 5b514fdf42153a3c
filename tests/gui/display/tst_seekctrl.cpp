#include "seekctrl.h"

#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QStyleOptionSlider>
#include <QTest>
#include <QToolButton>

namespace
{

QList<int> reported(const QSignalSpy& spy)
{
    QList<int> values;
    for (const QList<QVariant>& args : spy)
        values << args.at(0).toInt();
    return values;
}

// Where the slider itself hit-tests its handle, so that a press there starts a drag.
QPoint handleCenter(QSlider* slider)
{
    QStyleOptionSlider opt;
    opt.initFrom(slider);
    opt.orientation = slider->orientation();
    opt.state |= QStyle::State_Horizontal;
    opt.minimum = slider->minimum();
    opt.maximum = slider->maximum();
    opt.sliderPosition = slider->sliderPosition();
    opt.sliderValue = slider->value();
    opt.singleStep = slider->singleStep();
    opt.pageStep = slider->pageStep();
    return slider->style()
        ->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, slider)
        .center();
}

} // namespace

class tst_seekctrl : public QObject
{
    Q_OBJECT

private slots:
    void steps_data()
    {
        QTest::addColumn<int>("start");
        QTest::addColumn<QString>("button");
        QTest::addColumn<int>("end");
        QTest::addColumn<QList<int>>("indices");
        QTest::newRow("Inc in the middle") << 50 << "Inc" << 60 << QList<int>{60, 60};
        QTest::newRow("Inc stops at the maximum") << 95 << "Inc" << 100 << QList<int>{100, 100};
        QTest::newRow("Inc at the maximum") << 100 << "Inc" << 100 << QList<int>{};
        QTest::newRow("Dec in the middle") << 50 << "Dec" << 40 << QList<int>{40, 40};
        QTest::newRow("Dec stops at zero") << 7 << "Dec" << 0 << QList<int>{0, 0};
        QTest::newRow("Dec at zero") << 0 << "Dec" << 0 << QList<int>{};
    }

    void steps()
    {
        QFETCH(int, start);
        QFETCH(QString, button);
        QFETCH(int, end);
        QFETCH(QList<int>, indices);
        SeekCtrl ctrl;
        ctrl.setMaximum(100);
        ctrl.findChild<QSpinBox*>("Index")->setValue(start);
        QSignalSpy spy(&ctrl, &SeekCtrl::newIndex);

        QTest::mouseClick(ctrl.findChild<QToolButton*>(button), Qt::LeftButton);

        QCOMPARE(ctrl.findChild<QSlider*>("Seek")->value(), end);
        QCOMPARE(ctrl.findChild<QSpinBox*>("Index")->value(), end);
        QCOMPARE(reported(spy), indices);
    }

    void spinBoxMovesSlider()
    {
        SeekCtrl ctrl;
        ctrl.setMaximum(100);
        auto* index = ctrl.findChild<QSpinBox*>("Index");
        auto* seek = ctrl.findChild<QSlider*>("Seek");
        QSignalSpy spy(&ctrl, &SeekCtrl::newIndex);

        index->setValue(42);
        QCOMPARE(seek->value(), 42);
        QCOMPARE(reported(spy), QList<int>{42});

        QTest::keyClick(index, Qt::Key_Up);
        QCOMPARE(seek->value(), 43);
        QCOMPARE(reported(spy), QList<int>({42, 43}));
    }

    void sliderDragMovesSpinBox()
    {
        SeekCtrl ctrl;
        ctrl.setMaximum(100);
        ctrl.show();
        QVERIFY(QTest::qWaitForWindowExposed(&ctrl));
        auto* seek = ctrl.findChild<QSlider*>("Seek");
        QSignalSpy spy(&ctrl, &SeekCtrl::newIndex);

        QTest::mousePress(seek, Qt::LeftButton, {}, handleCenter(seek));
        QVERIFY(seek->isSliderDown());
        QTest::mouseMove(seek, QPoint(seek->width() + 10, seek->height() / 2));
        QTest::mouseRelease(seek, Qt::LeftButton, {},
                            QPoint(seek->width() + 10, seek->height() / 2));

        QCOMPARE(seek->value(), 100);
        QCOMPARE(ctrl.findChild<QSpinBox*>("Index")->value(), 100);
        QCOMPARE(reported(spy), QList<int>({100, 100}));
    }

    void programChangeOfSliderIsNotReported()
    {
        SeekCtrl ctrl;
        ctrl.setMaximum(100);
        QSignalSpy spy(&ctrl, &SeekCtrl::newIndex);

        ctrl.findChild<QSlider*>("Seek")->setValue(30);

        QCOMPARE(ctrl.findChild<QSpinBox*>("Index")->value(), 0);
        QCOMPARE(spy.count(), 0);
    }

    void maximumBoundsBoth()
    {
        SeekCtrl ctrl;
        ctrl.setMaximum(20);
        QSignalSpy spy(&ctrl, &SeekCtrl::newIndex);

        ctrl.findChild<QSpinBox*>("Index")->setValue(50);

        QCOMPARE(ctrl.findChild<QSlider*>("Seek")->value(), 20);
        QCOMPARE(reported(spy), QList<int>{20});
    }
};

QTEST_MAIN(tst_seekctrl)
#include "tst_seekctrl.moc"
