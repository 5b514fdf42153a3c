#include "procctrl.h"

#include "recon/procparams.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMetaMethod>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTest>

#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <vector>

using PanelAction = std::function<void(ProcCtrl&)>;
Q_DECLARE_METATYPE(PanelAction)

namespace
{

template <typename T> T* child(const QWidget& parent, const QString& name)
{
    T* w = parent.findChild<T*>(name);
    if (!w)
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    return w;
}

QLineEdit* edit(const ProcCtrl& panel, const QString& name)
{
    return child<QLineEdit>(panel, name);
}

// Replaces the text as a user would and finishes the edit with Return.
void typeInto(QLineEdit* e, const QString& text)
{
    e->selectAll();
    QTest::keyClicks(e, text);
    QTest::keyClick(e, Qt::Key_Return);
}

void click(const ProcCtrl& panel, const QString& name)
{
    QTest::mouseClick(child<QAbstractButton>(panel, name), Qt::LeftButton);
}

void showPanel(ProcCtrl& panel)
{
    panel.resize(480, panel.sizeHint().height());
    panel.show();
    QVERIFY(QTest::qWaitForWindowExposed(&panel));
}

ProcParams snapshot(const ProcCtrl& panel)
{
    ProcParams p;
    panel.takeSnapshot(p, true, false);
    return p;
}

// Every signal of the panel, so that a test sees what else was emitted besides the one it
// expects.
class SignalLog
{
public:
    explicit SignalLog(const ProcCtrl& panel)
    {
        const QMetaObject& mo = ProcCtrl::staticMetaObject;
        for (int i = mo.methodOffset(); i < mo.methodCount(); ++i) {
            const QMetaMethod m = mo.method(i);
            if (m.methodType() == QMetaMethod::Signal)
                m_spies.push_back(
                    {QString::fromLatin1(m.name()), std::make_unique<QSignalSpy>(&panel, m)});
        }
    }

    // The signals emitted since the last call, each as often as it was emitted.
    QStringList take()
    {
        QStringList names;
        for (auto& [name, spy] : m_spies) {
            for (qsizetype i = 0; i < spy->count(); ++i)
                names << name;
            spy->clear();
        }
        return names;
    }

private:
    std::vector<std::pair<QString, std::unique_ptr<QSignalSpy>>> m_spies;
};

} // namespace

