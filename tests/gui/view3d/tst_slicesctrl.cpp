#include "slicesctrl.h"

#include "../display/mouseevents.h"

#include <QFileDialog>
#include <QImage>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace
{

// Two grey picture slices whose values span lo ... hi.
QStringList writeSlices(const QTemporaryDir& dir, const QString& name, int lo, int hi)
{
    QStringList files;
    for (int k = 0; k < 2; ++k) {
        QImage slice(8, 8, QImage::Format_RGB32);
        slice.fill(qRgb(lo, lo, lo));
        slice.setPixel(k, k, qRgb(hi, hi, hi));
        files << dir.filePath(QStringLiteral("%1-%2.png").arg(name).arg(k));
        slice.save(files.last());
    }
    return files;
}

void load(SlicesCtrl& panel, const QStringList& files)
{
    panel.loadFiles(files);
    QTRY_VERIFY(!panel.isLoading());
}

void type(QLineEdit* edit, const QString& text)
{
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

QString field(SlicesCtrl& panel, const QString& name)
{
    return panel.findChild<QLineEdit*>(name)->text();
}

} // namespace

class tst_slicesctrl : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_range10to110;
    QStringList m_range20to220;

private slots:
    void initTestCase()
    {
        m_range10to110 = writeSlices(m_dir, "a", 10, 110);
        m_range20to220 = writeSlices(m_dir, "b", 20, 220);
    }

    void thresholds_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<QString>("edited");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("expected");
        QTest::newRow("loading sets the lower value from 0 %") << true << ""
                                                               << ""
                                                               << "minTh_"
                                                               << "10";
        QTest::newRow("loading sets the upper value from 100 %") << true << ""
                                                                 << ""
                                                                 << "maxTh_"
                                                                 << "110";
        QTest::newRow("a value gives its percentage") << true << "minTh_"
                                                      << "60"
                                                      << "minThPC_"
                                                      << "50";
        QTest::newRow("a percentage gives its value") << true << "minThPC_"
                                                      << "25"
                                                      << "minTh_"
                                                      << "35";
        QTest::newRow("the upper value") << true << "maxTh_"
                                         << "85"
                                         << "maxThPC_"
                                         << "75";
        QTest::newRow("the upper percentage") << true << "maxThPC_"
                                              << "40"
                                              << "maxTh_"
                                              << "50";
        QTest::newRow("no division by a range of no width") << false << "minTh_"
                                                            << "5"
                                                            << "minThPC_"
                                                            << "0.0";
    }

    void thresholds()
    {
        QFETCH(bool, loaded);
        QFETCH(QString, edited);
        QFETCH(QString, typed);
        QFETCH(QString, other);
        QFETCH(QString, expected);
        SlicesCtrl panel({});
        if (loaded)
            load(panel, m_range10to110);
        QSignalSpy repaints(&panel, &SlicesCtrl::paintPImg);
        if (!edited.isEmpty())
            type(panel.findChild<QLineEdit*>(edited), typed);
        QCOMPARE(field(panel, other), expected);
        // One write for the edit; a second would mean the update went back and forth.
        if (!edited.isEmpty())
            QCOMPARE(repaints.count(), loaded ? 1 : 0);
    }

    void secondSelectionKeepsPercentages()
    {
        SlicesCtrl panel({});
        load(panel, m_range10to110);
        type(panel.ui.minThPC_, "25");
        type(panel.ui.maxThPC_, "75");
        load(panel, m_range20to220);
        QCOMPARE(field(panel, "rMinV_"), "20");
        QCOMPARE(field(panel, "minTh_"), "70");
        QCOMPARE(field(panel, "maxTh_"), "170");
        QCOMPARE(panel.ui.nameList_->count(), 2);
        QVERIFY(panel.ui.nameList_->itemText(0).endsWith("b-0.png"));
    }

    void markers_data()
    {
        QTest::addColumn<int>("pressX");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("minPC");
        QTest::addColumn<QString>("maxPC");
        // 202 pixels span 0 ... 101 %: x 100 is 50 %, x 40 is 20 %.
        QTest::newRow("half-way takes the maximum") << 100 << 0 << "0.0"
                                                    << "20";
        QTest::newRow("nearer the minimum takes it") << 30 << 0 << "20"
                                                     << "100.0";
        QTest::newRow("a Shift press takes nothing") << 30 << int(Qt::ShiftModifier) << "0.0"
                                                     << "100.0";
    }

    void markers()
    {
        QFETCH(int, pressX);
        QFETCH(int, modifiers);
        QFETCH(QString, minPC);
        QFETCH(QString, maxPC);
        SlicesCtrl panel({});
        panel.ui.dispH_->setFixedWidth(202);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        load(panel, m_range10to110);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        MouseEvents::press(panel.ui.dispH_, {pressX, 10}, Qt::LeftButton, mods);
        MouseEvents::moveTo(panel.ui.dispH_, {40, 10}, mods, Qt::LeftButton);
        MouseEvents::release(panel.ui.dispH_, {40, 10}, Qt::LeftButton, mods);
        QCOMPARE(field(panel, "minThPC_"), minPC);
        QCOMPARE(field(panel, "maxThPC_"), maxPC);
        QCOMPARE(field(panel, "minTh_").toDouble(), 10 + minPC.toDouble());
    }

    void alpha_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("kept");
        QTest::newRow("above 255") << "300"
                                   << "255";
        QTest::newRow("below 0") << "-5"
                                 << "0";
        QTest::newRow("inside") << "17"
                                << "17";
    }

    void alpha()
    {
        QFETCH(QString, typed);
        QFETCH(QString, kept);
        SlicesCtrl panel({});
        type(panel.ui.alpha_, typed);
        QCOMPARE(panel.ui.alpha_->text(), kept);
    }

    void fixDir_data()
    {
        QTest::addColumn<bool>("fixed");
        QTest::addColumn<double>("nz");
        QTest::newRow("the plane turns with the view") << false << 0.6;
        QTest::newRow("Fix Dir. keeps the plane in the volume") << true << 1.0;
    }

    void fixDir()
    {
        QFETCH(bool, fixed);
        QFETCH(double, nz);
        SlicesCtrl panel({});
        panel.initNz({0, 0, 1});
        panel.ui.csFixDir_->setChecked(fixed);
        panel.newNz({0.8, 0, 0.6});
        QCOMPARE(panel.csNormal().z, nz);
    }

    // The slices stay as they are while the view renders from them or while they load.
    void selectionWaits()
    {
        SlicesCtrl panel({});
        load(panel, m_range10to110);
        panel.holdSlices();
        panel.loadFiles(m_range20to220);
        QVERIFY(!panel.isLoading());
        QCOMPARE(field(panel, "rMaxV_"), "110");
        panel.releaseSlices();
        QVERIFY(panel.isLoading());
        panel.loadFiles(m_range10to110);
        QTRY_VERIFY(!panel.isLoading());
        QCOMPARE(field(panel, "rMaxV_"), "110");
        QVERIFY(panel.ui.nameList_->itemText(0).endsWith("a-0.png"));
    }

    void selectDialog()
    {
        SlicesCtrl panel(m_dir.path());
        panel.show();
        QTest::mouseClick(panel.ui.selectB_, Qt::LeftButton);
        auto* dialog = panel.findChild<QFileDialog*>();
        QVERIFY(dialog && dialog->isVisible() && !dialog->isModal());
        QCOMPARE(dialog->windowTitle(), "Select Data Files");
        QCOMPARE(dialog->nameFilters(),
                 QStringList({"Data Files (*.dat *.png)", "Any Files (* *.*)"}));
        QVERIFY(dialog->testOption(QFileDialog::DontUseNativeDialog));
        QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
        QCOMPARE(dialog->directory().absolutePath(), QDir(m_dir.path()).absolutePath());
    }
};

QTEST_MAIN(tst_slicesctrl)
#include "tst_slicesctrl.moc"
