#include "slicesctrl.h"

#include "config/config.h"
#include "view3d/slicedatas.h"

#include <QColorDialog>
#include <QFileDialog>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace
{

double numberOf(const QLineEdit* edit)
{
    return edit->text().toDouble();
}

QPixmap swatch(const QColor& c)
{
    QPixmap p(15, 27);
    p.fill(c);
    return p;
}

} // namespace

SlicesCtrl::SlicesCtrl(const QString& dataDir, QWidget* parent)
    : QFrame(parent), m_dataDir(dataDir), m_loaderThread(std::make_unique<QThread>()),
      m_datas(std::make_unique<SliceDatas>())
{
    qRegisterMetaType<Vec3>("Vec3");
    ui.setupUi(this);
    showHide(true);
    m_nativeDialog = Config::instance().valueAnyCase(QStringLiteral("native_dialog")).toInt() == 1;
    setVColor(m_vColor);
    setSColor(m_sColor);
    m_mouseH = &ui.dispH_->mouse;
    m_coordH = &ui.dispH_->coord;

    m_datas->moveToThread(m_loaderThread.get());
    m_loaderThread->start(QThread::InheritPriority);

    connect(ui.showB_, &QCheckBox::toggled, this, &SlicesCtrl::showHide);
    connect(ui.showB2_, &QCheckBox::toggled, this, &SlicesCtrl::showHide);
    connect(ui.selectB_, &QPushButton::clicked, this, &SlicesCtrl::selectFiles);
    connect(m_datas.get(), &SliceDatas::loadedNewFile, this, &SlicesCtrl::noticedLoadedNewFile);
    connect(m_datas.get(), &SliceDatas::loadFilesFinished, this,
            &SlicesCtrl::noticedLoadFilesFinished);
    connect(m_datas.get(), &SliceDatas::cleared, this, &SlicesCtrl::datasCleared);
    connect(ui.minTh_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMinTh);
    connect(ui.maxTh_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMaxTh);
    connect(ui.minThPC_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMinThPC);
    connect(ui.maxThPC_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMaxThPC);
    connect(ui.dispH_, &ExLabel::draw, this, &SlicesCtrl::drawHist);
    connect(m_mouseH, &MouseC::mPressed, this, &SlicesCtrl::mousePressedOnDispH);
    connect(m_mouseH, &MouseC::mMoved, this, &SlicesCtrl::mouseMovedOnDispH);
    connect(m_mouseH, &MouseC::mReleased, this, &SlicesCtrl::mouseReleasedOnDispH);
    for (QCheckBox* box : {ui.showFrame_, ui.showVolume_, ui.showCSection_})
        connect(box, &QCheckBox::toggled, this, &SlicesCtrl::paintPImg);
    connect(ui.cSlider_, &QSlider::valueChanged, this, &SlicesCtrl::changedSliderStat);
    connect(ui.csFixDir_, &QCheckBox::toggled, this, &SlicesCtrl::changedSliderStat);
    connect(ui.selVColor_, &QPushButton::clicked, this, &SlicesCtrl::selectVColor);
    connect(ui.selSColor_, &QPushButton::clicked, this, &SlicesCtrl::selectSColor);
    connect(ui.alpha_, &QLineEdit::editingFinished, this, &SlicesCtrl::fixupAlpha);
    connect(ui.alpha_, &QLineEdit::editingFinished, this, &SlicesCtrl::paintPImg);
}

SlicesCtrl::~SlicesCtrl()
{
    m_loaderThread->quit();
    m_loaderThread->wait();
}

void SlicesCtrl::loadFiles(const QStringList& files)
{
    if (m_loading || m_holds > 0) {
        m_pendingFiles = files;
        return;
    }
    m_loading = true;
    SliceDatas* datas = m_datas.get();
    QMetaObject::invokeMethod(
        datas, [datas, files] { datas->filesSelected(files); }, Qt::QueuedConnection);
}

void SlicesCtrl::startPendingLoad()
{
    if (!m_pendingFiles || m_loading || m_holds > 0)
        return;
    const QStringList files = *m_pendingFiles;
    m_pendingFiles.reset();
    loadFiles(files);
}

bool SlicesCtrl::hasSlices() const
{
    return !m_loading && m_datas->loaded && !m_datas->slices.empty();
}

int SlicesCtrl::ns() const
{
    return m_loading ? 0 : m_datas->count();
}

int SlicesCtrl::sw() const
{
    return m_loading ? 0 : m_datas->sw;
}

