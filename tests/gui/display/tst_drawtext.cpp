#include "drawtext.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <QTest>

#include <cmath>

namespace
{

QImage canvas()
{
    QImage img(200, 200, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::white);
    return img;
}

// The smallest rectangle holding every pixel that is not white (or, given, of that colour).
QRect inkBounds(const QImage& img, const QColor& only = QColor())
{
    QRect r;
    const QRgb white = QColor(Qt::white).rgb();
    for (int y = 0; y < img.height(); ++y) {
        for (int x = 0; x < img.width(); ++x) {
            const QRgb px = img.pixel(x, y);
            if (only.isValid() ? px == only.rgb() : px != white)
                r |= QRect(x, y, 1, 1);
        }
    }
    return r;
}

QFont testFont(int pixelSize)
{
    QFont f("DejaVu Sans");
    f.setPixelSize(pixelSize);
    return f;
}

} // namespace

class tst_drawtext : public QObject
{
    Q_OBJECT

private slots:
    void backgroundBox_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<QPointF>("centre");
        QTest::addColumn<QSizeF>("box");
        QTest::addColumn<QSizeF>("covered");

        const QPointF mid(100, 80);
        QTest::newRow("0") << 0.0 << mid << QSizeF(40, 10) << QSizeF(40, 10);
        QTest::newRow("90") << 90.0 << mid << QSizeF(40, 10) << QSizeF(10, 40);
        QTest::newRow("-90") << -90.0 << mid << QSizeF(40, 10) << QSizeF(10, 40);
        QTest::newRow("180") << 180.0 << mid << QSizeF(40, 10) << QSizeF(40, 10);
        QTest::newRow("270") << 270.0 << mid << QSizeF(40, 10) << QSizeF(10, 40);
        QTest::newRow("negative size") << 90.0 << mid << QSizeF(-40, -10) << QSizeF(10, 40);
        QTest::newRow("off centre, 90")
            << 90.0 << QPointF(50, 140) << QSizeF(60, 20) << QSizeF(20, 60);
        const double diagonal = 50 / std::sqrt(2.0);
        QTest::newRow("45") << 45.0 << mid << QSizeF(40, 10) << QSizeF(diagonal, diagonal);
    }

    // The filled box lies centred on (cx, cy), turned by the angle.
    void backgroundBox()
    {
        QFETCH(double, angle);
        QFETCH(QPointF, centre);
        QFETCH(QSizeF, box);
        QFETCH(QSizeF, covered);

        QImage img = canvas();
        {
            QPainter p(&img);
            DrawText dt;
            const QRectF r = dt.drawRotatedText(&p, angle, centre.x(), centre.y(), box.width(),
                                                box.height(), testFont(12), Qt::AlignCenter, false,
                                                QString(), 0, true, Qt::red);
            QVERIFY(r.isNull());
        }
        const QRect ink = inkBounds(img, Qt::red);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(inkBounds(img) == ink, "the fill must be all that is drawn");
        const QPointF inkCentre((ink.left() + ink.right() + 1) / 2.0,
                                (ink.top() + ink.bottom() + 1) / 2.0);
        QVERIFY2(
            std::abs(inkCentre.x() - centre.x()) <= 1 && std::abs(inkCentre.y() - centre.y()) <= 1,
            qPrintable(QString("ink centred on %1, %2").arg(inkCentre.x()).arg(inkCentre.y())));
        QVERIFY2(std::abs(ink.width() - covered.width()) <= 1.5 &&
                     std::abs(ink.height() - covered.height()) <= 1.5,
                 qPrintable(QString("ink %1 x %2").arg(ink.width()).arg(ink.height())));
    }

    // Where the text starts shows the turn's direction: clockwise for positive angles.
    void textPlacement_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<int>("flags");
        QTest::addColumn<QString>("side");

        const int left = Qt::AlignLeft | Qt::AlignVCenter;
        const int right = Qt::AlignRight | Qt::AlignVCenter;
        QTest::newRow("0, left") << 0.0 << left << "left";
        QTest::newRow("0, right") << 0.0 << right << "right";
        QTest::newRow("90, left") << 90.0 << left << "top";
        QTest::newRow("90, right") << 90.0 << right << "bottom";
        QTest::newRow("-90, left") << -90.0 << left << "bottom";
        QTest::newRow("180, left") << 180.0 << left << "right";
    }

    void textPlacement()
    {
        QFETCH(double, angle);
        QFETCH(int, flags);
        QFETCH(QString, side);

        QImage img = canvas();
        {
            QPainter p(&img);
            p.setPen(Qt::black);
            DrawText dt;
            dt.drawRotatedText(&p, angle, 100, 100, 160, 30, testFont(14), flags, false, "ab", 0,
                               false, Qt::white);
        }
        const QRect ink = inkBounds(img);
        QVERIFY(!ink.isEmpty());
        // The box spans 20..180 along its length; the short text keeps to one end of it.
        const QRect box =
            std::abs(std::fmod(angle, 180.0)) < 1 ? QRect(20, 85, 160, 30) : QRect(85, 20, 30, 160);
        QVERIFY2(box.adjusted(-1, -1, 1, 1).contains(ink), "text outside its box");
        if (side == "left")
            QVERIFY(ink.right() < 100);
        else if (side == "right")
            QVERIFY(ink.left() > 100);
        else if (side == "top")
            QVERIFY(ink.bottom() < 100);
        else
            QVERIFY(ink.top() > 100);
    }

    void fitFillsBox_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QSizeF>("box");

        QTest::newRow("wide box") << "Hello" << QSizeF(150, 30);
        QTest::newRow("tall box") << "W" << QSizeF(20, 80);
        QTest::newRow("long text") << "A longer axis label" << QSizeF(180, 40);
        QTest::newRow("small box") << "12.5" << QSizeF(30, 8);
    }

    void fitFillsBox()
    {
        QFETCH(QString, text);
        QFETCH(QSizeF, box);

        const double cx = 100;
        const double cy = 100;
        const int flags = Qt::AlignLeft | Qt::AlignTop;
        QImage img = canvas();
        QRectF r;
        {
            QPainter p(&img);
            p.setPen(Qt::black);
            DrawText dt;
            r = dt.drawRotatedText(&p, 0, cx, cy, box.width(), box.height(), testFont(50), flags,
                                   true, text, 0, false, Qt::white);
        }
        QVERIFY(!r.isEmpty());
        // Font sizes do not scale text lengths exactly, hence the small slack.
        QVERIFY2(r.width() <= box.width() * 1.05 + 1 && r.height() <= box.height() * 1.05 + 1,
                 qPrintable(QString("%1 x %2").arg(r.width()).arg(r.height())));
        QVERIFY2(r.width() >= box.width() * 0.8 || r.height() >= box.height() * 0.8,
                 qPrintable(QString("%1 x %2").arg(r.width()).arg(r.height())));
        QCOMPARE(r.topLeft(), QPointF(cx - box.width() / 2, cy - box.height() / 2));

        const QRect ink = inkBounds(img);
        QVERIFY(!ink.isEmpty());
        const QRectF slack = r.adjusted(-2, -2, 2, 2);
        QVERIFY2(slack.contains(QRectF(ink)), "ink outside the returned rectangle");
    }

    // The returned rectangle is in the turned painter's coordinates.
    void fitRectIsInPainterSpace()
    {
        QImage img = canvas();
        QPainter p(&img);
        DrawText dt;
        const double cx = 120;
        const double cy = 70;
        const double w = 100;
        const double h = 20;
        const QRectF r =
            dt.drawRotatedText(&p, 90, cx, cy, w, h, testFont(12), Qt::AlignLeft | Qt::AlignTop,
                               true, "label", 0, false, Qt::white);
        // Turned back by 90 degrees, the centre (cx, cy) sits at (cy, -cx).
        QVERIFY(std::abs(r.left() - (cy - w / 2)) < 1e-6);
        QVERIFY(std::abs(r.top() - (-cx - h / 2)) < 1e-6);
    }

    void maxPointSizeCaps()
    {
        const int flags = Qt::AlignLeft | Qt::AlignTop;
        const QFont font = testFont(20);
        const auto fitted = [&](double maxPointSize, QRect* ink) {
            QImage img = canvas();
            QRectF r;
            {
                QPainter p(&img);
                p.setPen(Qt::black);
                DrawText dt;
                r = dt.drawRotatedText(&p, 0, 100, 100, 180, 120, font, flags, true, "Hi",
                                       maxPointSize, false, Qt::white);
            }
            *ink = inkBounds(img);
            return r;
        };

        QRect freeInk;
        QRect cappedInk;
        QRect looseInk;
        const QRectF free = fitted(0, &freeInk);
        const QRectF capped = fitted(8, &cappedInk);
        const QRectF loose = fitted(1000, &looseInk);

        QFont at8 = font;
        at8.setPointSizeF(8);
        const QSizeF expected =
            QFontMetricsF(at8).boundingRect(QRectF(0, 0, 1000, 1000), flags, "Hi").size();
        QCOMPARE(capped.size(), expected);
        QVERIFY(capped.height() < free.height() / 2);
        QVERIFY(cappedInk.height() < freeInk.height() / 2);
        // A cap above the fitted size changes nothing.
        QCOMPARE(loose, free);
        QCOMPARE(looseInk, freeInk);
        // A cap that is not positive does not cap.
        QRect negativeInk;
        QCOMPARE(fitted(-3, &negativeInk), free);
    }

    // Without fitting the given font is used as it is.
    void noFitUsesFont_data()
    {
        QTest::addColumn<int>("pixelSize");
        QTest::newRow("20 px") << 20;
        QTest::newRow("40 px") << 40;
        QTest::newRow("60 px") << 60;
    }

    void noFitUsesFont()
    {
        QFETCH(int, pixelSize);

        const QFont font = testFont(pixelSize);
        QImage img = canvas();
        {
            QPainter p(&img);
            p.setPen(Qt::black);
            p.setFont(testFont(7));
            DrawText dt;
            const QRectF r = dt.drawRotatedText(&p, 0, 100, 100, 180, 180, font, Qt::AlignCenter,
                                                false, "X", 30, false, Qt::white);
            QVERIFY(r.isNull());
        }
        const QRect ink = inkBounds(img);
        const QRectF expected = QFontMetricsF(font).tightBoundingRect("X");
        QVERIFY2(
            std::abs(ink.height() - expected.height()) <= 2,
            qPrintable(QString("ink %1 high, font %2").arg(ink.height()).arg(expected.height())));
    }

    void restoresPainter_data()
    {
        QTest::addColumn<double>("angle");
        QTest::addColumn<bool>("fit");

        QTest::newRow("0, fitted") << 0.0 << true;
        QTest::newRow("90, fitted") << 90.0 << true;
        QTest::newRow("37, fitted") << 37.0 << true;
        QTest::newRow("-123.4, fitted") << -123.4 << true;
        QTest::newRow("-170, fitted") << -170.0 << true;
        QTest::newRow("-160, not fitted") << -160.0 << false;
        QTest::newRow("37, not fitted") << 37.0 << false;
        QTest::newRow("1e-7, not fitted") << 1e-7 << false;
    }

    void restoresPainter()
    {
        QFETCH(double, angle);
        QFETCH(bool, fit);

        QImage img = canvas();
        QPainter p(&img);
        p.translate(13, 7);
        p.scale(1.5, 0.5);
        const QFont callerFont = testFont(9);
        p.setFont(callerFont);
        const QTransform before = p.transform();

        DrawText dt;
        dt.drawRotatedText(&p, angle, 50, 60, 80, 20, testFont(30), Qt::AlignCenter, fit, "text", 0,
                           true, Qt::green);
        QCOMPARE(p.font(), callerFont);
        // Exactly, not merely close: callers draw many labels with one painter.
        QCOMPARE(p.transform(), before);
    }

    void emptyBoxDrawsNothing_data()
    {
        QTest::addColumn<QSizeF>("box");
        QTest::addColumn<bool>("fillBackground");

        QTest::newRow("no size") << QSizeF(0, 0) << false;
        QTest::newRow("no width") << QSizeF(0, 30) << false;
        QTest::newRow("no height") << QSizeF(50, 0) << false;
        QTest::newRow("no size, filled") << QSizeF(0, 0) << true;
        QTest::newRow("no height, filled") << QSizeF(50, 0) << true;
    }

    void emptyBoxDrawsNothing()
    {
        QFETCH(QSizeF, box);
        QFETCH(bool, fillBackground);

        QTest::failOnWarning(QRegularExpression(".*"));
        QImage img = canvas();
        QRectF r;
        {
            QPainter p(&img);
            p.setPen(Qt::black);
            DrawText dt;
            r = dt.drawRotatedText(&p, 30, 100, 100, box.width(), box.height(), testFont(20),
                                   Qt::AlignCenter, true, "Label", 0, fillBackground, Qt::red);
        }
        QVERIFY(r.isEmpty());
        QVERIFY(inkBounds(img).isNull());
    }

    // Text of no width fits by its height alone, and that ratio is capped at one.
    void emptyTextFits_data()
    {
        QTest::addColumn<QSizeF>("box");
        QTest::addColumn<double>("pointSize");

        QFont at10 = testFont(20);
        at10.setPointSizeF(10);
        const double line = QFontMetricsF(at10)
                                .boundingRect(QRectF(0, 0, 1000, 1000), Qt::AlignCenter, "")
                                .height();
        QTest::newRow("taller than a line") << QSizeF(60, 3 * line) << 10.0;
        QTest::newRow("half a line") << QSizeF(60, line / 2) << 5.0;
    }

    void emptyTextFits()
    {
        QFETCH(QSizeF, box);
        QFETCH(double, pointSize);

        QTest::failOnWarning(QRegularExpression(".*"));
        QImage img = canvas();
        QRectF r;
        {
            QPainter p(&img);
            DrawText dt;
            r = dt.drawRotatedText(&p, 0, 100, 100, box.width(), box.height(), testFont(20),
                                   Qt::AlignCenter, true, QString(), 0, false, Qt::red);
        }
        QFont expectedFont = testFont(20);
        expectedFont.setPointSizeF(pointSize);
        const QRectF expected =
            QFontMetricsF(expectedFont).boundingRect(QRectF(0, 0, 1000, 1000), Qt::AlignCenter, "");
        QCOMPARE(r.width(), 0.0);
        QVERIFY2(
            std::abs(r.height() - expected.height()) < 1,
            qPrintable(QString("%1 high, %2 expected").arg(r.height()).arg(expected.height())));
        QVERIFY(inkBounds(img).isNull());
    }

    // A box given with negative extents fits as its positive twin does.
    void negativeBoxFits()
    {
        const auto fitted = [](double w, double h, QImage* img) {
            QPainter p(img);
            p.setPen(Qt::black);
            DrawText dt;
            return dt.drawRotatedText(&p, 0, 100, 100, w, h, testFont(20),
                                      Qt::AlignLeft | Qt::AlignTop, true, "Axis", 0, false,
                                      Qt::white);
        };
        QImage positiveImg = canvas();
        QImage negativeImg = canvas();
        const QRectF positive = fitted(120, 30, &positiveImg);
        const QRectF negative = fitted(-120, -30, &negativeImg);
        QVERIFY(!positive.isEmpty());
        QCOMPARE(negative, positive);
        QCOMPARE(negativeImg, positiveImg);
    }
};

QTEST_MAIN(tst_drawtext)
#include "tst_drawtext.moc"
