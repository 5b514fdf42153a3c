#include "dispa.h"
#include "dispb.h"
#include "exlabel.h"
#include "mousec.h"

#include <QApplication>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>

#include "mouseevents.h"
#include <QWheelEvent>

using namespace MouseEvents;

namespace
{

void sendMouse(MouseC& m, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : button;
    MouseEvents::record(m, type, pos, button, mods, held);
}

void enter(QWidget* w)
{
    const QPointF p(w->width() / 2.0, w->height() / 2.0);
    QEnterEvent e(p, p, w->mapToGlobal(p));
    QApplication::sendEvent(w, &e);
}

void leave(QWidget* w)
{
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

void showFixed(QWidget* w)
{
    w->setFixedSize(200, 100);
    w->show();
    if (!QTest::qWaitForWindowExposed(w))
        qFatal("window not exposed");
}

// Records the order in which a mouse's enter/leave signals arrive.
void traceEnterLeave(MouseC& m, QObject* context, QStringList& trace)
{
    QObject::connect(&m, &MouseC::mEntered, context, [&trace] { trace << "entered"; });
    QObject::connect(&m, &MouseC::mLeaved, context, [&trace] { trace << "leaved"; });
    QObject::connect(&m, &MouseC::mEnterLeave, context,
                     [&trace](bool f) { trace << (f ? "in" : "out"); });
}

} // namespace

class tst_mousec : public QObject
{
    Q_OBJECT

private:
    static void addStatRows()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");

        const int S = Qt::ShiftModifier;
        const int C = Qt::ControlModifier;
        const int A = Qt::AltModifier;
        const struct {
            const char* name;
            int mods;
            int offset;
        } combos[] = {{"none", 0, 0},
                      {"Shift", S, 1},
                      {"Control", C, 2},
                      {"Alt", A, 3},
                      {"Shift+Control", S | C, 4},
                      {"Shift+Alt", S | A, 5},
                      {"Control+Alt", C | A, 6},
                      {"Shift+Control+Alt", S | C | A, 7}};
        for (const auto& c : combos) {
            QTest::addRow("left %s", c.name) << int(Qt::LeftButton) << c.mods << c.offset;
            QTest::addRow("right %s", c.name) << int(Qt::RightButton) << c.mods << 8 + c.offset;
        }
        QTest::newRow("middle") << int(Qt::MiddleButton) << 0 << 16;
        QTest::newRow("middle Shift") << int(Qt::MiddleButton) << S << 16;
        QTest::newRow("back Control+Alt") << int(Qt::BackButton) << (C | A) << 16;
        // Only the Shift, Control and Alt bits count.
        QTest::newRow("left Meta") << int(Qt::LeftButton) << int(Qt::MetaModifier) << 0;
        QTest::newRow("left Keypad+Shift")
            << int(Qt::LeftButton) << int(Qt::KeypadModifier | Qt::ShiftModifier) << 1;
        QTest::newRow("right Meta+Control+Alt")
            << int(Qt::RightButton) << int(Qt::MetaModifier | Qt::ControlModifier | A) << 14;
        QTest::newRow("right Keypad+Meta+all")
            << int(Qt::RightButton) << int(Qt::KeypadModifier | Qt::MetaModifier | S | C | A) << 15;
    }

private slots:
    void stat_data() { addStatRows(); }

