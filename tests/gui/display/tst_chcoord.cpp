#include "chcoord.h"
#include "dispa.h"
#include "dispb.h"
#include "exlabel.h"
#include "mousec.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

#include "mouseevents.h"
#include <QWheelEvent>

#include <cmath>

using namespace MouseEvents;

namespace
{

using Rect4 = QList<double>; // x0, y0, x1, y1

Rect4 dataRect(const ChCoord& c)
{
    return {c.dx0, c.dy0, c.dx1, c.dy1};
}

bool near(double a, double b)
{
    return std::abs(a - b) < 1e-9;
}

bool near(const Rect4& a, const Rect4& b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (!near(a[i], b[i]))
            return false;
    }
    return true;
}

QByteArray show(const Rect4& r)
{
    QStringList parts;
    for (double v : r)
        parts << QString::number(v, 'g', 12);
    return parts.join(", ").toUtf8();
}

#define COMPARE_RECT(actual, expected)                                                             \
    QVERIFY2(near(actual, expected), show(actual) + " != " + show(expected))

// 200 x 100 pixels, y up, over data 0..2 by 0..1: data x = px / 100, data y = (100 - py) / 100.
void standardMapping(ChCoord& c)
{
    c.setScreenRect(0, 100, 200, 0);
    c.setDataRect(0, 0, 2, 1);
    c.xSet = c.ySet = false;
}

void showFixed(QWidget* w, QSize size)
{
    w->setFixedSize(size);
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("window not exposed");
}

// A DispA on which the standard mapping holds once it has painted.
struct ShownDispA {
    DispA a;
    ShownDispA()
    {
        showFixed(&a, QSize(201, 101));
        a.repaint();
        a.coord.setDataRect(0, 0, 2, 1);
        a.coord.xSet = a.coord.ySet = false;
    }
};

} // namespace

class tst_chcoord : public QObject
{
    Q_OBJECT

private:
    static void addWheelRows()
    {
        QTest::addColumn<QPoint>("pointer");
        QTest::addColumn<QPoint>("angleDelta");
        QTest::addColumn<bool>("zoomX");
        QTest::addColumn<bool>("zoomY");
        QTest::addColumn<double>("factor");

        const double in = 1 / 1.1;
        const QPoint notch(0, 120);
        QTest::newRow("middle, notch") << QPoint(100, 50) << notch << true << true << in;
        QTest::newRow("middle, notch back") << QPoint(100, 50) << -notch << true << true << 1.1;
        QTest::newRow("middle, three notches back")
            << QPoint(100, 50) << QPoint(0, -360) << true << true << 1.1;
        QTest::newRow("middle, five notches")
            << QPoint(100, 50) << QPoint(0, 600) << true << true << in;
        QTest::newRow("middle, half notch")
            << QPoint(100, 50) << QPoint(0, 60) << true << true << in;
        QTest::newRow("middle, half notch back")
            << QPoint(100, 50) << QPoint(0, -60) << true << true << in;
        QTest::newRow("middle, horizontal wheel")
            << QPoint(100, 50) << QPoint(-120, 0) << true << true << in;
        QTest::newRow("off centre") << QPoint(37, 71) << notch << true << true << in;
        QTest::newRow("left band") << QPoint(10, 50) << notch << false << true << in;
        QTest::newRow("left band, by width") << QPoint(15, 50) << notch << false << true << in;
        QTest::newRow("right band") << QPoint(190, 50) << -notch << false << true << 1.1;
        QTest::newRow("left of left band") << QPoint(25, 50) << notch << true << true << in;
        QTest::newRow("bottom band") << QPoint(100, 95) << notch << true << false << in;
        QTest::newRow("top band") << QPoint(100, 5) << -notch << true << false << 1.1;
        QTest::newRow("below top band, by height")
            << QPoint(100, 15) << notch << true << true << in;
        QTest::newRow("bottom-left corner") << QPoint(5, 95) << notch << true << true << in;
        QTest::newRow("top-right corner") << QPoint(195, 3) << -notch << true << true << 1.1;
    }