int SlicesCtrl::sh() const
{
    return m_loading ? 0 : m_datas->sh;
}

void SlicesCtrl::holdSlices()
{
    ++m_holds;
}

void SlicesCtrl::releaseSlices()
{
    if (m_holds > 0)
        --m_holds;
    startPendingLoad();
}

VolumeSet SlicesCtrl::volumeSet() const
{
    VolumeSet set;
    if (!hasSlices())
        return set;
    for (const std::unique_ptr<SliceRecord>& s : m_datas->slices)
        set.slices.push_back(s.get());
    set.sw = m_datas->sw;
    set.sh = m_datas->sh;
    const double lo = rMin();
    const double width = rMax() - lo;
    set.lo = lo + numberOf(ui.minThPC_) * width / 100;
    set.hi = lo + numberOf(ui.maxThPC_) * width / 100;
    set.showFrame = ui.showFrame_->isChecked();
    set.showVolume = ui.showVolume_->isChecked();
    set.showCSection = ui.showCSection_->isChecked();
    set.slider = ui.cSlider_->value();
    set.csNormal = m_csNormal;
    set.vColor = m_vColor;
    set.sColor = m_sColor;
    set.alpha = ui.alpha_->text().toInt();
    return set;
}

void SlicesCtrl::setVColor(const QColor& c)
{
    m_vColor = c;
    ui.dispVColor_->setPixmap(swatch(c));
}

void SlicesCtrl::setSColor(const QColor& c)
{
    m_sColor = c;
    ui.dispSColor_->setPixmap(swatch(c));
}

void SlicesCtrl::setNumber(int n)
{
    const QString caption = tr("Show Setup %1").arg(n);
    ui.showB_->setText(caption);
    ui.showB2_->setText(caption);
}

void SlicesCtrl::setAlpha(int alpha)
{
    ui.alpha_->setText(QString::number(alpha));
}

void SlicesCtrl::followCrossSection(const SlicesCtrl& other)
{
    const QSignalBlocker sliderQuiet(ui.cSlider_);
    const QSignalBlocker fixDirQuiet(ui.csFixDir_);
    ui.cSlider_->setValue(other.ui.cSlider_->value());
    ui.csFixDir_->setChecked(other.ui.csFixDir_->isChecked());
}

void SlicesCtrl::fixupAlpha()
{
    const int alpha = ui.alpha_->text().toInt();
    if (alpha < 0)
        setAlpha(0);
    else if (alpha > 255)
        setAlpha(255);
}

double SlicesCtrl::rMin() const
{
    return numberOf(ui.rMinV_);
}

double SlicesCtrl::rMax() const
{
    return numberOf(ui.rMaxV_);
}

void SlicesCtrl::writeThreshold(QLineEdit* edit, double v)
{
    edit->setText(QString::number(v, 'g', 6));
    edit->setCursorPosition(0);
    emit paintPImg();
    ui.dispH_->update();
}

void SlicesCtrl::percentFromValue(QLineEdit* value, QLineEdit* percent)
{
    const double width = rMax() - rMin();
    // Over a range of no width every value is the range itself: the percentage stays.
    if (width == 0)
        return;
    writeThreshold(percent, (numberOf(value) - rMin()) / width * 100);
}

void SlicesCtrl::valueFromPercent(QLineEdit* percent, QLineEdit* value)
{
    writeThreshold(value, rMin() + (rMax() - rMin()) * numberOf(percent) / 100);
}

void SlicesCtrl::updatedMinThPC()
{
    valueFromPercent(ui.minThPC_, ui.minTh_);
}

void SlicesCtrl::updatedMaxThPC()
{
    valueFromPercent(ui.maxThPC_, ui.maxTh_);
}

void SlicesCtrl::updatedMinTh()
{
    percentFromValue(ui.minTh_, ui.minThPC_);
}

void SlicesCtrl::updatedMaxTh()
{
    percentFromValue(ui.maxTh_, ui.maxThPC_);
}

void SlicesCtrl::showHide(bool f)
{
    ui.showB_->setChecked(f);
    ui.showB2_->setChecked(f);
    ui.showB_->setVisible(!ui.showB_->isChecked());
    ui.slicesCtrlFrame_->setVisible(ui.showB_->isChecked());
}

