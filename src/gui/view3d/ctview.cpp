#include "ctview.h"

#include "cirvologging.h"
#include "config/config.h"
#include "slicesctrl.h"

#include <QBuffer>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QSaveFile>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <utility>
#include <vector>

namespace
{

struct SetColours {
    QColor volume;
    QColor section;
};

const SetColours SetColoursByIndex[3] = {
    {{0, 127, 127}, {127, 0, 0}}, {{127, 0, 127}, {0, 127, 0}}, {{127, 127, 0}, {0, 0, 127}}};

// Bands at the widget's edges where a drag turns the picture about the viewing direction.
constexpr double EdgeBand = 0.15;

} // namespace

CtView::CtView(const QString& startDir, QWidget* parent)
    : QFrame(parent), m_startDir(startDir), m_lastSaveDir(startDir)
{
    qRegisterMetaType<Vec3>("Vec3");
    ui.setupUi(this);
    m_nativeDialog = Config::instance().valueAnyCase(QStringLiteral("native_dialog")).toInt() == 1;
    for (const QByteArray& format : QImageWriter::supportedImageFormats())
        m_writeFormats.append(QString::fromLatin1(format).toLower());
    ui.saveImage_->setToolTip(
        tr("Supported File Types are : %1\n and also SVG.").arg(m_writeFormats.join(u' ')));
    m_mouse = &ui.dispA_->mouse;
    m_coord = &ui.dispA_->coord;
    m_renderPool.setMaxThreadCount(1);
    emit initNz(m_view.nz);

    addSliceSet();

    connect(ui.addSliceSet_, &QPushButton::clicked, this, &CtView::addSliceSet);
    connect(ui.dispA_, &DispA::drawImage2, this, &CtView::draw);
    connect(m_mouse, &MouseC::mPressed, this, &CtView::mousePressedOnDataDisp);
    connect(m_mouse, &MouseC::mMoved, this, &CtView::mouseMovedOnDataDisp);
    connect(m_mouse, &MouseC::mReleased, this, &CtView::mouseReleasedOnDataDisp);
    connect(m_mouse, &MouseC::wMoved, this, &CtView::wheelMovedOnDataDisp);
    connect(ui.saveImage_, &QPushButton::clicked, this, &CtView::showSaveImageD);
}

CtView::~CtView()
{
    // The render job reads the panels' slices; the panels go with this widget's children.
    m_renderPool.waitForDone();
}

void CtView::addSliceSet()
{
    const int k = int(m_sets.size());
    auto* set = new SlicesCtrl(m_startDir, ui.slicesCtrls_);
    set->setVColor(SetColoursByIndex[k % 3].volume);
    set->setSColor(SetColoursByIndex[k % 3].section);
    set->setNumber(k + 1);
    if (k > 0)
        set->setAlpha(128);
    connect(set, &SlicesCtrl::paintPImg, this, &CtView::paintPImg);
    connect(set, &SlicesCtrl::changedSliderStat, this, &CtView::changedSliderStat);
    connect(this, &CtView::initNz, set, &SlicesCtrl::initNz);
    connect(this, &CtView::newNz, set, &SlicesCtrl::newNz);
    set->initNz(m_view.nz);
    ui.slicesCtrlsLayout_->addWidget(set, k, 0);
    m_sets.append(set);
}

void CtView::updateNvs(Vec3 rax, double th)
{
    const Vec3 nz = m_view.nz.rotated(rax, th);
    const Vec3 nx = m_view.nx.rotated(rax, th);
    // The axes of the next turns are made of this basis: rounding errors left in it would grow
    // from turn to turn until the picture degenerates, so it is made orthonormal again.
    const Vec3 across = nx - nz * (nz.dot(nx) / nz.dot(nz));
    // An axis that is no unit vector can collapse the basis; such a turn is refused.
    if (!(nz.length() > 1e-6 && across.length() > 1e-6))
        return;
    m_view.nz = nz * (1 / nz.length());
    m_view.nx = across * (1 / across.length());
    m_view.ny = m_view.nz.cross(m_view.nx);
    emit newNz(m_view.nz);
    paintPImg();
}

