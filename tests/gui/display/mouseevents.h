#pragma once

#include <QApplication>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QWidget>

// Mouse events with buttons held during moves, which QTest's helpers do not carry.
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

inline void move(QWidget* w, QPoint pos, Qt::MouseButtons held = {}, Qt::KeyboardModifiers m = {})
{
    send(w, QEvent::MouseMove, pos, Qt::NoButton, held, m);
}

inline void release(QWidget* w, QPoint pos, Qt::MouseButton b, Qt::KeyboardModifiers m = {})
{
    send(w, QEvent::MouseButtonRelease, pos, b, Qt::NoButton, m);
}

inline void drag(QWidget* w, QPoint from, QPoint to, Qt::MouseButton b,
                 Qt::KeyboardModifiers m = {})
{
    move(w, from, {}, m);
    press(w, from, b, m);
    move(w, to, b, m);
    release(w, to, b, m);
}

inline void wheel(QWidget* w, QPoint pos, int deltaY)
{
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, deltaY),
                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

} // namespace MouseEvents