    // Checks one wheel zoom on `c` at `pointer` (data under it before: mx, my).
    static void checkZoom(const ChCoord& c, const Rect4& before, QPoint pointer, double mx,
                          double my, bool zoomX, bool zoomY, double factor)
    {
        const double wx = zoomX ? factor : 1.0;
        const double wy = zoomY ? factor : 1.0;
        QVERIFY2(near((c.dx1 - c.dx0) / (before[2] - before[0]), wx), show(dataRect(c)));
        QVERIFY2(near((c.dy1 - c.dy0) / (before[3] - before[1]), wy), show(dataRect(c)));
        QVERIFY(near(c.toDataX(pointer.x()), mx));
        QVERIFY(near(c.toDataY(pointer.y()), my));
        if (!zoomX) {
            QCOMPARE(c.dx0, before[0]);
            QCOMPARE(c.dx1, before[2]);
        }
        if (!zoomY) {
            QCOMPARE(c.dy0, before[1]);
            QCOMPARE(c.dy1, before[3]);
        }
        QCOMPARE(c.xSet, zoomX);
        QCOMPARE(c.ySet, zoomY);
    }

private slots:
    void defaults()
    {
        ChCoord c;
        QVERIFY(c.wheelZoom);
        QCOMPARE(c.dragCode, 1);
        QCOMPARE(c.edgeFraction, 0.1);
        QCOMPARE(c.mouse, nullptr);
        QCOMPARE((Rect4{c.sx0, c.sx1, c.sy0, c.sy1}), (Rect4{0, 1, 0, 1}));
        QCOMPARE((Rect4{c.dx0, c.dx1, c.dy0, c.dy1}), (Rect4{0, 1, 0, 1}));
    }

    void mapping_data()
    {
        QTest::addColumn<Rect4>("screen");
        QTest::addColumn<Rect4>("data");
        QTest::addColumn<QPointF>("dataPoint");
        QTest::addColumn<QPointF>("screenPoint");
        QTest::addColumn<QPointF>("unitLengths"); // screen lengths of a data length of one

        QTest::newRow("y up") << Rect4{0, 100, 200, 0} << Rect4{0, 0, 2, 1} << QPointF(0.5, 0.25)
                              << QPointF(50, 75) << QPointF(100, -100);
        QTest::newRow("last pixel") << Rect4{0, 99, 199, 0} << Rect4{10, -5, 30, 5}
                                    << QPointF(20, 0) << QPointF(99.5, 49.5) << QPointF(9.95, -9.9);
        QTest::newRow("reversed x data")
            << Rect4{0, 100, 200, 0} << Rect4{2, 0, 0, 1} << QPointF(0.5, 0.25) << QPointF(150, 75)
            << QPointF(-100, -100);
        QTest::newRow("offset screen") << Rect4{10, 110, 210, 10} << Rect4{-1, -1, 1, 1}
                                       << QPointF(0, 0.5) << QPointF(110, 35) << QPointF(100, -50);
        QTest::newRow("y down") << Rect4{0, 0, 50, 80} << Rect4{0, 0, 5, 8} << QPointF(1, 2)
                                << QPointF(10, 20) << QPointF(10, 10);
    }

    void mapping()
    {
        QFETCH(Rect4, screen);
        QFETCH(Rect4, data);
        QFETCH(QPointF, dataPoint);
        QFETCH(QPointF, screenPoint);
        QFETCH(QPointF, unitLengths);

        ChCoord c;
        c.setScreenRect(screen[0], screen[1], screen[2], screen[3]);
        c.setDataRect(data[0], data[1], data[2], data[3]);
        QCOMPARE(dataRect(c), data);

        QVERIFY(near(c.toScreenX(dataPoint.x()), screenPoint.x()));
        QVERIFY(near(c.toScreenY(dataPoint.y()), screenPoint.y()));
        QVERIFY(near(c.toDataX(screenPoint.x()), dataPoint.x()));
        QVERIFY(near(c.toDataY(screenPoint.y()), dataPoint.y()));
        QVERIFY(near(c.toScreenDX(1), unitLengths.x()));
        QVERIFY(near(c.toScreenDY(1), unitLengths.y()));
        QVERIFY(near(c.toScreenDX(-2.5), -2.5 * unitLengths.x()));
        // The data corners land on the screen corners.
        QVERIFY(near(c.toScreenX(data[0]), screen[0]));
        QVERIFY(near(c.toScreenY(data[1]), screen[1]));
        QVERIFY(near(c.toScreenX(data[2]), screen[2]));
        QVERIFY(near(c.toScreenY(data[3]), screen[3]));
    }