void CtView::changedSliderStat()
{
    const auto* source = qobject_cast<const SlicesCtrl*>(sender());
    if (source && ui.linkCSection_->isChecked()) {
        for (SlicesCtrl* set : std::as_const(m_sets))
            if (set != source)
                set->followCrossSection(*source);
    }
    paintPImg();
}

QSize CtView::pictureSize() const
{
    return {ui.imgPixWidth_->text().toInt(), ui.imgPixHeight_->text().toInt()};
}

void CtView::paintPImg()
{
    m_renderWanted = true;
    if (m_rendering || m_renderScheduled)
        return;
    // Requests made in one pass of the event loop become one render.
    m_renderScheduled = true;
    QMetaObject::invokeMethod(this, &CtView::startRender, Qt::QueuedConnection);
}

void CtView::startRender()
{
    m_renderScheduled = false;
    if (m_rendering || !m_renderWanted)
        return;
    m_renderWanted = false;
    const QSize size = pictureSize();
    std::vector<VolumeSet> volumes;
    for (SlicesCtrl* set : std::as_const(m_sets)) {
        if (!set->hasSlices())
            continue;
        volumes.push_back(set->volumeSet());
        set->holdSlices();
        m_heldSets.append(set);
    }
    m_rendering = true;
    m_renderPool.start([this, volumes = std::move(volumes), view = m_view, size] {
        QImage image;
        if (size.width() > 0 && size.height() > 0)
            image = VolumeRenderer::render(volumes, view, size.width(), size.height());
        QMetaObject::invokeMethod(
            this, [this, image] { renderFinished(image); }, Qt::QueuedConnection);
    });
}

void CtView::renderFinished(const QImage& image)
{
    m_rendering = false;
    m_picture = image;
    const QList<SlicesCtrl*> held = std::exchange(m_heldSets, {});
    for (SlicesCtrl* set : held)
        set->releaseSlices();
    ui.dispA_->update();
    emit pictureRendered();
    if (m_renderWanted)
        paintPImg();
}

bool CtView::anySetHasSlices() const
{
    return std::any_of(m_sets.cbegin(), m_sets.cend(),
                       [](const SlicesCtrl* set) { return set->hasSlices(); });
}

void CtView::paintPImg0(QPainter& p, int pw, int ph)
{
    p.fillRect(0, 0, pw, ph, Qt::white);
    for (const SlicesCtrl* set : std::as_const(m_sets)) {
        const VolumeSet volume = set->volumeSet();
        if (volume.sw <= 0 || volume.sh <= 0)
            continue;
        if (volume.showFrame)
            VolumeRenderer::drawFrame(p, volume, m_view, pw, ph, false);
        if (volume.showVolume)
            p.drawImage(0, 0, VolumeRenderer::volumeLayer(volume, m_view, pw, ph));
        if (volume.showFrame)
            VolumeRenderer::drawFrame(p, volume, m_view, pw, ph, true);
    }
    p.end();
    ui.dispA_->update();
}

void CtView::draw(QPainter* p)
{
    if (anySetHasSlices() && !m_picture.isNull())
        p->drawImage(QRect(0, 0, ui.dispA_->width(), ui.dispA_->height()), m_picture);
}

QPointF CtView::pointerFraction()
{
    m_coord->setScreenRect(0, ui.dispA_->height() - 1, ui.dispA_->width() - 1, 0);
    m_coord->setDataRect(0, 0, 1, 1);
    return {m_coord->toDataX(m_mouse->pos.x()), m_coord->toDataY(m_mouse->pos.y())};
}

void CtView::mousePressedOnDataDisp()
{
    const QPointF at = pointerFraction();
    m_startX = at.x();
    m_startY = at.y();
    const MouseC::MStat stat = m_mouse->pressStat();
    if (stat == MouseC::RightNone || stat == MouseC::LeftShift) {
        m_dragMode = Pan;
    } else if (stat == MouseC::LeftNone) {
        m_dragMode = Rotate;
        if (at.y() > 1 - EdgeBand)
            m_rotKind = TopBand;
        else if (at.y() < EdgeBand)
            m_rotKind = BottomBand;
        else if (at.x() > 1 - EdgeBand)
            m_rotKind = RightBand;
        else if (at.x() < EdgeBand)
            m_rotKind = LeftBand;
        else
            m_rotKind = FreeRotation;
    } else {
        m_dragMode = NoDrag;
    }
}

