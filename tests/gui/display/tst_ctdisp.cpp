#include "ctdisp.h"

#include <QSignalSpy>
#include <QSlider>
#include <QSpinBox>
#include <QTest>

class tst_ctdisp : public QObject
{
    Q_OBJECT

private:
    static QImage slice(int grey)
    {
        QImage img(8, 8, QImage::Format_Grayscale8);
        img.fill(grey);
        return img;
    }
    static QList<int> numbers(const CtDisp& d)
    {
        QList<int> out;
        for (const CtDisp::Record& r : d.records())
            out << r.no;
        return out;
    }
    static int shownGrey(CtDisp& d) { return qGray(d.form.dispA_->image.pixel(0, 0)); }
    static QSpinBox* index(CtDisp& d) { return d.findChild<QSpinBox*>("Index"); }

private slots:
    void keepsSliceOrder()
    {
        CtDisp d;
        d.addImg(3, slice(30));
        d.addImg(1, slice(10));
        d.addImg(2, slice(20));
        d.addImg(2, slice(21));
        QCOMPARE(numbers(d), QList<int>({1, 2, 2, 3}));
        const QList<QImage> images = d.getQImages();
        QCOMPARE(images.size(), 4);
        QCOMPARE(qGray(images.at(1).pixel(0, 0)), 20);
        QCOMPARE(qGray(images.at(2).pixel(0, 0)), 21);
        QCOMPARE(d.findChild<QSlider*>("Seek")->maximum(), 3);
        QCOMPARE(index(d)->maximum(), 3);
        QCOMPARE(index(d)->value(), 3);
    }

    void showsTheLastIndexAndSeeks()
    {
        CtDisp d;
        d.addImg(5, slice(50));
        QCOMPARE(shownGrey(d), 50);
        d.addImg(7, slice(70));
        QCOMPARE(shownGrey(d), 70);
        d.addImg(6, slice(60));
        QCOMPARE(shownGrey(d), 70);
        index(d)->setValue(1);
        QCOMPARE(shownGrey(d), 60);
        d.showImg(0);
        QCOMPARE(shownGrey(d), 50);
        d.showImg(3);
        d.showImg(-1);
        QCOMPARE(shownGrey(d), 50);
    }

    void clearKeepsThePicture()
    {
        CtDisp d;
        d.addImg(1, slice(10));
        d.clear();
        QVERIFY(d.records().isEmpty());
        QVERIFY(d.getQImages().isEmpty());
        QCOMPARE(shownGrey(d), 10);
        d.addImg(4, slice(40));
        QCOMPARE(shownGrey(d), 40);
    }
};

QTEST_MAIN(tst_ctdisp)
#include "tst_ctdisp.moc"
