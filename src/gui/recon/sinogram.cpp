#include "sinogram.h"

#include "cirvologging.h"
#include "imageio/imgdatas.h"
#include "procctrl.h"
#include "recon/corfinder.h"
#include "recon/corguess.h"

#include <cmath>
#include <vector>

namespace
{

// A tiny typed range must not ask for gigabytes of picture.
constexpr int MaxHalfTurn = 65536;
constexpr qint64 MaxPixels = qint64(1) << 28;

// Remainder in 0 ... divisor - 1 for a positive divisor.
qint64 wrap(qint64 value, qint64 divisor)
{
    const qint64 r = value % divisor;
    return r < 0 ? r + divisor : r;
}

// Truncates toward zero, saturating at the ends of int.
int truncToInt(double v)
{
    return int(qBound(double(std::numeric_limits<int>::min()), std::trunc(v),
                      double(std::numeric_limits<int>::max())));
}

} // namespace

Sinogram::Sinogram(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    ImgDispWPV* disp = ui.DispSinogram;
    // The panel drags the CoR itself; the wheel still zooms.
    disp->mouseEnabled = false;
    connect(disp->mouse, &MouseC::mMoved, this, &Sinogram::mMoved);
    connect(disp, &ImgDispWPV::newPosInvY, this, &Sinogram::newPos);
    connect(disp, &ImgDispWCBar::newBar, this, &Sinogram::genImage);
    connect(ui.AlterStack, &QCheckBox::toggled, this, &Sinogram::genImage);
    connect(ui.ImageOffsetY, &QLineEdit::editingFinished, this, &Sinogram::genImage);
    connect(ui.Cor, &QLineEdit::editingFinished, this, &Sinogram::corEditingFinished);
    connect(ui.GuessCor, &QPushButton::clicked, this, &Sinogram::guessCor);
    connect(ui.FindCor, &QPushButton::clicked, this, &Sinogram::findCor);
}

void Sinogram::setProcCtrl(ProcCtrl* procCtrl)
{
    if (m_procCtrl)
        disconnect(m_procCtrl, nullptr, this, nullptr);
    m_procCtrl = procCtrl;
    if (!procCtrl)
        return;
    connect(procCtrl, &ProcCtrl::corUpdated, this, &Sinogram::corUpdated);
    connect(procCtrl, &ProcCtrl::autoUpdateUpdated, this, &Sinogram::autoUpdateUpdated);
    connect(procCtrl, &ProcCtrl::sliceNoUpdated, this, &Sinogram::sliceNoUpdated);
    connect(procCtrl, &ProcCtrl::rotAxUpdated, this, &Sinogram::rotAxUpdated);
    connect(procCtrl, &ProcCtrl::usePartialDataSetUpdated, this,
            &Sinogram::usePartialDataSetUpdated);
    connect(procCtrl, &ProcCtrl::dataSetUsingImagesUpdated, this,
            &Sinogram::dataSetUsingImagesUpdated);
    connect(procCtrl, &ProcCtrl::dataSetStartImageNoUpdated, this,
            &Sinogram::dataSetStartImageNoUpdated);
    connect(procCtrl, &ProcCtrl::angleOriginUpdated, this, &Sinogram::angleOriginUpdated);
    connect(procCtrl, &ProcCtrl::dataSetRangeUpdated, this, &Sinogram::dataSetRangeUpdated);
}

void Sinogram::setImgDatas(ImgDatas* imgDatas)
{
    m_imgDatas = imgDatas;
}

SinogramRequest Sinogram::request(bool rotAxIsV, double cor, int slice) const
{
    SinogramRequest r;
    r.rotAxIsV = rotAxIsV;
    r.cor = cor;
    r.slice = slice;
    r.usePartial = m_procCtrl->usePartialDataSet();
    r.usingImages = m_procCtrl->usingImages();
    r.startImageNo = m_procCtrl->startImageNo();
    return r;
}