void CtView::mouseMovedOnDataDisp()
{
    const QPointF at = pointerFraction();
    const double dx = at.x() - m_startX;
    const double dy = at.y() - m_startY;
    m_startX = at.x();
    m_startY = at.y();
    if (m_dragMode == Pan) {
        const QSize size = pictureSize();
        const int w = int(size.width() * m_view.scale);
        const int h = int(size.height() * m_view.scale);
        m_view.offset = m_view.offset + m_view.ny * (h * dy) - m_view.nx * (w * dx);
        paintPImg();
        return;
    }
    if (m_dragMode != Rotate)
        return;
    constexpr double pi = std::numbers::pi;
    switch (m_rotKind) {
    case FreeRotation: {
        const double g = std::sqrt(dx * dx + dy * dy);
        // Without a displacement there is no axis to turn about.
        if (g == 0)
            return;
        updateNvs(m_view.ny * (dx / g) + m_view.nx * (dy / g), g * pi);
        break;
    }
    case LeftBand:
        updateNvs(m_view.nz, dy * pi);
        break;
    case RightBand:
        updateNvs(m_view.nz, -dy * pi);
        break;
    case TopBand:
        updateNvs(m_view.nz, dx * pi);
        break;
    default:
        updateNvs(m_view.nz, -dx * pi);
        break;
    }
}

void CtView::mouseReleasedOnDataDisp()
{
    m_dragMode = NoDrag;
}

void CtView::wheelMovedOnDataDisp(int step)
{
    if (step > 0)
        m_view.scale *= 0.9;
    else if (step < 0)
        m_view.scale /= 0.9;
    paintPImg();
}

void CtView::showSaveImageD()
{
    if (m_saveDialog)
        m_saveDialog->deleteLater();
    m_saveDialog = new QFileDialog(this, QString(), m_lastSaveDir);
    m_saveDialog->setAcceptMode(QFileDialog::AcceptSave);
    m_saveDialog->setNameFilter(tr("Any (* *.*)"));
    m_saveDialog->setOption(QFileDialog::DontUseNativeDialog, !m_nativeDialog);
    m_saveDialog->setModal(false);
    connect(m_saveDialog, &QFileDialog::fileSelected, this, &CtView::saveImage);
    m_saveDialog->show();
}

void CtView::saveImage(QString fname)
{
    if (m_saveDialog)
        m_lastSaveDir = m_saveDialog->directory().absolutePath();
    const QString suffix = QFileInfo(fname).suffix().toLower();
    if (m_writeFormats.contains(suffix)) {
        qCDebug(lcView3d) << "saving" << fname;
        if (!saveRaster(fname, suffix.toLatin1()))
            qCDebug(lcView3d) << "Can't save image" << fname;
    } else if (suffix == QLatin1String("svg")) {
        if (!saveSvg(fname))
            qCDebug(lcView3d) << "Can't save image" << fname;
    }
}

bool CtView::saveRaster(const QString& fname, const QByteArray& format) const
{
    QSaveFile file(fname);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QImageWriter writer(&file, format);
    return writer.write(m_picture) && file.commit();
}

bool CtView::saveSvg(const QString& fname)
{
    const QSize size = pictureSize();
    if (size.width() <= 0 || size.height() <= 0)
        return false;
    QBuffer svg;
    QSvgGenerator generator;
    generator.setOutputDevice(&svg);
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), QPoint(size.width() - 1, size.height() - 1)));
    QPainter p;
    if (!p.begin(&generator))
        return false;
    paintPImg0(p, size.width(), size.height());
    QSaveFile file(fname);
    return file.open(QIODevice::WriteOnly) && file.write(svg.data()) == svg.size() && file.commit();
}

void CtView::closeEvent(QCloseEvent* e)
{
    emit finishing();
    QFrame::closeEvent(e);
}
