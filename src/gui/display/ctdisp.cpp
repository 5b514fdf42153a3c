#include "ctdisp.h"

#include <QSlider>
#include <QSpinBox>

CtDisp::CtDisp(QWidget* parent) : QFrame(parent)
{
    form.setupUi(this);
    connect(form.seeker_, &SeekCtrl::newIndex, this, &CtDisp::showImg);
}

void CtDisp::clear()
{
    m_records.clear();
}

void CtDisp::addImg(int no, const QImage& img)
{
    m_records.append({no, img});
    for (qsizetype i = m_records.size() - 1; i > 0 && m_records.at(i - 1).no > no; --i)
        m_records.swapItemsAt(i - 1, i);

    const int last = int(m_records.size()) - 1;
    QSlider* seek = form.seeker_->findChild<QSlider*>(QStringLiteral("Seek"));
    QSpinBox* index = form.seeker_->findChild<QSpinBox*>(QStringLiteral("Index"));
    seek->setMaximum(last);
    index->setMaximum(last);
    // The spin box shows the last picture through newIndex only when its value changes; the
    // first picture, and one sorted in before the last, must be shown all the same.
    const bool changes = index->value() != last;
    index->setValue(last);
    if (!changes)
        showImg(last);
}

void CtDisp::showImg(int idx)
{
    if (idx < 0 || idx >= m_records.size())
        return;
    form.dispA_->image = m_records.at(idx).img;
    form.dispA_->newImage();
}

QList<QImage> CtDisp::getQImages() const
{
    QList<QImage> images;
    images.reserve(m_records.size());
    for (const Record& r : m_records)
        images.append(r.img);
    return images;
}