int Sinogram::halfTurnImages() const
{
    if (!m_procCtrl || !m_imgDatas)
        return 0;
    return CorGuess::halfTurnImages(m_procCtrl->dataSetRangeDeg(), m_imgDatas->count()).value_or(0);
}

QPointF Sinogram::toPicture(const QPoint& screen) const
{
    const QWidget* d = ui.DispSinogram->form.dispB;
    const int w = d->width() + 1;
    const int h = d->height() + 1;
    const QRectF& v = ui.DispSinogram->view;
    return {v.left() + screen.x() * v.width() / w, v.top() + screen.y() * v.height() / h};
}

void Sinogram::mMoved()
{
    ImgDispWPV* disp = ui.DispSinogram;
    const MouseC* mouse = disp->mouse;
    const QPointF now = toPicture(mouse->pos);
    // The display reports positions only while its own mouse handling is on.
    disp->noticedNewPos(truncToInt(now.x()), truncToInt(now.y()));
    if (!m_procCtrl || !mouse->pressed || mouse->pressStat() != MouseC::LeftNone)
        return;

    const QPointF before = toPicture(mouse->prevPos);
    // The mirrored half runs the other way.
    const int middle = int(disp->image.height() / 2.0);
    const double change = now.y() < middle ? before.x() - now.x() : now.x() - before.x();

    bool offsetChanged = false;
    if (ui.MoveYWMouse->isChecked()) {
        qint64 v = truncToInt(before.y() - now.y() + ui.ImageOffsetY->text().toInt());
        const int half = halfTurnImages();
        if (v < 0 && half > 0)
            v = wrap(v, half);
        const QString text = QString::number(v);
        offsetChanged = text != ui.ImageOffsetY->text();
        ui.ImageOffsetY->setText(text);
    }

    // The offset is set first so that a CoR change redraws with it.
    const double cor = m_procCtrl->cor() + change;
    const bool corChanges = cor != m_procCtrl->cor();
    m_procCtrl->setCor(cor);
    if (offsetChanged && !corChanges)
        genImage();
    disp->form.dispB->update();
}

void Sinogram::newPos(double x, double y)
{
    const double column = std::trunc(x);
    const double row = std::trunc(y);
    if (!m_sgm.hasData() || !(column >= 0 && column < m_sgm.width) ||
        !(row >= 0 && row < 2.0 * m_sgm.rows))
        return;
    const int r = int(row) % m_sgm.rows;
    ui.DispSinogram->setVal(m_sgm.rawRow(r)[int(column)]);
}

void Sinogram::corUpdated()
{
    if (!m_procCtrl)
        return;
    ui.Cor->setText(QString::number(m_procCtrl->cor(), 'g', 6));
    genSgmImage();
}

void Sinogram::autoUpdateUpdated()
{
    genSgmImage();
}

void Sinogram::sliceNoUpdated()
{
    genSgmImage();
}

void Sinogram::rotAxUpdated()
{
    genSgmImage();
}

void Sinogram::usePartialDataSetUpdated()
{
    genSgmImage();
}

void Sinogram::dataSetUsingImagesUpdated()
{
    genSgmImage();
}

void Sinogram::dataSetStartImageNoUpdated()
{
    genSgmImage();
}

void Sinogram::angleOriginUpdated()
{
    genImage();
}

void Sinogram::dataSetRangeUpdated()
{
    genSgmImage();
    ui.DispSinogram->resetScale();
}

void Sinogram::corEditingFinished()
{
    if (m_procCtrl)
        m_procCtrl->setCor(ui.Cor->text().toDouble());
}

void Sinogram::guessCor()
{
    if (!m_procCtrl || !m_imgDatas)
        return;
    const SinogramRequest r =
        request(m_procCtrl->rotAxIsV(), m_procCtrl->cor(), m_procCtrl->sliceNo());
    const std::optional<double> u =
        CorGuess::guess(*m_imgDatas->snapshot(), r, m_procCtrl->dataSetRangeDeg(),
                        ui.GuessParam->text().toDouble());
    if (u)
        m_procCtrl->setCor(*u);
}