    void stat()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QCOMPARE(int(MouseC::stat(button, modifiers)), code);
    }

    void pressStatOnWidget_data() { addStatRows(); }

    void pressStatOnWidget()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(int, code);

        DispB w;
        showFixed(&w);
        const auto b = Qt::MouseButton(button);
        const auto m = Qt::KeyboardModifiers(modifiers);
        QTest::mousePress(&w, b, m, QPoint(30, 40));
        QCOMPARE(w.mouse.pressButton, button);
        QCOMPARE(w.mouse.pressModifiers, modifiers);
        QCOMPARE(int(w.mouse.pressStat()), code);
        QTest::mouseRelease(&w, b, m, QPoint(30, 40));
        // A release records its own button but leaves the press code alone.
        QCOMPARE(int(w.mouse.pressStat()), code);
    }

    void press_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("left");
        QTest::addColumn<bool>("right");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("alt");

        const int L = Qt::LeftButton;
        const int R = Qt::RightButton;
        const int S = Qt::ShiftModifier;
        const int C = Qt::ControlModifier;
        const int A = Qt::AltModifier;
        QTest::newRow("left") << L << 0 << true << false << false << false << false;
        QTest::newRow("right Shift") << R << S << false << true << true << false << false;
        QTest::newRow("left Control") << L << C << true << false << false << true << false;
        QTest::newRow("right Alt") << R << A << false << true << false << false << true;
        QTest::newRow("middle Shift")
            << int(Qt::MiddleButton) << S << false << false << true << false << false;
        // The flags ask for exactly one key: combinations and extra bits clear them.
        QTest::newRow("Shift+Control") << L << (S | C) << true << false << false << false << false;
        QTest::newRow("Control+Alt") << L << (C | A) << true << false << false << false << false;
        QTest::newRow("Shift+Keypad")
            << L << (S | int(Qt::KeypadModifier)) << true << false << false << false << false;
    }

    void press()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(bool, left);
        QFETCH(bool, right);
        QFETCH(bool, shift);
        QFETCH(bool, ctrl);
        QFETCH(bool, alt);

        MouseC m;
        sendMouse(m, QEvent::MouseMove, QPointF(5, 6), Qt::NoButton);
        QSignalSpy pressed(&m, &MouseC::mPressed);
        QSignalSpy moved(&m, &MouseC::mMoved);
        QSignalSpy released(&m, &MouseC::mReleased);

        sendMouse(m, QEvent::MouseButtonPress, QPointF(17.8, 23.2), Qt::MouseButton(button),
                  Qt::KeyboardModifiers(modifiers));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(moved.count(), 0);
        QCOMPARE(released.count(), 0);
        QCOMPARE(m.prevPos, QPoint(5, 6));
        QCOMPARE(m.pos, QPoint(17, 23));
        QCOMPARE(m.pressPos, QPoint(17, 23));
        QVERIFY(m.pressed);
        QCOMPARE(m.button, button);
        QCOMPARE(m.pressButton, button);
        QCOMPARE(m.modifiers, modifiers);
        QCOMPARE(m.pressModifiers, modifiers);
        QCOMPARE(m.pressLeft, left);
        QCOMPARE(m.pressRight, right);
        QCOMPARE(m.pressShift, shift);
        QCOMPARE(m.pressCtrl, ctrl);
        QCOMPARE(m.pressAlt, alt);
    }

    void buttonCodes()
    {
        MouseC m;
        sendMouse(m, QEvent::MouseButtonPress, QPointF(1, 1), Qt::LeftButton);
        QCOMPARE(m.pressButton, 1);
        sendMouse(m, QEvent::MouseButtonRelease, QPointF(1, 1), Qt::RightButton);
        QCOMPARE(m.releaseButton, 2);
        sendMouse(m, QEvent::MouseButtonDblClick, QPointF(1, 1), Qt::RightButton);
        QCOMPARE(m.dClickButton, 2);
    }

    void move_data()
    {
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<bool>("shift");
        QTest::addColumn<bool>("ctrl");
        QTest::addColumn<bool>("alt");

        QTest::newRow("none") << 0 << false << false << false;
        QTest::newRow("Shift") << int(Qt::ShiftModifier) << true << false << false;
        QTest::newRow("Control") << int(Qt::ControlModifier) << false << true << false;
        QTest::newRow("Alt") << int(Qt::AltModifier) << false << false << true;
        QTest::newRow("Shift+Alt")
            << int(Qt::ShiftModifier | Qt::AltModifier) << false << false << false;
        QTest::newRow("Control+Meta")
            << int(Qt::ControlModifier | Qt::MetaModifier) << false << false << false;
    }

    void move()
    {
        QFETCH(int, modifiers);
        QFETCH(bool, shift);
        QFETCH(bool, ctrl);
        QFETCH(bool, alt);

        MouseC m;
        sendMouse(m, QEvent::MouseButtonPress, QPointF(10, 20), Qt::RightButton, Qt::ShiftModifier);
        QSignalSpy moved(&m, &MouseC::mMoved);
        QSignalSpy pressed(&m, &MouseC::mPressed);

        QMouseEvent e(QEvent::MouseMove, QPointF(30.5, 40.9), QPointF(30.5, 40.9), Qt::NoButton,
                      Qt::RightButton, Qt::KeyboardModifiers(modifiers));
        m.recordMove(&e);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(pressed.count(), 0);
        QCOMPARE(m.prevPos, QPoint(10, 20));
        QCOMPARE(m.pos, QPoint(30, 40));
        QCOMPARE(m.button, 0);
        QCOMPARE(m.modifiers, modifiers);
        QCOMPARE(m.moveShift, shift);
        QCOMPARE(m.moveCtrl, ctrl);
        QCOMPARE(m.moveAlt, alt);
        // A move leaves the press record alone.
        QVERIFY(m.pressed);
        QCOMPARE(m.pressPos, QPoint(10, 20));
        QCOMPARE(m.pressModifiers, int(Qt::ShiftModifier));
        QVERIFY(m.pressShift);
        QVERIFY(m.pressRight);
    }

    void releaseAndDoubleClick()
    {
        MouseC m;
        QSignalSpy released(&m, &MouseC::mReleased);
        QSignalSpy dClicked(&m, &MouseC::mDClicked);

        sendMouse(m, QEvent::MouseButtonPress, QPointF(10, 20), Qt::RightButton);
        sendMouse(m, QEvent::MouseMove, QPointF(15, 25), Qt::NoButton);
        sendMouse(m, QEvent::MouseButtonRelease, QPointF(40.6, 50.2), Qt::RightButton,
                  Qt::ControlModifier);
        QCOMPARE(released.count(), 1);
        QCOMPARE(m.prevPos, QPoint(15, 25));
        QCOMPARE(m.pos, QPoint(40, 50));
        QCOMPARE(m.releasePos, QPoint(40, 50));
        QCOMPARE(m.pressPos, QPoint(10, 20));
        QVERIFY(!m.pressed);
        QVERIFY(!m.pressLeft);
        QVERIFY(!m.pressRight);
        QCOMPARE(m.button, int(Qt::RightButton));
        QCOMPARE(m.releaseButton, int(Qt::RightButton));
        QCOMPARE(m.modifiers, int(Qt::ControlModifier));
        QCOMPARE(m.releaseModifiers, int(Qt::ControlModifier));
        QCOMPARE(m.pressModifiers, 0);

        sendMouse(m, QEvent::MouseButtonDblClick, QPointF(70.9, 80.1), Qt::LeftButton,
                  Qt::AltModifier);
        QCOMPARE(dClicked.count(), 1);
        QCOMPARE(released.count(), 1);
        QCOMPARE(m.dClickPos, QPoint(70, 80));
        QCOMPARE(m.dClickButton, int(Qt::LeftButton));
        QCOMPARE(m.dClickModifiers, int(Qt::AltModifier));
        // A double click is no move: the positions stay.
        QCOMPARE(m.pos, QPoint(40, 50));
        QCOMPARE(m.prevPos, QPoint(15, 25));
        QCOMPARE(m.releasePos, QPoint(40, 50));
    }

    void truncation_data()
    {
        QTest::addColumn<QPointF>("at");
        QTest::addColumn<QPoint>("expected");

        QTest::newRow("whole") << QPointF(12, 34) << QPoint(12, 34);
        QTest::newRow("fractions") << QPointF(12.9, 34.1) << QPoint(12, 34);
        QTest::newRow("negative toward zero") << QPointF(-0.5, -3.7) << QPoint(0, -3);
        QTest::newRow("mixed") << QPointF(-12.99, 7.5) << QPoint(-12, 7);
    }

    void truncation()
    {
        QFETCH(QPointF, at);
        QFETCH(QPoint, expected);

        MouseC m;
        sendMouse(m, QEvent::MouseMove, at, Qt::NoButton);
        QCOMPARE(m.pos, expected);
        sendMouse(m, QEvent::MouseButtonPress, at, Qt::LeftButton);
        QCOMPARE(m.pressPos, expected);
        QCOMPARE(m.prevPos, expected);
        sendMouse(m, QEvent::MouseButtonRelease, at, Qt::LeftButton);
        QCOMPARE(m.releasePos, expected);
        sendMouse(m, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
        QCOMPARE(m.dClickPos, expected);
    }

    void wheelStep_data()
    {
        QTest::addColumn<QPoint>("angleDelta");
        QTest::addColumn<int>("step");

        QTest::newRow("one notch") << QPoint(0, 120) << 1;
        QTest::newRow("half notch") << QPoint(0, 60) << 0;
        QTest::newRow("two notches back") << QPoint(0, -240) << -2;
        QTest::newRow("half notch back") << QPoint(0, -60) << 0;
        QTest::newRow("one and a half") << QPoint(0, 180) << 1;
        QTest::newRow("one and a half back") << QPoint(0, -180) << -1;
        QTest::newRow("three notches") << QPoint(0, 360) << 3;
        QTest::newRow("horizontal only") << QPoint(240, 0) << 0;
        QTest::newRow("horizontal ignored") << QPoint(-480, 120) << 1;
    }

    void wheelStep()
    {
        QFETCH(QPoint, angleDelta);
        QFETCH(int, step);

        MouseC m;
        QSignalSpy spy(&m, &MouseC::wMoved);
        QWheelEvent e(QPointF(3, 4), QPointF(3, 4), QPoint(), angleDelta, Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
        m.recordWheel(&e);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toInt(), step);

        // Through a widget's real wheel event as well.
        DispA a;
        showFixed(&a);
        QSignalSpy widgetSpy(&a.mouse, &MouseC::wMoved);
        wheel(&a, QPoint(100, 50), angleDelta);
        QCOMPARE(widgetSpy.count(), 1);
        QCOMPARE(widgetSpy.at(0).at(0).toInt(), step);
    }

    void recordEnterLeave()
    {
        MouseC m;
        QStringList trace;
        QObject context;
        traceEnterLeave(m, &context, trace);
        m.recordEnterLeave(true);
        QCOMPARE(trace, QStringList({"entered", "in"}));
        trace.clear();
        m.recordEnterLeave(false);
        QCOMPARE(trace, QStringList({"leaved", "out"}));
    }

    // DispA and ExLabel track whether the pointer is inside and forward it to their mouse.
    void widgetEnterLeave_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("DispA") << "DispA";
        QTest::newRow("ExLabel") << "ExLabel";
    }

    void widgetEnterLeave()
    {
        QFETCH(QString, kind);

        DispA a;
        ExLabel l;
        QWidget* w = kind == "DispA" ? static_cast<QWidget*>(&a) : &l;
        MouseC& m = kind == "DispA" ? a.mouse : l.mouse;
        const bool& inside = kind == "DispA" ? a.inside : l.inside;
        showFixed(w);

        QStringList trace;
        QObject context;
        traceEnterLeave(m, &context, trace);
        enter(w);
        QVERIFY(inside);
        QCOMPARE(trace, QStringList({"entered", "in"}));
        trace.clear();
        leave(w);
        QVERIFY(!inside);
        QCOMPARE(trace, QStringList({"leaved", "out"}));
        trace.clear();
        enter(w);
        QVERIFY(inside);
        QCOMPARE(trace, QStringList({"entered", "in"}));
    }

    void dispARecordsAndRepaints()
    {
        DispA a;
        showFixed(&a);
        int paints = 0;
        connect(&a, &DispA::drawImage0, &a, [&paints] { ++paints; });
        QSignalSpy pressed(&a.mouse, &MouseC::mPressed);
        QSignalSpy moved(&a.mouse, &MouseC::mMoved);
        QSignalSpy released(&a.mouse, &MouseC::mReleased);
        QSignalSpy dClicked(&a.mouse, &MouseC::mDClicked);

        int before = paints;
        QTest::mousePress(&a, Qt::LeftButton, Qt::ControlModifier, QPoint(30, 40));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(a.mouse.pressPos, QPoint(30, 40));
        QCOMPARE(a.mouse.pressModifiers, int(Qt::ControlModifier));
        QVERIFY(a.mouse.pressCtrl);
        QTRY_VERIFY(paints > before);

        before = paints;
        moveTo(&a, QPoint(50, 60), Qt::ControlModifier, Qt::LeftButton);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(a.mouse.prevPos, QPoint(30, 40));
        QCOMPARE(a.mouse.pos, QPoint(50, 60));
        QVERIFY(a.mouse.moveCtrl);
        QTRY_VERIFY(paints > before);

        before = paints;
        QTest::mouseRelease(&a, Qt::LeftButton, Qt::NoModifier, QPoint(70, 80));
        QCOMPARE(released.count(), 1);
        QCOMPARE(a.mouse.releasePos, QPoint(70, 80));
        QVERIFY(!a.mouse.pressed);
        QTRY_VERIFY(paints > before);

        before = paints;
        QTest::mouseDClick(&a, Qt::RightButton, Qt::ShiftModifier, QPoint(90, 10));
        QCOMPARE(dClicked.count(), 1);
        QCOMPARE(a.mouse.dClickPos, QPoint(90, 10));
        QCOMPARE(a.mouse.dClickButton, int(Qt::RightButton));
        QCOMPARE(a.mouse.dClickModifiers, int(Qt::ShiftModifier));
        QTRY_VERIFY(paints > before);
    }

    // A DispA move is dropped while the previously recorded event had Alt down, whatever the
    // move itself carries.
    void dispAAltFromPreviousEvent()
    {
        DispA a;
        showFixed(&a);
        QSignalSpy moved(&a.mouse, &MouseC::mMoved);

        moveTo(&a, QPoint(10, 10), Qt::AltModifier);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(a.mouse.pos, QPoint(10, 10));
        QVERIFY(a.mouse.moveAlt);

        moveTo(&a, QPoint(20, 20));
        moveTo(&a, QPoint(25, 25), Qt::ShiftModifier);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(a.mouse.pos, QPoint(10, 10));

        // A press without Alt clears the record, so moves count again.
        QTest::mousePress(&a, Qt::LeftButton, Qt::NoModifier, QPoint(30, 30));
        moveTo(&a, QPoint(40, 40), Qt::NoModifier, Qt::LeftButton);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(a.mouse.pos, QPoint(40, 40));
        QCOMPARE(a.mouse.prevPos, QPoint(30, 30));
        QTest::mouseRelease(&a, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));

        // An Alt press blocks the moves after it.
        QTest::mousePress(&a, Qt::LeftButton, Qt::AltModifier | Qt::ShiftModifier, QPoint(5, 5));
        moveTo(&a, QPoint(60, 60), Qt::NoModifier, Qt::LeftButton);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(a.mouse.pos, QPoint(5, 5));
        QTest::mouseRelease(&a, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
        moveTo(&a, QPoint(70, 70));
        QCOMPARE(moved.count(), 3);
        QCOMPARE(a.mouse.pos, QPoint(70, 70));
    }

    void dispBRecordsBeforeSignal_data()
    {
        QTest::addColumn<int>("type");
        QTest::newRow("press") << int(QEvent::MouseButtonPress);
        QTest::newRow("release") << int(QEvent::MouseButtonRelease);
        QTest::newRow("double click") << int(QEvent::MouseButtonDblClick);
        QTest::newRow("move") << int(QEvent::MouseMove);
    }

    void dispBRecordsBeforeSignal()
    {
        QFETCH(int, type);

        DispB b;
        showFixed(&b);
        QPoint seen(-1, -1);
        QStringList signalsSeen;
        connect(&b, &DispB::mousePressed0, &b, [&] {
            signalsSeen << "pressed";
            seen = b.mouse.pressPos;
        });
        connect(&b, &DispB::mouseReleased0, &b, [&] {
            signalsSeen << "released";
            seen = b.mouse.releasePos;
        });
        connect(&b, &DispB::mouseDoubleClicked0, &b, [&] {
            signalsSeen << "double clicked";
            seen = b.mouse.dClickPos;
        });
        connect(&b, &DispB::mouseMoved0, &b, [&] {
            signalsSeen << "moved";
            seen = b.mouse.pos;
        });

        const QPoint at(44, 55);
        QString expected;
        switch (QEvent::Type(type)) {
        case QEvent::MouseButtonPress:
            QTest::mousePress(&b, Qt::LeftButton, Qt::NoModifier, at);
            expected = "pressed";
            break;
        case QEvent::MouseButtonRelease:
            QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, at);
            expected = "released";
            break;
        case QEvent::MouseButtonDblClick:
            QTest::mouseDClick(&b, Qt::LeftButton, Qt::NoModifier, at);
            expected = "double clicked";
            break;
        default:
            moveTo(&b, at);
            expected = "moved";
            break;
        }
        QCOMPARE(signalsSeen, QStringList{expected});
        QCOMPARE(seen, at);
    }

    // Clicks on a DispB leave the repainting to its owner; moves repaint.
    void dispBRepaintsOnlyOnMove()
    {
        DispB b;
        showFixed(&b);
        int paints = 0;
        connect(&b, &DispB::drawImage0, &b, [&paints] { ++paints; });
        QCoreApplication::processEvents();

        const int before = paints;
        QTest::mousePress(&b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseDClick(&b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
        QCoreApplication::processEvents();
        QCOMPARE(paints, before);

        moveTo(&b, QPoint(20, 20));
        QTRY_VERIFY(paints > before);
    }

    void dispBAltMoveIgnored()
    {
        DispB b;
        showFixed(&b);
        QSignalSpy moved0(&b, &DispB::mouseMoved0);
        QSignalSpy moved(&b.mouse, &MouseC::mMoved);

        moveTo(&b, QPoint(10, 10));
        QCOMPARE(moved0.count(), 1);

        moveTo(&b, QPoint(20, 20), Qt::AltModifier);
        moveTo(&b, QPoint(25, 25), Qt::AltModifier | Qt::ControlModifier);
        QCOMPARE(moved0.count(), 1);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(b.mouse.pos, QPoint(10, 10));

        // Only the move's own keys count: after an Alt press a plain move is recorded.
        QTest::mousePress(&b, Qt::LeftButton, Qt::AltModifier, QPoint(30, 30));
        moveTo(&b, QPoint(40, 40), Qt::NoModifier, Qt::LeftButton);
        QCOMPARE(moved0.count(), 2);
        QCOMPARE(b.mouse.pos, QPoint(40, 40));
        QCOMPARE(b.mouse.prevPos, QPoint(30, 30));
        QTest::mouseRelease(&b, Qt::LeftButton, Qt::NoModifier, QPoint(40, 40));
    }

    void dispBWheel_data()
    {
        QTest::addColumn<QPoint>("angleDelta");
        QTest::addColumn<double>("steps");
        QTest::addColumn<double>("factor");

        QTest::newRow("one notch") << QPoint(0, 120) << 1.0 << 1 / 1.1;
        QTest::newRow("half notch") << QPoint(0, 60) << 0.5 << 1 / 1.1;
        QTest::newRow("half notch back") << QPoint(0, -60) << -0.5 << 1.1;
        QTest::newRow("two notches back") << QPoint(0, -240) << -2.0 << 1.1;
        QTest::newRow("horizontal only") << QPoint(120, 0) << 0.0 << 1 / 1.1;
    }

    void dispBWheel()
    {
        QFETCH(QPoint, angleDelta);
        QFETCH(double, steps);
        QFETCH(double, factor);

        DispB b;
        showFixed(&b);
        // Start from the opposite factor so that every row sees a change or a kept value.
        b.zoomFactor = factor > 1 ? 1 / 1.1 : 1.1;
        QSignalSpy spy(&b, &DispB::wheelMoved0);
        wheel(&b, QPoint(50, 50), angleDelta);
        QCOMPARE(spy.count(), 1);
        QCOMPARE(b.wheelSteps, steps);
        QCOMPARE(b.zoomFactor, factor);
    }

    void coordAttachedOnlyInDispA()
    {
        DispB b;
        QCOMPARE(b.coord.mouse, nullptr);
        DispA a;
        QCOMPARE(a.coord.mouse, &a.mouse);
        ExLabel l;
        QCOMPARE(l.coord.mouse, nullptr);
    }

    void exLabelRecordsEvents()
    {
        ExLabel l;
        showFixed(&l);
        int paints = 0;
        connect(&l, &ExLabel::draw, &l, [&paints] { ++paints; });
        QSignalSpy pressed(&l.mouse, &MouseC::mPressed);
        QSignalSpy moved(&l.mouse, &MouseC::mMoved);
        QSignalSpy released(&l.mouse, &MouseC::mReleased);
        QSignalSpy dClicked(&l.mouse, &MouseC::mDClicked);
        QSignalSpy wheeled(&l.mouse, &MouseC::wMoved);

        int before = paints;
        QTest::mousePress(&l, Qt::RightButton, Qt::AltModifier, QPoint(11, 12));
        QCOMPARE(pressed.count(), 1);
        QCOMPARE(l.mouse.pressPos, QPoint(11, 12));
        QCOMPARE(int(l.mouse.pressStat()), 11);
        QTRY_VERIFY(paints > before);

        before = paints;
        moveTo(&l, QPoint(21, 22), Qt::AltModifier, Qt::RightButton);
        QCOMPARE(moved.count(), 1);
        QCOMPARE(l.mouse.pos, QPoint(21, 22));
        QTRY_VERIFY(paints > before);

        before = paints;
        QTest::mouseRelease(&l, Qt::RightButton, Qt::NoModifier, QPoint(31, 32));
        QCOMPARE(released.count(), 1);
        QCOMPARE(l.mouse.releasePos, QPoint(31, 32));
        QTRY_VERIFY(paints > before);

        before = paints;
        QTest::mouseDClick(&l, Qt::LeftButton, Qt::NoModifier, QPoint(41, 42));
        QCOMPARE(dClicked.count(), 1);
        QCOMPARE(l.mouse.dClickPos, QPoint(41, 42));
        QTRY_VERIFY(paints > before);

        wheel(&l, QPoint(50, 50), QPoint(0, -360));
        QCOMPARE(wheeled.count(), 1);
        QCOMPARE(wheeled.at(0).at(0).toInt(), -3);
    }

    // The label still gets the mouse: a drag across selectable text selects it.
    void exLabelPassesEventsOn()
    {
        ExLabel l;
        l.setText("selectable");
        QCOMPARE(l.text(), QString("selectable"));
        l.setTextInteractionFlags(Qt::TextSelectableByMouse);
        showFixed(&l);
        QSignalSpy moved(&l.mouse, &MouseC::mMoved);

        const int y = l.height() / 2;
        QTest::mousePress(&l, Qt::LeftButton, Qt::NoModifier, QPoint(0, y));
        moveTo(&l, QPoint(l.width() - 1, y), Qt::NoModifier, Qt::LeftButton);
        QTest::mouseRelease(&l, Qt::LeftButton, Qt::NoModifier, QPoint(l.width() - 1, y));
        QCOMPARE(moved.count(), 1);
        QCOMPARE(l.selectedText(), QString("selectable"));

        l.setText("other");
        QCOMPARE(l.text(), QString("other"));
    }
};

QTEST_MAIN(tst_mousec)
#include "tst_mousec.moc"
