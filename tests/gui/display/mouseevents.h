#pragma once

#include "mousec.h"

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

// Mouse events for the display tests. QTest's helpers cannot move with buttons held or with
// modifiers, and have no wheel, so these events are sent by hand.
namespace MouseEvents
{

inline void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button,
                 Qt::MouseButtons held, Qt::KeyboardModifiers mods = Qt::NoModifier)
{
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, mods);
    QApplication::sendEvent(w, &e);
}

inline void press(QWidget* w, QPoint pos, Qt::MouseButton b, Qt::KeyboardModifiers m = {})
{
    send(w, QEvent::MouseButtonPress, pos, b, b, m);
}

inline void moveTo(QWidget* w, QPoint pos, Qt::KeyboardModifiers mods = Qt::NoModifier,
                   Qt::MouseButtons held = Qt::NoButton)
{
    send(w, QEvent::MouseMove, pos, Qt::NoButton, held, mods);
}

inline void release(QWidget* w, QPoint pos, Qt::MouseButton b, Qt::KeyboardModifiers m = {})
{
    send(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton, m);
}

inline void drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton b,
                 Qt::KeyboardModifiers m = {})
{
    moveTo(w, from, m);
    press(w, from, b, m);
    moveTo(w, to, m, b);
    release(w, to, b, m);
}

inline void wheel(QWidget* w, QPoint pos, QPoint angleDelta)
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), angleDelta, Qt::NoButton,
                  Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

// Feeds an event straight into a mouse record, without a widget.
inline void record(MouseC& m, QEvent::Type type, QPointF pos, Qt::MouseButton button = Qt::NoButton,
                   Qt::KeyboardModifiers mods = Qt::NoModifier,
                   Qt::MouseButtons held = Qt::NoButton)
{
    QMouseEvent e(type, pos, pos, button, held, mods);
    switch (type) {
    case QEvent::MouseMove:
        m.recordMove(&e);
        break;
    case QEvent::MouseButtonPress:
        m.recordPress(&e);
        break;
    case QEvent::MouseButtonRelease:
        m.recordRelease(&e);
        break;
    default:
        m.recordDoubleClick(&e);
        break;
    }
}

} // namespace MouseEvents