class tst_procctrl : public QObject
{
    Q_OBJECT

private slots:
    void initialFields_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("readOnly");
        QTest::newRow("Cor") << "Cor"
                             << "1000" << false;
        QTest::newRow("DataSetRangeDeg") << "DataSetRangeDeg"
                                         << "180" << false;
        QTest::newRow("AngleOriginDeg") << "AngleOriginDeg"
                                        << "0" << false;
        QTest::newRow("SliceFrom") << "SliceFrom"
                                   << "0" << false;
        QTest::newRow("SliceTo") << "SliceTo"
                                 << "2047" << false;
        QTest::newRow("SliceStep") << "SliceStep"
                                   << "1" << false;
        QTest::newRow("SliceNo") << "SliceNo"
                                 << "1000" << false;
        QTest::newRow("DataSetImages") << "DataSetImages"
                                       << "0" << true;
        QTest::newRow("DataSetUsingImages") << "DataSetUsingImages"
                                            << "180" << false;
        QTest::newRow("DataSetStartImageNo") << "DataSetStartImageNo"
                                             << "0" << false;
        QTest::newRow("RecordedCoR1") << "RecordedCoR1"
                                      << "" << true;
        QTest::newRow("RecordedCoR2") << "RecordedCoR2"
                                      << "" << true;
    }

    void initialFields()
    {
        QFETCH(QString, name);
        QFETCH(QString, text);
        QFETCH(bool, readOnly);
        ProcCtrl panel;
        QLineEdit* e = edit(panel, name);
        QCOMPARE(e->text(), text);
        QCOMPARE(e->isReadOnly(), readOnly);
        QCOMPARE(e->styleSheet(), readOnly ? "background-color: rgb(255, 255, 232);"
                                           : "background-color: rgb(255, 255, 255);");
        QVERIFY(!e->validator());
    }

    void initialControls()
    {
        ProcCtrl panel;
        QCOMPARE(panel.windowTitle(), "Proc Control");
        QCOMPARE(child<QLabel>(panel, "MaxThreads")->text(), "/32");
        auto* threads = child<QSpinBox>(panel, "Threads");
        QCOMPARE(threads->minimum(), 1);
        QCOMPARE(threads->maximum(), 32);
        QCOMPARE(panel.threads(), 1);
        auto* h = child<QRadioButton>(panel, "RotAxH");
        auto* v = child<QRadioButton>(panel, "RotAxV");
        QVERIFY(h->isChecked());
        QVERIFY(!panel.rotAxIsV());
        QVERIFY(h->group());
        QCOMPARE(v->group(), h->group());
        QVERIFY(h->group()->exclusive());
        QVERIFY(!panel.usePartialDataSet());
        QVERIFY(!panel.autoExec());
        QVERIFY(child<QFrame>(panel, "UsePartialDataSetParams")->isHidden());
        const ProcParams p = snapshot(panel);
        QCOMPARE(p.sliceNo, 1000);
        QCOMPARE(p.cor, 1000.0);
        QCOMPARE(p.recordedSlice1, -1);
        QCOMPARE(p.recordedSlice2, -1);
    }

    void setCorReportsChangesOnly()
    {
        ProcCtrl panel;
        SignalLog log(panel);

        panel.setCor(1023.5);
        panel.setCor(1023.5);

        QCOMPARE(log.take(), QStringList{"corUpdated"});
        QCOMPARE(edit(panel, "Cor")->text(), "1023.5");
        QCOMPARE(snapshot(panel).cor, 1023.5);
    }

    void setCorKeepsFullPrecision()
    {
        ProcCtrl panel;
        panel.setCor(1234567.25);

        QCOMPARE(edit(panel, "Cor")->text(), "1.23457e+06");
        QCOMPARE(panel.cor(), 1234567.25);
        QCOMPARE(snapshot(panel).cor, 1234567.25);
    }

    void corEditing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("emitted");
        QTest::addColumn<double>("stored");
        const QStringList reported{"corUpdated"};
        QTest::newRow("new value") << "1023.5" << reported << 1023.5;
        QTest::newRow("same value") << "1000" << QStringList{} << 1000.0;
        QTest::newRow("same value written otherwise") << "1e3" << QStringList{} << 1000.0;
        QTest::newRow("not a number") << "abc" << reported << 0.0;
    }

    void corEditing()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, emitted);
        QFETCH(double, stored);
        ProcCtrl panel;
        SignalLog log(panel);

        typeInto(edit(panel, "Cor"), typed);

        QCOMPARE(log.take(), emitted);
        QCOMPARE(snapshot(panel).cor, stored);
        QCOMPARE(panel.cor(), stored);
    }

    void corNotANumber()
    {
        ProcCtrl panel;
        SignalLog log(panel);
        QLineEdit* cor = edit(panel, "Cor");

        panel.setCor(std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(log.take(), QStringList{"corUpdated"});
        QCOMPARE(cor->text(), "nan");
        QVERIFY(std::isnan(snapshot(panel).cor));

        // A NaN never equals the stored value, so each finished edit reports once.
        typeInto(cor, "nan");
        QCOMPARE(log.take(), QStringList{"corUpdated"});
        typeInto(cor, "nan");
        QCOMPARE(log.take(), QStringList{"corUpdated"});

        typeInto(cor, "512");
        QCOMPARE(log.take(), QStringList{"corUpdated"});
        QCOMPARE(snapshot(panel).cor, 512.0);
    }

    void setSliceNoReportsChangesOnly()
    {
        ProcCtrl panel;
        SignalLog log(panel);

        panel.setSliceNo(1200);
        panel.setSliceNo(1200);

        QCOMPARE(log.take(), QStringList{"sliceNoUpdated"});
        QCOMPARE(edit(panel, "SliceNo")->text(), "1200");
        QCOMPARE(snapshot(panel).sliceNo, 1200);

        panel.setSliceNo(1000);
        QCOMPARE(log.take(), QStringList{"sliceNoUpdated"});
        QCOMPARE(edit(panel, "SliceNo")->text(), "1000");
    }

    void sliceNoEditing_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("emitted");
        QTest::addColumn<int>("stored");
        const QStringList reported{"sliceNoUpdated"};
        QTest::newRow("new value") << "1200" << reported << 1200;
        QTest::newRow("negative") << "-3" << reported << -3;
        QTest::newRow("same value") << "1000" << QStringList{} << 1000;
        QTest::newRow("not a number") << "abc" << reported << 0;
        QTest::newRow("beyond 32 bits") << "4294967296" << reported << 0;
    }

    void sliceNoEditing()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, emitted);
        QFETCH(int, stored);
        ProcCtrl panel;
        SignalLog log(panel);

        typeInto(edit(panel, "SliceNo"), typed);

        QCOMPARE(log.take(), emitted);
        QCOMPARE(snapshot(panel).sliceNo, stored);
        QCOMPARE(panel.sliceNo(), stored);
    }

    void rotationAxisClicks()
    {
        ProcCtrl panel;
        showPanel(panel);
        SignalLog log(panel);

        click(panel, "RotAxV");
        QCOMPARE(log.take(), QStringList{"rotAxUpdated"});
        QVERIFY(panel.rotAxIsV());
        QVERIFY(!child<QRadioButton>(panel, "RotAxH")->isChecked());
        QVERIFY(snapshot(panel).rotAxIsV);

        click(panel, "RotAxV");
        QCOMPARE(log.take(), QStringList{});
        QVERIFY(panel.rotAxIsV());

        click(panel, "RotAxH");
        QCOMPARE(log.take(), QStringList{"rotAxUpdated"});
        QVERIFY(!panel.rotAxIsV());
        QVERIFY(!snapshot(panel).rotAxIsV);
    }

    void setRotAxIsV()
    {
        ProcCtrl panel;
        SignalLog log(panel);

        panel.setRotAxIsV(true);
        QCOMPARE(log.take(), QStringList{"rotAxUpdated"});
        QVERIFY(child<QRadioButton>(panel, "RotAxV")->isChecked());
        QVERIFY(snapshot(panel).rotAxIsV);

        panel.setRotAxIsV(true);
        QCOMPARE(log.take(), QStringList{});

        panel.setRotAxIsV(false);
        QCOMPARE(log.take(), QStringList{"rotAxUpdated"});
        QVERIFY(child<QRadioButton>(panel, "RotAxH")->isChecked());
        QVERIFY(!snapshot(panel).rotAxIsV);
    }

    void recordsShiftAndClear()
    {
        ProcCtrl panel;
        showPanel(panel);
        QLineEdit* rec1 = edit(panel, "RecordedCoR1");
        QLineEdit* rec2 = edit(panel, "RecordedCoR2");
        SignalLog log(panel);

        panel.setCor(1023.5);
        click(panel, "RecCoR");
        QCOMPARE(rec1->text(), "1023.5 at 1000");
        QCOMPARE(rec2->text(), "");

        panel.setCor(990.25);
        panel.setSliceNo(500);
        // An unfinished edit is not what gets recorded.
        edit(panel, "Cor")->setText("1");
        click(panel, "RecCoR");
        QCOMPARE(rec1->text(), "990.25 at 500");
        QCOMPARE(rec2->text(), "1023.5 at 1000");
        ProcParams p = snapshot(panel);
        QCOMPARE(p.recordedCor1, 990.25);
        QCOMPARE(p.recordedSlice1, 500);
        QCOMPARE(p.recordedCor2, 1023.5);
        QCOMPARE(p.recordedSlice2, 1000);
        QCOMPARE(panel.record1().cor, 990.25);
        QCOMPARE(panel.record2().slice, 1000);

        click(panel, "ClearRecCoR");
        QCOMPARE(rec1->text(), "");
        QCOMPARE(rec2->text(), "");
        p = snapshot(panel);
        QCOMPARE(p.recordedSlice1, -1);
        QCOMPARE(p.recordedSlice2, -1);
        QCOMPARE(p.recordedCor1, 0.0);
        QCOMPARE(p.recordedCor2, 0.0);

        QCOMPARE(log.take(), QStringList({"sliceNoUpdated", "corUpdated", "corUpdated"}));
    }

    void recordAtNegativeSliceShowsNoText()
    {
        ProcCtrl panel;
        panel.setSliceNo(-5);
        panel.setCor(7.0);

        panel.recordCoR();

        QCOMPARE(edit(panel, "RecordedCoR1")->text(), "");
        QCOMPARE(panel.record1().slice, -5);
        QCOMPARE(panel.record1().cor, 7.0);
    }

    void partialDataSetToggle()
    {
        ProcCtrl panel;
        showPanel(panel);
        auto* params = child<QFrame>(panel, "UsePartialDataSetParams");
        SignalLog log(panel);
        QVERIFY(!params->isVisibleTo(&panel));

        click(panel, "UsePartialDataSet");
        QCOMPARE(log.take(), QStringList{"usePartialDataSetUpdated"});
        QVERIFY(panel.usePartialDataSet());
        QVERIFY(params->isVisibleTo(&panel));

        click(panel, "UsePartialDataSet");
        QCOMPARE(log.take(), QStringList{"usePartialDataSetUpdated"});
        QVERIFY(!params->isVisibleTo(&panel));

        panel.setUsePartialDataSet(true);
        QCOMPARE(log.take(), QStringList{"usePartialDataSetUpdated"});
        QVERIFY(params->isVisibleTo(&panel));
        panel.setUsePartialDataSet(true);
        QCOMPARE(log.take(), QStringList{});
    }

    void autoExecToggle()
    {
        ProcCtrl panel;
        showPanel(panel);
        SignalLog log(panel);

        click(panel, "AutoExecCtCalc");
        QCOMPARE(log.take(), QStringList{"autoExecUpdated"});
        QVERIFY(panel.autoExec());
        QVERIFY(snapshot(panel).autoExec);

        panel.setAutoExec(false);
        QCOMPARE(log.take(), QStringList{"autoExecUpdated"});
        QVERIFY(!panel.autoExec());
    }

    void finishedEditsReport_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("signalName");
        QTest::newRow("AngleOriginDeg") << "AngleOriginDeg"
                                        << "angleOriginUpdated";
        QTest::newRow("DataSetRangeDeg") << "DataSetRangeDeg"
                                         << "dataSetRangeUpdated";
        QTest::newRow("DataSetUsingImages") << "DataSetUsingImages"
                                            << "dataSetUsingImagesUpdated";
        QTest::newRow("DataSetStartImageNo") << "DataSetStartImageNo"
                                             << "dataSetStartImageNoUpdated";
    }

    void finishedEditsReport()
    {
        QFETCH(QString, name);
        QFETCH(QString, signalName);
        ProcCtrl panel;
        SignalLog log(panel);

        edit(panel, name)->setText("12");
        QCOMPARE(log.take(), QStringList{});

        emit edit(panel, name)->editingFinished();
        QCOMPARE(log.take(), QStringList{signalName});

        typeInto(edit(panel, name), "34");
        QCOMPARE(log.take(), QStringList{signalName});
    }

    void quietSetters_data()
    {
        QTest::addColumn<PanelAction>("set");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("text");
        QTest::newRow("setSliceFrom")
            << PanelAction([](ProcCtrl& p) { p.setSliceFrom(5); }) << "SliceFrom"
            << "5";
        QTest::newRow("setSliceTo")
            << PanelAction([](ProcCtrl& p) { p.setSliceTo(-7); }) << "SliceTo"
            << "-7";
        QTest::newRow("setSliceStep")
            << PanelAction([](ProcCtrl& p) { p.setSliceStep(3); }) << "SliceStep"
            << "3";
        QTest::newRow("setAngleOriginDeg")
            << PanelAction([](ProcCtrl& p) { p.setAngleOriginDeg(12.3456789); }) << "AngleOriginDeg"
            << "12.3457";
        QTest::newRow("setDataSetRangeDeg")
            << PanelAction([](ProcCtrl& p) { p.setDataSetRangeDeg(360.0); }) << "DataSetRangeDeg"
            << "360";
        QTest::newRow("setDataSetImages")
            << PanelAction([](ProcCtrl& p) { p.setDataSetImages(1800); }) << "DataSetImages"
            << "1800";
        QTest::newRow("setDataSetUsingImages")
            << PanelAction([](ProcCtrl& p) { p.setDataSetUsingImages(900); })
            << "DataSetUsingImages"
            << "900";
        QTest::newRow("setDataSetStartImageNo")
            << PanelAction([](ProcCtrl& p) { p.setDataSetStartImageNo(10); })
            << "DataSetStartImageNo"
            << "10";
    }

    void quietSetters()
    {
        QFETCH(PanelAction, set);
        QFETCH(QString, name);
        QFETCH(QString, text);
        ProcCtrl panel;
        SignalLog log(panel);

        set(panel);

        QCOMPARE(edit(panel, name)->text(), text);
        QCOMPARE(log.take(), QStringList{});
    }

    void liveReadsAndStoredValues()
    {
        ProcCtrl panel;
        edit(panel, "SliceNo")->setText("12");
        edit(panel, "Cor")->setText("34.5");
        edit(panel, "SliceFrom")->setText("7");

        QCOMPARE(panel.sliceNo(), 1000);
        QCOMPARE(panel.cor(), 1000.0);
        QCOMPARE(panel.sliceFrom(), 7);
        const ProcParams p = snapshot(panel);
        QCOMPARE(p.sliceNo, 1000);
        QCOMPARE(p.cor, 1000.0);
        QCOMPARE(p.sliceFrom, 7);
    }

    void snapshotStep_data()
    {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("step");
        QTest::addColumn<int>("expected");
        QTest::newRow("down") << 100 << 10 << "5" << -5;
        QTest::newRow("up, negative step typed") << 10 << 100 << "-5" << 5;
        QTest::newRow("down, INT_MIN") << 100 << 10 << "-2147483648" << -2147483647;
        QTest::newRow("step beyond 32 bits") << 10 << 100 << "2147483648" << 0;
    }

    void snapshotStep()
    {
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, step);
        QFETCH(int, expected);
        ProcCtrl panel;
        panel.setSliceFrom(from);
        panel.setSliceTo(to);
        edit(panel, "SliceStep")->setText(step);

        const ProcParams p = snapshot(panel);

        QCOMPARE(p.sliceFrom, from);
        QCOMPARE(p.sliceTo, to);
        QCOMPARE(p.sliceStep, expected);
    }

    void snapshotPartialDataSet_data()
    {
        QTest::addColumn<bool>("partial");
        QTest::addColumn<int>("usingImages");
        QTest::addColumn<int>("startImageNo");
        QTest::newRow("whole data set") << false << 1800 << 0;
        QTest::newRow("partial data set") << true << 900 << 100;
    }

    void snapshotPartialDataSet()
    {
        QFETCH(bool, partial);
        QFETCH(int, usingImages);
        QFETCH(int, startImageNo);
        ProcCtrl panel;
        panel.setDataSetImages(1800);
        panel.setDataSetUsingImages(900);
        panel.setDataSetStartImageNo(100);
        panel.setUsePartialDataSet(partial);

        const ProcParams p = snapshot(panel);

        QCOMPARE(p.dataSetImages, 1800);
        QCOMPARE(p.usingImages, usingImages);
        QCOMPARE(p.startImageNo, startImageNo);
    }

    void snapshotCallerFlags_data()
    {
        QTest::addColumn<bool>("useCt1");
        QTest::addColumn<bool>("useCt2");
        QTest::newRow("CT1") << true << false;
        QTest::newRow("CT2") << false << true;
        QTest::newRow("both") << true << true;
        QTest::newRow("neither") << false << false;
    }

    void snapshotCallerFlags()
    {
        QFETCH(bool, useCt1);
        QFETCH(bool, useCt2);
        ProcCtrl panel;
        ProcParams p;

        panel.takeSnapshot(p, useCt1, useCt2);

        QCOMPARE(p.useCt1, useCt1);
        QCOMPARE(p.useCt2, useCt2);
    }

    void snapshotOfEveryField()
    {
        ProcCtrl panel;
        panel.setSliceNo(640);
        panel.setCor(1023.5);
        panel.recordCoR();
        panel.setRotAxIsV(true);
        panel.setAngleOriginDeg(-90.0);
        panel.setDataSetRangeDeg(360.0);
        panel.setDataSetImages(1800);
        panel.setAutoExec(true);
        panel.setSliceFrom(1);
        panel.setSliceTo(2001);
        panel.setSliceStep(-4);
        panel.setThreads(8);
        ProcParams p;
        p.upperLimit = 1.0;
        p.lowerLimit = 2.0;
        p.offset = 3.0;
        p.sliceNo = 7;

        panel.takeSnapshot(p, false, true);

        QCOMPARE(p.useCt1, false);
        QCOMPARE(p.useCt2, true);
        QCOMPARE(p.rotAxIsV, true);
        QCOMPARE(p.sliceNo, 640);
        QCOMPARE(p.cor, 1023.5);
        QCOMPARE(p.recordedCor1, 1023.5);
        QCOMPARE(p.recordedSlice1, 640);
        QCOMPARE(p.recordedCor2, 0.0);
        QCOMPARE(p.recordedSlice2, -1);
        QCOMPARE(p.angleOriginDeg, -90.0);
        QCOMPARE(p.dataSetImages, 1800);
        QCOMPARE(p.dataSetRangeDeg, 360.0);
        QCOMPARE(p.usingImages, 1800);
        QCOMPARE(p.startImageNo, 0);
        QCOMPARE(p.autoExec, true);
        QCOMPARE(p.sliceFrom, 1);
        QCOMPARE(p.sliceTo, 2001);
        QCOMPARE(p.sliceStep, 4);
        QCOMPARE(p.threads, 8);
        QCOMPARE(p.upperLimit, 10.0);
        QCOMPARE(p.lowerLimit, -10.0);
        QCOMPARE(p.offset, 10.0);
    }

    void maxThreads()
    {
        ProcCtrl panel;
        auto* threads = child<QSpinBox>(panel, "Threads");

        panel.setMaxThreads(12);
        QCOMPARE(threads->maximum(), 12);
        QCOMPARE(child<QLabel>(panel, "MaxThreads")->text(), "/12");

        panel.setThreads(20);
        QCOMPARE(panel.threads(), 12);
        panel.setThreads(0);
        QCOMPARE(panel.threads(), 1);
    }

    // The quality row as a user sets it, and what a calculation then takes.
    void qualityRowReachesTheSnapshot_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<bool>("pad");
        QTest::addColumn<QString>("rings");
        QTest::addColumn<QString>("strength");
        QTest::addColumn<QString>("expectedRings");
        QTest::newRow("defaults taken as something else") << "ramp" << false << "off"
                                                          << ""
                                                          << "off";
        QTest::newRow("window or padding lost") << "hann" << true << "off"
                                                << ""
                                                << "off";
        QTest::newRow("typed strength lost") << "cosine" << false << "sort"
                                             << "15"
                                             << "sort:15";
        QTest::newRow("empty strength not the method's default") << "ramp" << true << "auto"
                                                                 << ""
                                                                 << "auto";
        QTest::newRow("strength below the range kept") << "ramp" << false << "sort"
                                                       << "1"
                                                       << "sort";
        QTest::newRow("text taken as a strength") << "ramp" << false << "dead"
                                                  << "x"
                                                  << "dead";
    }

    void qualityRowReachesTheSnapshot()
    {
        QFETCH(QString, filter);
        QFETCH(bool, pad);
        QFETCH(QString, rings);
        QFETCH(QString, strength);
        QFETCH(QString, expectedRings);
        ProcCtrl panel;
        showPanel(panel);
        child<QComboBox>(panel, "Filter")->setCurrentText(filter);
        child<QCheckBox>(panel, "PadFilter")->setChecked(pad);
        child<QComboBox>(panel, "Rings")->setCurrentText(rings);
        QLineEdit* field = edit(panel, "RingStrength");
        QCOMPARE(field->isEnabled(), rings != "off");
        if (field->isEnabled())
            typeInto(field, strength);
        const ProcParams p = snapshot(panel);
        QCOMPARE(FbpFilter::windowName(p.filter.window), filter);
        QCOMPARE(p.filter.pad, pad);
        QCOMPARE(p.rings.text(), expectedRings);
    }
};

QTEST_MAIN(tst_procctrl)
#include "tst_procctrl.moc"
