#include "procctrl.h"

#include "cirvologging.h"
#include "recon/procparams.h"

namespace
{

QString realText(double v)
{
    return QString::number(v, 'g', 6);
}

QString recordText(const ProcCtrl::CorRecord& r)
{
    if (r.slice < 0)
        return {};
    return ProcCtrl::tr("%1 at %2").arg(realText(r.cor)).arg(r.slice);
}

} // namespace

ProcCtrl::ProcCtrl(QWidget* parent) : QFrame(parent)
{
    ui.setupUi(this);
    m_rotAxIsV = ui.RotAxV->isChecked();
    m_sliceNo = ui.SliceNo->text().toInt();
    m_cor = ui.Cor->text().toDouble();

    connect(ui.UsePartialDataSet, &QCheckBox::toggled, this, &ProcCtrl::usePartialDataSetUpdated);
    connect(this, &ProcCtrl::usePartialDataSetUpdated, this, &ProcCtrl::showPartial);
    connect(ui.AutoExecCtCalc, &QCheckBox::toggled, this, &ProcCtrl::autoExecUpdated);
    connect(ui.RotAxGroup, &QButtonGroup::buttonClicked, this, &ProcCtrl::rotAxSelectionChanged);
    connect(ui.SliceNo, &QLineEdit::editingFinished, this, &ProcCtrl::sliceNoEditingFinished);
    connect(ui.Cor, &QLineEdit::editingFinished, this, &ProcCtrl::corEditingFinished);
    connect(ui.AngleOriginDeg, &QLineEdit::editingFinished, this, &ProcCtrl::angleOriginUpdated);
    connect(ui.DataSetRangeDeg, &QLineEdit::editingFinished, this, &ProcCtrl::dataSetRangeUpdated);
    connect(ui.DataSetUsingImages, &QLineEdit::editingFinished, this,
            &ProcCtrl::dataSetUsingImagesUpdated);
    connect(ui.DataSetStartImageNo, &QLineEdit::editingFinished, this,
            &ProcCtrl::dataSetStartImageNoUpdated);
    ui.Filter->addItems(FbpFilter::windowNames());
    ui.Rings->addItems(RingOptions::names());
    connect(ui.Rings, &QComboBox::currentIndexChanged, this, &ProcCtrl::showRingStrength);
    connect(ui.RingStrength, &QLineEdit::editingFinished, this, &ProcCtrl::checkRingStrength);
    connect(ui.RecCoR, &QPushButton::clicked, this, &ProcCtrl::recordCoR);
    connect(ui.ClearRecCoR, &QPushButton::clicked, this, &ProcCtrl::clearRecordedCoR);

    showPartial();
    showRingStrength();
}

int ProcCtrl::threads() const
{
    return ui.Threads->value();
}

bool ProcCtrl::rotAxIsV() const
{
    return m_rotAxIsV;
}

int ProcCtrl::sliceNo() const
{
    return m_sliceNo;
}

double ProcCtrl::cor() const
{
    return m_cor;
}

double ProcCtrl::angleOriginDeg() const
{
    return ui.AngleOriginDeg->text().toDouble();
}

double ProcCtrl::dataSetRangeDeg() const
{
    return ui.DataSetRangeDeg->text().toDouble();
}

int ProcCtrl::dataSetImages() const
{
    return ui.DataSetImages->text().toInt();
}

int ProcCtrl::usingImages() const
{
    return ui.DataSetUsingImages->text().toInt();
}

int ProcCtrl::startImageNo() const
{
    return ui.DataSetStartImageNo->text().toInt();
}

bool ProcCtrl::usePartialDataSet() const
{
    return ui.UsePartialDataSet->isChecked();
}

bool ProcCtrl::autoExec() const
{
    return ui.AutoExecCtCalc->isChecked();
}

int ProcCtrl::sliceFrom() const
{
    return ui.SliceFrom->text().toInt();
}

int ProcCtrl::sliceTo() const
{
    return ui.SliceTo->text().toInt();
}

int ProcCtrl::sliceStep() const
{
    return ui.SliceStep->text().toInt();
}

FbpFilter ProcCtrl::filter() const
{
    return {FbpFilter::Window(ui.Filter->currentIndex()), ui.PadFilter->isChecked()};
}

void ProcCtrl::setFilter(const FbpFilter& filter)
{
    ui.Filter->setCurrentIndex(int(filter.window));
    ui.PadFilter->setChecked(filter.pad);
}

RingOptions ProcCtrl::rings() const
{
    const QString name = ui.Rings->currentText();
    const QString strength = ui.RingStrength->text().trimmed();
    QString why;
    return RingOptions::parse(strength.isEmpty() ? name : name + u':' + strength, &why)
        .value_or(*RingOptions::parse(name, &why));
}

void ProcCtrl::setRings(const RingOptions& rings)
{
    ui.Rings->setCurrentIndex(int(RingOptions::methods().indexOf(rings.method)));
    const bool byDefault = rings.strength == RingOptions::defaultStrength(rings.method);
    ui.RingStrength->setText(byDefault ? QString() : QString::number(rings.strength, 'g', 6));
}

void ProcCtrl::checkRingStrength()
{
    const QString strength = ui.RingStrength->text().trimmed();
    if (strength.isEmpty())
        return;
    QString why;
    if (RingOptions::parse(ui.Rings->currentText() + u':' + strength, &why))
        return;
    qCDebug(lcRecon).noquote() << "Ring strength not taken, the method's default is used :" << why;
    ui.RingStrength->clear();
}

