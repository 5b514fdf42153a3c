#include "ctprogress.h"

CtProgress::CtProgress(QObject* parent) : QObject(parent) {}

void CtProgress::startCalcAll()
{
    emit calcAll();
}

void CtProgress::startCalcOneByOne()
{
    emit calcOne(current);
}

void CtProgress::calcNext()
{
    ++current;
    if (current < total)
        emit calcOne(current);
    else
        emit finishedCalcOneByOne();
}
