#include "selectaimgfile.h"

#include "imageio/imgdata.h"
#include "imgdispwpv.h"

#include <QLabel>
#include <QLineEdit>

#include <vector>

SelectAImgFile::SelectAImgFile(QWidget* parent)
    : SelectAFile(parent), m_expTime(new QLineEdit(QStringLiteral("0.05"), this)),
      m_display(new ImgDispWPV(this))
{
    auto* label = new QLabel(tr("Exp Time"), this);
    label->setObjectName(QStringLiteral("ExpTimeLBL1"));
    auto* unit = new QLabel(tr("[s]"), this);
    unit->setObjectName(QStringLiteral("ExpTimeLBL2"));
    m_expTime->setObjectName(QStringLiteral("ExpTimeLE"));
    ui.horizontalLayout->addWidget(label);
    ui.horizontalLayout->addWidget(m_expTime);
    ui.horizontalLayout->addWidget(unit);
    m_initialExpTime = expTime();

    // A window of its own that still goes with the panel.
    m_display->setWindowFlag(Qt::Window);

    connect(this, &SelectAFile::fileSelected, this, &SelectAImgFile::loadImage);
    connect(this, &SelectAFile::clear, this, &SelectAImgFile::clear);
    connect(m_display, &ImgDispWPV::newPosInvY, this, &SelectAImgFile::noticedNewPos);
    connect(m_display, &ImgDispWCBar::newBar, this, &SelectAImgFile::renderImage);
}

double SelectAImgFile::expTime() const
{
    return m_expTime->text().toDouble();
}

void SelectAImgFile::setExpTime(double time)
{
    m_expTime->setText(QString::number(time, 'g', 6));
}

void SelectAImgFile::noticedNewPos(double x, double y)
{
    m_display->setVal(valueAt(x, y));
}

void SelectAImgFile::clear()
{
    m_current.reset();
    // The picture of a dropped image would show values the read-out no longer gives.
    m_display->image = QImage();
    m_display->newImage();
    setExpTime(m_initialExpTime);
}

void SelectAImgFile::loadImage(const QString& fname)
{
    std::shared_ptr<ImgData> img = ImgData::loadFirstFrame(fname);
    if (!img || !img->valid) {
        setStat(false);
        return;
    }
    // Rendered before it is published: taking the image's extremes writes to it.
    m_display->barForm.CBar->toGreyImage(*img, m_display->image);
    m_current = std::move(img);
    setStat(true);
    m_display->setWindowTitle(fname);
    m_display->newImage();
    m_display->show();
}

void SelectAImgFile::renderImage()
{
    if (!m_current)
        return;
    // The bar's own mapping, so the window the user set is kept.
    m_display->image = m_display->barForm.CBar->scale().toImage(*m_current);
    m_display->newImage();
}

double SelectAImgFile::valueAt(double x, double y) const
{
    return m_current ? m_current->valueAt(x, y) : 0.0;
}