void ProcCtrl::showRingStrength()
{
    const RingOptions::Method method = RingOptions::methods().value(ui.Rings->currentIndex());
    ui.RingStrength->setEnabled(method != RingOptions::Method::Off);
    ui.RingStrength->setPlaceholderText(
        method == RingOptions::Method::Off
            ? QString()
            : QString::number(RingOptions::defaultStrength(method), 'g', 6));
    ui.RingStrength->setToolTip(RingOptions::strengthMeaning(method));
}

void ProcCtrl::setMaxThreads(int n)
{
    ui.Threads->setMaximum(n);
    ui.MaxThreads->setText(QStringLiteral("/%1").arg(n));
}

void ProcCtrl::takeSnapshot(ProcParams& record, bool useCt1, bool useCt2) const
{
    // Starting from the defaults gives the main window's limits their neutral values.
    record = ProcParams{};
    record.useCt1 = useCt1;
    record.useCt2 = useCt2;
    record.rotAxIsV = m_rotAxIsV;
    record.sliceNo = m_sliceNo;
    record.cor = m_cor;
    record.recordedCor1 = m_record1.cor;
    record.recordedCor2 = m_record2.cor;
    record.recordedSlice1 = m_record1.slice;
    record.recordedSlice2 = m_record2.slice;
    record.angleOriginDeg = angleOriginDeg();
    record.dataSetImages = dataSetImages();
    record.dataSetRangeDeg = dataSetRangeDeg();
    const bool partial = usePartialDataSet();
    record.usingImages = partial ? usingImages() : record.dataSetImages;
    record.startImageNo = partial ? startImageNo() : 0;
    record.autoExec = autoExec();
    record.sliceFrom = sliceFrom();
    record.sliceTo = sliceTo();
    record.sliceStep = ProcParams::signedStep(record.sliceFrom, record.sliceTo, sliceStep());
    record.threads = threads();
    record.filter = filter();
    record.rings = rings();
    record.singlePrecision = singlePrecision();
}

void ProcCtrl::showPartial()
{
    ui.UsePartialDataSetParams->setVisible(ui.UsePartialDataSet->isChecked());
}

void ProcCtrl::recordCoR()
{
    m_record2 = m_record1;
    m_record1 = {m_sliceNo, m_cor};
    showRecords();
}

void ProcCtrl::sliceNoEditingFinished()
{
    const int v = ui.SliceNo->text().toInt();
    if (v == m_sliceNo)
        return;
    m_sliceNo = v;
    emit sliceNoUpdated();
}

void ProcCtrl::corEditingFinished()
{
    // A NaN compares unequal to everything, so it is taken and reported every time.
    const double v = ui.Cor->text().toDouble();
    if (v == m_cor)
        return;
    m_cor = v;
    emit corUpdated();
}

void ProcCtrl::rotAxSelectionChanged(QAbstractButton*)
{
    const bool v = ui.RotAxV->isChecked();
    if (v == m_rotAxIsV)
        return;
    m_rotAxIsV = v;
    emit rotAxUpdated();
}

void ProcCtrl::setRecord(int which, int slice, double cor)
{
    (which == 1 ? m_record1 : m_record2) = {slice, cor};
    showRecords();
}

void ProcCtrl::clearRecordedCoR()
{
    m_record1 = {};
    m_record2 = {};
    showRecords();
}

void ProcCtrl::setCor(double cor)
{
    if (cor == m_cor)
        return;
    m_cor = cor;
    ui.Cor->setText(realText(cor));
    emit corUpdated();
}

void ProcCtrl::setSliceNo(int sliceNo)
{
    if (sliceNo == m_sliceNo)
        return;
    m_sliceNo = sliceNo;
    ui.SliceNo->setText(QString::number(sliceNo));
    emit sliceNoUpdated();
}

void ProcCtrl::setSliceFrom(int sliceFrom)
{
    ui.SliceFrom->setText(QString::number(sliceFrom));
}

void ProcCtrl::setSliceTo(int sliceTo)
{
    ui.SliceTo->setText(QString::number(sliceTo));
}

void ProcCtrl::setSliceStep(int sliceStep)
{
    ui.SliceStep->setText(QString::number(sliceStep));
}

void ProcCtrl::setAngleOriginDeg(double deg)
{
    ui.AngleOriginDeg->setText(realText(deg));
}

void ProcCtrl::setDataSetRangeDeg(double deg)
{
    ui.DataSetRangeDeg->setText(realText(deg));
}

void ProcCtrl::setDataSetImages(int images)
{
    ui.DataSetImages->setText(QString::number(images));
}

void ProcCtrl::setDataSetUsingImages(int images)
{
    ui.DataSetUsingImages->setText(QString::number(images));
}

void ProcCtrl::setDataSetStartImageNo(int imageNo)
{
    ui.DataSetStartImageNo->setText(QString::number(imageNo));
}

void ProcCtrl::setUsePartialDataSet(bool f)
{
    ui.UsePartialDataSet->setChecked(f);
}

void ProcCtrl::setRotAxIsV(bool v)
{
    QAbstractButton* button = v ? ui.RotAxV : ui.RotAxH;
    button->setChecked(true);
    rotAxSelectionChanged(button);
}

void ProcCtrl::setAutoExec(bool f)
{
    ui.AutoExecCtCalc->setChecked(f);
}

void ProcCtrl::setThreads(int n)
{
    ui.Threads->setValue(n);
}

void ProcCtrl::showRecords()
{
    ui.RecordedCoR1->setText(recordText(m_record1));
    ui.RecordedCoR2->setText(recordText(m_record2));
}
