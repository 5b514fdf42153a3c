#include "closablebase.h"

ClosableBase::ClosableBase(QWidget* parent) : QFrame(parent) {}

void ClosableBase::closeEvent(QCloseEvent* event)
{
    emit closed();
    QFrame::closeEvent(event);
}
