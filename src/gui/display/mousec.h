#pragma once

#include <QObject>
#include <QPoint>

class QMouseEvent;
class QWheelEvent;

// The last mouse events of one widget, re-emitted as argument-free signals so that several
// owners can read the same record.
class MouseC : public QObject
{
    Q_OBJECT

public:
    // Press codes: left button 0-7, right button 8-15 by modifier combination, 16 for others.
    enum MStat {
        LeftNone = 0,
        LeftShift,
        LeftCtrl,
        LeftAlt,
        LeftShiftCtrl,
        LeftShiftAlt,
        LeftCtrlAlt,
        LeftShiftCtrlAlt,
        RightNone,
        RightShift,
        RightCtrl,
        RightAlt,
        RightShiftCtrl,
        RightShiftAlt,
        RightCtrlAlt,
        RightShiftCtrlAlt,
        Other
    };
    Q_ENUM(MStat)

    MouseC();

    static MStat stat(int button, int modifiers);
    // The code of the last press.
    MStat pressStat() const { return stat(pressButton, pressModifiers); }

    void recordMove(const QMouseEvent* e);
    void recordPress(const QMouseEvent* e);
    void recordRelease(const QMouseEvent* e);
    void recordDoubleClick(const QMouseEvent* e);
    void recordWheel(const QWheelEvent* e);
    void recordEnterLeave(bool inside);

    QPoint prevPos;
    QPoint pos;
    QPoint pressPos;
    QPoint releasePos;
    QPoint dClickPos;
    bool pressed = false;
    bool pressLeft = false;
    bool pressRight = false;
    bool pressShift = false;
    bool pressCtrl = false;
    bool pressAlt = false;
    bool moveShift = false;
    bool moveCtrl = false;
    bool moveAlt = false;
    int button = 0;
    int pressButton = 0;
    int releaseButton = 0;
    int dClickButton = 0;
    int modifiers = 0;
    int pressModifiers = 0;
    int releaseModifiers = 0;
    int dClickModifiers = 0;

signals:
    void mMoved();
    void mPressed();
    void mReleased();
    void mDClicked();
    void wMoved(int step);
    void mEntered();
    void mLeaved();
    void mEnterLeave(bool f);
};