void SlicesCtrl::selectFiles()
{
    if (m_fileDialog) {
        m_dataDir = m_fileDialog->directory().absolutePath();
        m_fileDialog->deleteLater();
    }
    m_fileDialog = new QFileDialog(this, tr("Select Data Files"), m_dataDir);
    m_fileDialog->setFileMode(QFileDialog::ExistingFiles);
    m_fileDialog->setAcceptMode(QFileDialog::AcceptOpen);
    m_fileDialog->setNameFilters({tr("Data Files (*.dat *.png)"), tr("Any Files (* *.*)")});
    m_fileDialog->setOption(QFileDialog::DontUseNativeDialog, !m_nativeDialog);
    m_fileDialog->setModal(false);
    connect(m_fileDialog, &QFileDialog::filesSelected, this, &SlicesCtrl::loadFiles);
    m_fileDialog->show();
}

QColorDialog* SlicesCtrl::openColorDialog(QColorDialog* previous, const QColor& current,
                                          const QString& title)
{
    if (previous)
        previous->deleteLater();
    auto* dialog = new QColorDialog(current, this);
    dialog->setWindowTitle(title);
    dialog->setModal(false);
    return dialog;
}

void SlicesCtrl::selectVColor()
{
    m_vColorDialog = openColorDialog(m_vColorDialog, m_vColor, tr("Select Volume Color"));
    connect(m_vColorDialog, &QColorDialog::colorSelected, this, [this](const QColor& c) {
        setVColor(c);
        emit paintPImg();
    });
    m_vColorDialog->show();
}

void SlicesCtrl::selectSColor()
{
    m_sColorDialog = openColorDialog(m_sColorDialog, m_sColor, tr("Select Section Color"));
    connect(m_sColorDialog, &QColorDialog::colorSelected, this, [this](const QColor& c) {
        setSColor(c);
        emit paintPImg();
    });
    m_sColorDialog->show();
}

void SlicesCtrl::noticedLoadedNewFile(QString fname)
{
    ui.nameList_->addItem(fname);
}

void SlicesCtrl::noticedLoadFilesFinished()
{
    m_loading = false;
    ui.rMinV_->setText(QString::number(m_datas->allMin, 'g', 6));
    ui.rMaxV_->setText(QString::number(m_datas->allMax, 'g', 6));
    valueFromPercent(ui.minThPC_, ui.minTh_);
    valueFromPercent(ui.maxThPC_, ui.maxTh_);
    ui.dispH_->update();
    emit paintPImg();
    startPendingLoad();
}

void SlicesCtrl::datasCleared()
{
    ui.nameList_->clear();
}

void SlicesCtrl::mapHistogram()
{
    m_coordH->setScreenRect(0, ui.dispH_->height(), ui.dispH_->width(), 0);
    m_coordH->setDataRect(0, 0, 101, 1);
}

void SlicesCtrl::drawHist(QPainter* p)
{
    const int w = ui.dispH_->width();
    const int h = ui.dispH_->height();
    p->fillRect(0, 0, w, h, Qt::white);
    mapHistogram();
    if (!m_loading && m_datas->histReady) {
        const QRect part(QPoint(0, 0), QPoint(m_datas->histBins - 1, m_datas->histHeight - 1));
        p->drawImage(QRect(0, 0, w, h), m_datas->histPicture, part);
    }
    p->setPen(QColor(255, 0, 0));
    for (const QLineEdit* percent : {ui.minThPC_, ui.maxThPC_}) {
        const int x = int(m_coordH->toScreenX(numberOf(percent)));
        p->drawLine(x, 0, x, h);
    }
}

void SlicesCtrl::mousePressedOnDispH()
{
    mapHistogram();
    if (m_mouseH->pressStat() != MouseC::LeftNone)
        return;
    const double x = m_coordH->toDataX(m_mouseH->pos.x());
    m_grab = std::abs(numberOf(ui.maxThPC_) - x) <= std::abs(numberOf(ui.minThPC_) - x) ? 1 : 0;
}

void SlicesCtrl::mouseMovedOnDispH()
{
    if (m_grab < 0 || !m_mouseH->pressed || !m_mouseH->pressLeft)
        return;
    mapHistogram();
    const double x = m_coordH->toDataX(m_mouseH->pos.x());
    QLineEdit* percent = m_grab == 1 ? ui.maxThPC_ : ui.minThPC_;
    writeThreshold(percent, x);
    valueFromPercent(percent, m_grab == 1 ? ui.maxTh_ : ui.minTh_);
}

void SlicesCtrl::mouseReleasedOnDispH()
{
    m_grab = -1;
}

void SlicesCtrl::initNz(Vec3 nz)
{
    m_csNormal = nz;
}

void SlicesCtrl::newNz(Vec3 nz)
{
    if (!ui.csFixDir_->isChecked())
        m_csNormal = nz;
}
