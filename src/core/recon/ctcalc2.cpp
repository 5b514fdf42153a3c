#include "ctcalc2.h"

#include "cirvologging.h"
#include "ringfilter.h"
#include "sinogrambuilder.h"
#include "slicefiles.h"

#include <algorithm>
#include <limits>

CtCalc2::CtCalc2(QObject* parent) : QObject(parent)
{
    qRegisterMetaType<CtCalc2*>("CtCalc2*");
    qRegisterMetaType<Ct2Inputs>("Ct2Inputs");
    qRegisterMetaType<Ct2Result>("Ct2Result");
    qRegisterMetaType<SavingData>("SavingData");
    qRegisterMetaType<SavingImg>("SavingImg");
    qRegisterMetaType<SavingFloats>("SavingFloats");
}

void CtCalc2::setInputs(const Ct2Inputs& inputs)
{
    m_inputs = inputs;
}

void CtCalc2::prepare(int n, int count)
{
    m_count = count;
    prepareEngine(n, count);
}

bool CtCalc2::prepareEngine(int n, int rows)
{
    const ProcParams& p = m_inputs.params;
    m_core.setFilter(p.filter);
    m_coreF.setFilter(p.filter);
    if (p.singlePrecision) {
        m_core.release();
        return m_coreF.prepare(n, rows);
    }
    m_coreF.release();
    return m_core.prepare(n, rows);
}

void CtCalc2::setSaveImage(bool f, QString path, QString name, QString tag)
{
    m_saveImage = {f, path, name, tag};
}

void CtCalc2::setSaveData(bool f, QString path, QString name, QString tag)
{
    m_saveData = {f, path, name, tag};
}

void CtCalc2::setSaveFloats(const FloatTarget& target)
{
    m_saveFloats = target;
}

void CtCalc2::startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice)
{
    startCt(ctc2, rotAxIsV, cor, slice, true);
}

void CtCalc2::startCt(CtCalc2* ctc2, bool rotAxIsV, double cor, int slice, bool genAndDispImage)
{
    if (ctc2 != this || m_busy || !m_inputs.images)
        return;
    m_busy = true;
    Ct2Result result;
    result.slice = slice;
    result.start = QDateTime::currentDateTime();
    emit calcStarted(slice, result.start);

    const ProcParams& p = m_inputs.params;
    SinogramRequest request;
    request.rotAxIsV = rotAxIsV;
    request.cor = cor;
    request.slice = slice;
    request.usePartial = m_inputs.usePartial;
    request.usingImages = p.usingImages;
    request.startImageNo = p.startImageNo;
    SinogramBuilder::build(*m_inputs.images, request, m_sgm);
    RingFilter::apply(p.rings, m_sgm);

    const int n = (m_sgm.width / 2) * 2;
    if (m_sgm.hasData() && prepareEngine(n, m_sgm.rows)) {
        FbpRegion region = m_inputs.region;
        if (!m_inputs.regionSet) {
            region = {0, 0, double(n), double(n)};
            result.regionDefaulted = true;
        }
        result.n = n;
        result.values = reconstruct(n, region);
        const std::vector<double>& values = *result.values;
        if (genAndDispImage || m_saveImage.on)
            makePicture(result);
        const QString number = SliceFiles::number(slice);
        if (m_saveImage.on && !result.picture.isNull())
            emit saveImgWDiscard(
                {m_saveImage.path, m_saveImage.name, m_saveImage.tag, number, result.picture});
        if (m_saveData.on)
            emit saveDataWDiscard(
                {m_saveData.path, m_saveData.name, m_saveData.tag, number,
                 SliceFiles::sliceText(values, n, region, p.lowerLimit, p.upperLimit, p.offset)});
        emitFloats(slice, cor, values, n, region);
        if (!result.picture.isNull())
            emit ctImage(slice, result.picture);
    } else if (m_sgm.hasData() && p.filter.pad && FbpFilter::paddedLength(n) == 0) {
        qCDebug(lcRecon).noquote()
            << QStringLiteral("Slice %1 not reconstructed: padding lines of %2 samples would "
                              "exceed memory")
                   .arg(slice)
                   .arg(n);
    }
    result.end = QDateTime::currentDateTime();
    m_busy = false;
    emit resultReady(result);
    emit calcFinished();
}

namespace
{

// The multi-slice path's calls, the same for either engine.
template <typename Core>
void runFbp(Core& core, const HSgm& sgm, int count, int n, const ProcParams& p,
            const FbpRegion& region)
{
    const int rows = sgm.rows;
    const qint64 norm = qint64(n) * count;
    const double factor = norm > 0 ? 1.0 / double(norm) : 1.0;
    const double delta = FbpAngles::delta(p.dataSetRangeDeg, p.dataSetImages);
    const double theta0 = FbpAngles::theta0(p.startImageNo, delta, p.angleOriginDeg);
    core.clearResult();
    for (int r = 0; r < rows; ++r)
        core.forward(r, sgm.absorptionRow(r));
    for (int r = 0; r < rows; ++r)
        core.filterScaling(r, factor);
    core.backProjectAll(rows, delta, theta0, region);
}

} // namespace

std::shared_ptr<const std::vector<double>> CtCalc2::reconstruct(int n, FbpRegion region)
{
    const ProcParams& p = m_inputs.params;
    if (p.singlePrecision) {
        runFbp(m_coreF, m_sgm, m_count, n, p, region);
        return std::make_shared<const std::vector<double>>(m_coreF.resultAsDoubles());
    }
    runFbp(m_core, m_sgm, m_count, n, p, region);
    return std::make_shared<const std::vector<double>>(m_core.result());
}

void CtCalc2::emitFloats(int slice, double cor, const std::vector<double>& values, int n,
                         const FbpRegion& region)
{
    const FloatTarget& t = m_saveFloats;
    if (!t.tiff && !t.volume)
        return;
    const SavingFloats floats{
        t.path,
        t.name,
        t.tag,
        SliceFiles::number(slice),
        slice,
        cor,
        t.energyEv,
        std::make_shared<const SliceFloats>(SliceFiles::sliceFloats(values, n, region))};
    if (t.tiff)
        emit saveFloatsWDiscard(floats);
    if (t.volume)
        emit addToVolume(floats);
}

void CtCalc2::makePicture(Ct2Result& result)
{
    GreyScale scale = m_inputs.scale;
    result.min = std::numeric_limits<double>::max();
    result.max = std::numeric_limits<double>::lowest();
    if (!m_inputs.fixedScale) {
        GreyScale::range(*result.values, result.min, result.max);
        scale.minV = result.min;
        scale.maxV = result.max;
    }
    result.picture = scale.toImage(*result.values, result.n);
}