void Sinogram::findCor()
{
    if (!m_procCtrl || !m_imgDatas)
        return;
    const int slice = m_procCtrl->sliceNo();
    const std::optional<double> cor =
        CorFinder::findInSet(*m_imgDatas->snapshot(), request(m_procCtrl->rotAxIsV(), 0, slice),
                             {slice}, m_procCtrl->dataSetRangeDeg());
    if (cor)
        m_procCtrl->setCor(*cor);
    else
        qCDebug(lcRecon).noquote()
            << QStringLiteral("Find CoR: no axis in slice %1, the object must stay inside the "
                              "line in every projection")
                   .arg(slice);
}

void Sinogram::genSinogram0(HSgm* hSgm, bool rotAxIsV, double cor, int slice)
{
    if (!hSgm || !m_procCtrl || !m_imgDatas)
        return;
    SinogramBuilder::build(*m_imgDatas->snapshot(), request(rotAxIsV, cor, slice), *hSgm);
}

void Sinogram::genSinogram()
{
    if (m_procCtrl)
        genSinogram0(&m_sgm, m_procCtrl->rotAxIsV(), m_procCtrl->cor(), m_procCtrl->sliceNo());
}

void Sinogram::genImage()
{
    if (!m_procCtrl || !m_imgDatas)
        return;
    const std::shared_ptr<const ImageSet> set = m_imgDatas->snapshot();
    const int images = set->count();
    const bool rotAxIsV = m_procCtrl->rotAxIsV();
    const int slice = m_procCtrl->sliceNo();
    const int lines = rotAxIsV ? set->height : set->width;
    const int n = halfTurnImages();
    const int d = SinogramBuilder::lineLength(*set, rotAxIsV);
    if (images == 0 || n <= 0 || n > MaxHalfTurn || slice < 0 || slice >= lines ||
        qint64(4) * d * n > MaxPixels)
        return;

    double lo = std::numeric_limits<double>::max();
    double hi = std::numeric_limits<double>::lowest();
    for (const double v : m_sgm.raw) {
        if (v < lo)
            lo = v;
        if (v > hi)
            hi = v;
    }
    m_rawMin = lo;
    m_rawMax = hi;
    ColorBar* bar = ui.DispSinogram->barForm.CBar;
    // Without a record there is no range to take.
    if (!bar->isFixed() && lo <= hi) {
        bar->setMinV(lo);
        bar->setMaxV(hi);
    }
    const GreyScale scale = bar->scale();

    const double cr = m_procCtrl->cor();
    const int o = ui.ImageOffsetY->text().toInt();
    const int s = SinogramBuilder::startImage(request(rotAxIsV, cr, slice), images);
    const bool alternate = ui.AlterStack->isChecked();
    QImage picture(2 * d, 2 * n, QImage::Format_Grayscale8);
    std::vector<double> line(static_cast<size_t>(d));
    for (int m = 0; m < n; ++m) {
        const qint64 index = (s + wrap(qint64(m) + o, n)) % images;
        const ImgData* img = set->images->at(size_t(index)).get();
        if (!img)
            line.assign(line.size(), 0.0);
        else if (rotAxIsV)
            img->row(slice, line.data());
        else
            img->column(slice, line.data());
        uchar* direct = picture.scanLine(alternate ? 2 * m : m);
        uchar* mirrored = picture.scanLine(alternate ? 2 * n - 1 - 2 * m : m + n);
        for (int i = 0; i < 2 * d; ++i) {
            const uchar grey = uchar(scale.level(CorGuess::sampleAt(line, cr - d + i)));
            direct[i] = grey;
            mirrored[2 * d - 1 - i] = grey;
        }
    }
    ImgDispWPV* disp = ui.DispSinogram;
    disp->image = picture;
    disp->newImage();
    disp->form.dispB->update();
}

void Sinogram::genImage2()
{
    genImage();
}

void Sinogram::genSgmImage()
{
    genSinogram();
    genImage();
}