    void setDataRectAndClearScale()
    {
        ChCoord c;
        QVERIFY(!c.xSet && !c.ySet);
        c.setDataRect(-3, 4, 5, 6);
        QCOMPARE(dataRect(c), (Rect4{-3, 4, 5, 6}));
        QVERIFY(c.xSet);
        QVERIFY(c.ySet);
        c.clearScale();
        QVERIFY(!c.xSet);
        QVERIFY(!c.ySet);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 0, 0}));
    }

    void setMouse()
    {
        ChCoord c;
        standardMapping(c);
        MouseC m1;
        MouseC m2;
        QSignalSpy pos(&c, &ChCoord::nowPos);

        c.setMouse(&m1);
        QCOMPARE(c.mouse, &m1);
        record(m1, QEvent::MouseMove, QPoint(50, 25));
        QCOMPARE(pos.count(), 1);

        // Attaching the same mouse again must not connect it twice.
        c.setMouse(&m1);
        record(m1, QEvent::MouseMove, QPoint(50, 25));
        QCOMPARE(pos.count(), 2);

        c.setMouse(&m2);
        QCOMPARE(c.mouse, &m2);
        record(m1, QEvent::MouseMove, QPoint(50, 25));
        QCOMPARE(pos.count(), 2);
        record(m2, QEvent::MouseMove, QPoint(50, 25));
        QCOMPARE(pos.count(), 3);

        c.setMouse(nullptr);
        QCOMPARE(c.mouse, nullptr);
        record(m2, QEvent::MouseMove, QPoint(50, 25));
        record(m1, QEvent::MouseMove, QPoint(50, 25));
        QCOMPARE(pos.count(), 3);

        // Without a mouse the wheel does nothing.
        QSignalSpy updated(&c, &ChCoord::updated);
        c.wheelMoved(1);
        QCOMPARE(updated.count(), 0);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
    }

    void nowPos()
    {
        ChCoord c;
        standardMapping(c);
        MouseC m;
        c.setMouse(&m);
        QSignalSpy pos(&c, &ChCoord::nowPos);
        QSignalSpy updated(&c, &ChCoord::updated);

        record(m, QEvent::MouseMove, QPoint(50, 25));
        record(m, QEvent::MouseMove, QPoint(150, 100));
        QCOMPARE(pos.count(), 2);
        QVERIFY(near(pos.at(0).at(0).toDouble(), 0.5));
        QVERIFY(near(pos.at(0).at(1).toDouble(), 0.75));
        QVERIFY(near(pos.at(1).at(0).toDouble(), 1.5));
        QVERIFY(near(pos.at(1).at(1).toDouble(), 0.0));
        // A move without a drag leaves the range alone.
        QCOMPARE(updated.count(), 0);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
    }

    void pan_data()
    {
        QTest::addColumn<int>("dragCode");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("pans");

        const int L = Qt::LeftButton;
        const int R = Qt::RightButton;
        const int S = Qt::ShiftModifier;
        QTest::newRow("default code, left") << 1 << L << 0 << false;
        QTest::newRow("default code, Shift+left") << 1 << L << S << true;
        QTest::newRow("default code, Shift+Keypad+left")
            << 1 << L << (S | int(Qt::KeypadModifier)) << true;
        QTest::newRow("default code, Shift+Control+left")
            << 1 << L << (S | int(Qt::ControlModifier)) << false;
        QTest::newRow("default code, Shift+right") << 1 << R << S << false;
        QTest::newRow("plain left code") << 0 << L << 0 << true;
        QTest::newRow("right Control code") << 10 << R << int(Qt::ControlModifier) << true;
        QTest::newRow("other-button code") << 16 << int(Qt::MiddleButton) << S << true;
        QTest::newRow("no code matches") << -1 << L << S << false;
    }

    void pan()
    {
        QFETCH(int, dragCode);
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(bool, pans);

        ChCoord c;
        standardMapping(c);
        c.dragCode = dragCode;
        MouseC m;
        c.setMouse(&m);
        QSignalSpy updated(&c, &ChCoord::updated);
        QSignalSpy pos(&c, &ChCoord::nowPos);

        const auto b = Qt::MouseButton(button);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        record(m, QEvent::MouseButtonPress, QPoint(50, 50), b, mods, b);
        QCOMPARE(updated.count(), 1);
        record(m, QEvent::MouseMove, QPoint(80, 30), Qt::NoButton, mods, b);
        record(m, QEvent::MouseMove, QPoint(100, 60), Qt::NoButton, mods, b);
        QCOMPARE(pos.count(), 2);
        if (pans) {
            QCOMPARE(updated.count(), 3);
            // The data point first pressed stays under the pointer.
            QVERIFY(near(c.toDataX(100), 0.5));
            QVERIFY(near(c.toDataY(60), 0.5));
            COMPARE_RECT(dataRect(c), (Rect4{-0.5, 0.1, 1.5, 1.1}));
        } else {
            QCOMPARE(updated.count(), 1);
            QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
        }

        // Once released, moves only report.
        const Rect4 afterDrag = dataRect(c);
        record(m, QEvent::MouseButtonRelease, QPoint(100, 60), b, mods);
        const int updates = int(updated.count());
        record(m, QEvent::MouseMove, QPoint(10, 10), Qt::NoButton, mods);
        QCOMPARE(updated.count(), updates);
        QCOMPARE(dataRect(c), afterDrag);
    }

    void pressAndDoubleClickOnlyUpdate()
    {
        ChCoord c;
        standardMapping(c);
        MouseC m;
        c.setMouse(&m);
        QSignalSpy updated(&c, &ChCoord::updated);
        QSignalSpy pos(&c, &ChCoord::nowPos);

        record(m, QEvent::MouseButtonPress, QPoint(20, 30), Qt::RightButton);
        QCOMPARE(updated.count(), 1);
        record(m, QEvent::MouseButtonDblClick, QPoint(20, 30), Qt::LeftButton);
        QCOMPARE(updated.count(), 2);
        QCOMPARE(pos.count(), 0);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
        QVERIFY(!c.xSet && !c.ySet);
    }

    void rectangleZoom_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("pressModifiers");
        QTest::addColumn<int>("releaseModifiers");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<Rect4>("expected");

        const int R = Qt::RightButton;
        const Rect4 unchanged{0, 0, 2, 1};
        // Dragged towards the top-right, the y range comes out top first.
        QTest::newRow("bottom-left to top-right")
            << R << 0 << 0 << QPoint(20, 80) << QPoint(120, 30) << Rect4{0.2, 0.7, 1.2, 0.2};
        QTest::newRow("top-right to bottom-left")
            << R << 0 << 0 << QPoint(120, 30) << QPoint(20, 80) << Rect4{0.2, 0.7, 1.2, 0.2};
        QTest::newRow("top-left to bottom-right")
            << R << 0 << 0 << QPoint(20, 30) << QPoint(120, 80) << Rect4{0.2, 0.2, 1.2, 0.7};
        QTest::newRow("bottom-right to top-left")
            << R << 0 << 0 << QPoint(120, 80) << QPoint(20, 30) << Rect4{0.2, 0.2, 1.2, 0.7};
        QTest::newRow("outside the screen rect")
            << R << 0 << 0 << QPoint(-50, 150) << QPoint(250, -50) << Rect4{-0.5, 1.5, 2.5, -0.5};
        QTest::newRow("release keys do not count")
            << R << 0 << int(Qt::ShiftModifier) << QPoint(20, 80) << QPoint(120, 30)
            << Rect4{0.2, 0.7, 1.2, 0.2};
        QTest::newRow("Meta does not count") << R << int(Qt::MetaModifier) << 0 << QPoint(20, 80)
                                             << QPoint(120, 30) << Rect4{0.2, 0.7, 1.2, 0.2};
        QTest::newRow("Shift+right")
            << R << int(Qt::ShiftModifier) << 0 << QPoint(20, 80) << QPoint(120, 30) << unchanged;
        QTest::newRow("Control+right")
            << R << int(Qt::ControlModifier) << 0 << QPoint(20, 80) << QPoint(120, 30) << unchanged;
        QTest::newRow("Alt+right")
            << R << int(Qt::AltModifier) << 0 << QPoint(20, 80) << QPoint(120, 30) << unchanged;
        QTest::newRow("left") << int(Qt::LeftButton) << 0 << 0 << QPoint(20, 80) << QPoint(120, 30)
                              << unchanged;
        QTest::newRow("middle") << int(Qt::MiddleButton) << 0 << 0 << QPoint(20, 80)
                                << QPoint(120, 30) << unchanged;
        QTest::newRow("same x") << R << 0 << 0 << QPoint(20, 80) << QPoint(20, 30) << unchanged;
        QTest::newRow("same y") << R << 0 << 0 << QPoint(20, 80) << QPoint(120, 80) << unchanged;
        QTest::newRow("click") << R << 0 << 0 << QPoint(20, 80) << QPoint(20, 80) << unchanged;
    }

    void rectangleZoom()
    {
        QFETCH(int, button);
        QFETCH(int, pressModifiers);
        QFETCH(int, releaseModifiers);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(Rect4, expected);

        ChCoord c;
        standardMapping(c);
        MouseC m;
        c.setMouse(&m);
        QSignalSpy updated(&c, &ChCoord::updated);

        const auto b = Qt::MouseButton(button);
        record(m, QEvent::MouseButtonPress, from, b, Qt::KeyboardModifiers(pressModifiers), b);
        record(m, QEvent::MouseButtonRelease, to, b, Qt::KeyboardModifiers(releaseModifiers));
        QCOMPARE(updated.count(), 2);
        COMPARE_RECT(dataRect(c), expected);
        const bool zoomed = expected != Rect4{0, 0, 2, 1};
        QCOMPARE(c.xSet, zoomed);
        QCOMPARE(c.ySet, zoomed);
    }

    void wheelZoom_data() { addWheelRows(); }

    void wheelZoom()
    {
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, angleDelta);
        QFETCH(bool, zoomX);
        QFETCH(bool, zoomY);
        QFETCH(double, factor);

        ChCoord c;
        standardMapping(c);
        MouseC m;
        c.setMouse(&m);
        record(m, QEvent::MouseMove, pointer);
        const Rect4 before = dataRect(c);
        const double mx = c.toDataX(pointer.x());
        const double my = c.toDataY(pointer.y());
        QSignalSpy updated(&c, &ChCoord::updated);

        const QPointF at(pointer);
        QWheelEvent e(at, at, QPoint(), angleDelta, Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                      false);
        m.recordWheel(&e);
        QCOMPARE(updated.count(), 1);
        checkZoom(c, before, pointer, mx, my, zoomX, zoomY, factor);
    }

    void wheelZoomValues()
    {
        ChCoord c;
        standardMapping(c);
        MouseC m;
        c.setMouse(&m);
        record(m, QEvent::MouseMove, QPoint(50, 75));
        c.wheelMoved(1);
        // About (0.5, 0.25): each end moves towards it to 1/1.1 of its distance.
        COMPARE_RECT(dataRect(c), (Rect4{0.5 - 0.5 / 1.1, 0.25 - 0.25 / 1.1, 0.5 + 1.5 / 1.1,
                                         0.25 + 0.75 / 1.1}));
        c.wheelMoved(-7);
        COMPARE_RECT(dataRect(c), (Rect4{0, 0, 2, 1}));
    }

    void wheelZoomOff()
    {
        ChCoord c;
        standardMapping(c);
        c.wheelZoom = false;
        MouseC m;
        c.setMouse(&m);
        record(m, QEvent::MouseMove, QPoint(100, 50));
        QSignalSpy updated(&c, &ChCoord::updated);
        c.wheelMoved(1);
        c.wheelMoved(-1);
        QCOMPARE(updated.count(), 0);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
        QVERIFY(!c.xSet && !c.ySet);
    }

    // DispA maps pixel centres of its last row and column; DispB and ExLabel map the borders.
    void widgetScreenRects_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Rect4>("expected"); // sx0, sy0, sx1, sy1

        QTest::newRow("DispA") << "DispA" << QSize(200, 100) << Rect4{0, 99, 199, 0};
        QTest::newRow("DispA wide") << "DispA" << QSize(300, 50) << Rect4{0, 49, 299, 0};
        QTest::newRow("DispB") << "DispB" << QSize(200, 100) << Rect4{0, 100, 200, 0};
        QTest::newRow("DispB wide") << "DispB" << QSize(300, 50) << Rect4{0, 50, 300, 0};
        QTest::newRow("ExLabel") << "ExLabel" << QSize(200, 100) << Rect4{0, 100, 200, 0};
        QTest::newRow("ExLabel wide") << "ExLabel" << QSize(300, 50) << Rect4{0, 50, 300, 0};
    }

    void widgetScreenRects()
    {
        QFETCH(QString, kind);
        QFETCH(QSize, size);
        QFETCH(Rect4, expected);

        DispA a;
        DispB b;
        ExLabel l;
        QWidget* w = kind == "DispA"   ? static_cast<QWidget*>(&a)
                     : kind == "DispB" ? static_cast<QWidget*>(&b)
                                       : &l;
        ChCoord& c = kind == "DispA" ? a.coord : kind == "DispB" ? b.coord : l.coord;
        showFixed(w, size);
        w->repaint();
        QCOMPARE((Rect4{c.sx0, c.sy0, c.sx1, c.sy1}), expected);
    }

    void drawSignals_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QColor>("background");

        QTest::newRow("DispA") << "DispA" << QColor(Qt::black);
        QTest::newRow("DispB") << "DispB" << QColor(Qt::white);
    }

    void drawSignals()
    {
        QFETCH(QString, kind);
        QFETCH(QColor, background);

        DispA a;
        DispB b;
        QWidget* w = kind == "DispA" ? static_cast<QWidget*>(&a) : &b;
        showFixed(w, QSize(200, 100));

        QStringList order;
        QList<QPainter*> painters;
        const auto trace = [&](const char* name) {
            return [&order, &painters, name](QPainter* p) {
                order << name;
                painters << p;
                QVERIFY(p->isActive());
                p->fillRect(QRect(10, 10, 20, 20), Qt::red);
            };
        };
        if (kind == "DispA") {
            connect(&a, &DispA::drawImage0, w, trace("0"));
            connect(&a, &DispA::drawImage1, w, trace("1"));
            connect(&a, &DispA::drawImage2, w, trace("2"));
        } else {
            connect(&b, &DispB::drawImage0, w, trace("0"));
            connect(&b, &DispB::drawImage1, w, trace("1"));
            connect(&b, &DispB::drawImage2, w, trace("2"));
        }
        const QImage shot = w->grab().toImage();
        QCOMPARE(order, QStringList({"0", "1", "2"}));
        QCOMPARE(painters.count(), 3);
        QCOMPARE(painters[1], painters[0]);
        QCOMPARE(painters[2], painters[0]);
        // The background is laid first and the owners draw over it.
        QCOMPARE(shot.pixelColor(15, 15), QColor(Qt::red));
        QCOMPARE(shot.pixelColor(100, 50), background);
    }

    void exLabelDrawsOverText()
    {
        ExLabel l;
        QFont f = l.font();
        f.setPixelSize(60);
        l.setFont(f);
        l.setText("MMMM");
        showFixed(&l, QSize(200, 100));

        const auto colours = [](const QImage& img) {
            QSet<QRgb> seen;
            for (int y = 0; y < img.height(); ++y) {
                for (int x = 0; x < img.width(); ++x)
                    seen.insert(img.pixel(x, y));
            }
            return seen;
        };
        // The text alone leaves ink of more than one colour.
        QVERIFY(colours(l.grab().toImage()).size() > 1);

        bool drawn = false;
        connect(&l, &ExLabel::draw, &l, [&](QPainter* p) {
            drawn = true;
            p->fillRect(l.rect(), Qt::blue);
        });
        const QImage shot = l.grab().toImage();
        QVERIFY(drawn);
        QCOMPARE(colours(shot), QSet<QRgb>({QColor(Qt::blue).rgb()}));
    }

    void dispADrag_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<Rect4>("expected");

        const int L = Qt::LeftButton;
        const int R = Qt::RightButton;
        const Rect4 unchanged{0, 0, 2, 1};
        QTest::newRow("left drag does not pan")
            << L << 0 << QPoint(20, 80) << QPoint(120, 30) << unchanged;
        QTest::newRow("Shift+left drag pans") << L << int(Qt::ShiftModifier) << QPoint(20, 80)
                                              << QPoint(120, 30) << Rect4{-1, -0.5, 1, 0.5};
        QTest::newRow("Control+left drag does not pan")
            << L << int(Qt::ControlModifier) << QPoint(20, 80) << QPoint(120, 30) << unchanged;
        QTest::newRow("right drag zooms, bottom-left to top-right")
            << R << 0 << QPoint(20, 80) << QPoint(120, 30) << Rect4{0.2, 0.7, 1.2, 0.2};
        QTest::newRow("right drag zooms, top-left to bottom-right")
            << R << 0 << QPoint(20, 30) << QPoint(120, 80) << Rect4{0.2, 0.2, 1.2, 0.7};
        QTest::newRow("Shift+right drag does nothing")
            << R << int(Qt::ShiftModifier) << QPoint(20, 80) << QPoint(120, 30) << unchanged;
    }

    void dispADrag()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(Rect4, expected);

        ShownDispA s;
        DispA& a = s.a;
        QCOMPARE((Rect4{a.coord.sx0, a.coord.sy0, a.coord.sx1, a.coord.sy1}),
                 (Rect4{0, 100, 200, 0}));
        const auto b = Qt::MouseButton(button);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        const bool pans = expected != Rect4{0, 0, 2, 1} && b == Qt::LeftButton;
        const double gx = a.coord.toDataX(from.x());
        const double gy = a.coord.toDataY(from.y());

        QTest::mousePress(&a, b, mods, from);
        const QPoint mid = (from + to) / 2 + QPoint(7, -3);
        moveTo(&a, mid, mods, b);
        if (pans) {
            QVERIFY(near(a.coord.toDataX(mid.x()), gx));
            QVERIFY(near(a.coord.toDataY(mid.y()), gy));
        }
        moveTo(&a, to, mods, b);
        QTest::mouseRelease(&a, b, mods, to);
        COMPARE_RECT(dataRect(a.coord), expected);
        if (pans) {
            QVERIFY(near(a.coord.toDataX(to.x()), gx));
            QVERIFY(near(a.coord.toDataY(to.y()), gy));
        }
    }

    void dispAWheel_data() { addWheelRows(); }

    void dispAWheel()
    {
        QFETCH(QPoint, pointer);
        QFETCH(QPoint, angleDelta);
        QFETCH(bool, zoomX);
        QFETCH(bool, zoomY);
        QFETCH(double, factor);

        ShownDispA s;
        DispA& a = s.a;
        moveTo(&a, pointer);
        const Rect4 before = dataRect(a.coord);
        const double mx = a.coord.toDataX(pointer.x());
        const double my = a.coord.toDataY(pointer.y());
        QSignalSpy updated(&a.coord, &ChCoord::updated);
        wheel(&a, pointer, angleDelta);
        QCOMPARE(updated.count(), 1);
        checkZoom(a.coord, before, pointer, mx, my, zoomX, zoomY, factor);
    }

    // Without an attached mapping, DispB and ExLabel gestures leave their coord alone.
    void detachedCoordStays_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("DispB") << "DispB";
        QTest::newRow("ExLabel") << "ExLabel";
    }

    void detachedCoordStays()
    {
        QFETCH(QString, kind);

        DispB b;
        ExLabel l;
        QWidget* w = kind == "DispB" ? static_cast<QWidget*>(&b) : &l;
        ChCoord& c = kind == "DispB" ? b.coord : l.coord;
        showFixed(w, QSize(200, 100));
        w->repaint();
        c.setDataRect(0, 0, 2, 1);
        QSignalSpy updated(&c, &ChCoord::updated);
        QSignalSpy pos(&c, &ChCoord::nowPos);

        QTest::mousePress(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(20, 80));
        moveTo(w, QPoint(120, 30), Qt::ShiftModifier, Qt::LeftButton);
        QTest::mouseRelease(w, Qt::LeftButton, Qt::ShiftModifier, QPoint(120, 30));
        QTest::mousePress(w, Qt::RightButton, Qt::NoModifier, QPoint(20, 80));
        QTest::mouseRelease(w, Qt::RightButton, Qt::NoModifier, QPoint(120, 30));
        wheel(w, QPoint(100, 50), QPoint(0, 120));
        QCOMPARE(updated.count(), 0);
        QCOMPARE(pos.count(), 0);
        QCOMPARE(dataRect(c), (Rect4{0, 0, 2, 1}));
    }
};

QTEST_MAIN(tst_chcoord)
#include "tst_chcoord.moc"
