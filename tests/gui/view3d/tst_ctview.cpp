#include "ctview.h"
#include "slicesctrl.h"

#include "../display/mouseevents.h"
#include "messagelog.h"
#include "recon/slicefiles.h"
#include "testfile.h"

#include <QImageReader>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QVector3D>

namespace
{

// n slices of n x n: a ball of radius n/3 whose value falls from the centre, over a faint slope
// that keeps every slice from being constant.
QStringList writeBall(const QTemporaryDir& dir, int n)
{
    QStringList files;
    const double c = (n - 1) / 2.0;
    for (int k = 0; k < n; ++k) {
        std::vector<double> values(size_t(n) * size_t(n));
        for (int z = 0; z < n; ++z)
            for (int x = 0; x < n; ++x) {
                const double r = std::hypot(x - c, z - c, k - c);
                values[size_t(z) * size_t(n) + size_t(x)] = std::max(0.0, n / 3.0 - r) + x * 1e-3;
            }
        const QByteArray text =
            SliceFiles::sliceText(values, n, {0, 0, double(n), double(n)}, -1e30, 1e30, 0);
        files << writeTestFile(dir, QStringLiteral("ball-%1.dat").arg(k, 3, 10, QChar('0')), text);
    }
    return files;
}

bool near(const Vec3& a, const QVector3D& b)
{
    return (a - Vec3{b.x(), b.y(), b.z()}).length() < 1e-9;
}

// A fraction of the 101 x 101 picture widget (y upward) as a pixel.
QPoint pixel(QPointF f)
{
    return {qRound(f.x() * 100), qRound((1 - f.y()) * 100)};
}

} // namespace

class tst_ctview : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QStringList m_ball;

    // The view with the ball in its first set, once its picture is rendered.
    static void loadBall(CtView& view, const QStringList& files)
    {
        QSignalSpy rendered(&view, &CtView::pictureRendered);
        view.sets().first()->loadFiles(files);
        QTRY_VERIFY_WITH_TIMEOUT(!view.sets().first()->isLoading() && rendered.count() > 0, 20000);
    }

private slots:
    void initTestCase() { m_ball = writeBall(m_dir, 32); }

    void mouseTurnsAndPans_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QPointF>("from");
        QTest::addColumn<QPointF>("to");
        QTest::addColumn<QVector3D>("nx");
        QTest::addColumn<QVector3D>("nz");
        QTest::addColumn<QVector3D>("offset");
        const int left = Qt::LeftButton;
        // About nz by dx * pi: the top band wins over the right band in their corner.
        QTest::newRow("top band at x 0.9, y 0.95")
            << left << 0 << QPointF(0.9, 0.95) << QPointF(0.4, 0.95) << QVector3D(0, 1, 0)
            << QVector3D(0, 0, 1) << QVector3D();
        QTest::newRow("right band turns by -dy * pi")
            << left << 0 << QPointF(0.9, 0.5) << QPointF(0.9, 0.0) << QVector3D(0, -1, 0)
            << QVector3D(0, 0, 1) << QVector3D();
        // Half the width turns by 90 degrees about ny.
        QTest::newRow("free rotation") << left << 0 << QPointF(0.5, 0.5) << QPointF(1.0, 0.5)
                                       << QVector3D(0, 0, 1) << QVector3D(-1, 0, 0) << QVector3D();
        QTest::newRow("free rotation without displacement")
            << left << 0 << QPointF(0.5, 0.5) << QPointF(0.5, 0.5) << QVector3D(1, 0, 0)
            << QVector3D(0, 0, 1) << QVector3D();
        // A quarter of 256 picture pixels to the right shows the volume 64 units further left.
        QTest::newRow("right drag pans")
            << int(Qt::RightButton) << 0 << QPointF(0.5, 0.5) << QPointF(0.75, 0.5)
            << QVector3D(1, 0, 0) << QVector3D(0, 0, 1) << QVector3D(-64, 0, 0);
        QTest::newRow("Shift drag pans")
            << left << int(Qt::ShiftModifier) << QPointF(0.5, 0.5) << QPointF(0.5, 0.25)
            << QVector3D(1, 0, 0) << QVector3D(0, 0, 1) << QVector3D(0, -64, 0);
        QTest::newRow("Control drag does nothing")
            << left << int(Qt::ControlModifier) << QPointF(0.5, 0.5) << QPointF(0.9, 0.9)
            << QVector3D(1, 0, 0) << QVector3D(0, 0, 1) << QVector3D();
    }

    void mouseTurnsAndPans()
    {
        QFETCH(int, button);
        QFETCH(int, modifiers);
        QFETCH(QPointF, from);
        QFETCH(QPointF, to);
        QFETCH(QVector3D, nx);
        QFETCH(QVector3D, nz);
        QFETCH(QVector3D, offset);
        CtView view({});
        view.ui.dispA_->setFixedSize(101, 101);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        const auto b = Qt::MouseButton(button);
        const auto mods = Qt::KeyboardModifiers(modifiers);
        MouseEvents::press(view.ui.dispA_, pixel(from), b, mods);
        MouseEvents::moveTo(view.ui.dispA_, pixel(to), mods, b);
        MouseEvents::release(view.ui.dispA_, pixel(to), b, mods);
        QVERIFY(near(view.basis().nx, nx));
        QVERIFY(near(view.basis().nz, nz));
        QVERIFY(near(view.basis().offset, offset));
    }

    void manyDragsKeepTheBasisOrthonormal()
    {
        CtView view({});
        view.ui.dispA_->setFixedSize(101, 101);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        QWidget* disp = view.ui.dispA_;
        for (const QPoint start : {QPoint(50, 50), QPoint(95, 50), QPoint(50, 3)}) {
            MouseEvents::press(disp, start, Qt::LeftButton);
            for (int i = 1; i <= 300; ++i)
                MouseEvents::moveTo(disp, {(start.x() + 7 * i) % 101, (start.y() + 3 * i) % 101},
                                    {}, Qt::LeftButton);
            MouseEvents::release(disp, start, Qt::LeftButton);
        }
        const ViewBasis& b = view.basis();
        for (const Vec3& n : {b.nx, b.ny, b.nz})
            QVERIFY(std::abs(n.length() - 1) < 1e-9);
        QVERIFY(std::abs(b.nx.dot(b.ny)) < 1e-9 && std::abs(b.ny.dot(b.nz)) < 1e-9);
        QVERIFY((b.nx.cross(b.ny) - b.nz).length() < 1e-9);
    }

    void wheelZooms()
    {
        CtView view({});
        MouseEvents::wheel(view.ui.dispA_, {10, 10}, {0, 120});
        QCOMPARE(view.basis().scale, 0.9);
        MouseEvents::wheel(view.ui.dispA_, {10, 10}, {0, -120});
        QCOMPARE(view.basis().scale, 1.0);
    }

    void addedSets_data()
    {
        QTest::addColumn<int>("k");
        QTest::addColumn<QColor>("volume");
        QTest::addColumn<QColor>("section");
        QTest::addColumn<QString>("alpha");
        QTest::newRow("first") << 0 << QColor(0, 127, 127) << QColor(127, 0, 0) << "255";
        QTest::newRow("second") << 1 << QColor(127, 0, 127) << QColor(0, 127, 0) << "128";
        QTest::newRow("fourth starts the colours again")
            << 3 << QColor(0, 127, 127) << QColor(127, 0, 0) << "128";
    }

    void addedSets()
    {
        QFETCH(int, k);
        QFETCH(QColor, volume);
        QFETCH(QColor, section);
        QFETCH(QString, alpha);
        CtView view({});
        view.show();
        for (int i = 0; i < k; ++i)
            QTest::mouseClick(view.ui.addSliceSet_, Qt::LeftButton);
        QCOMPARE(view.sets().size(), k + 1);
        SlicesCtrl* set = view.sets().at(k);
        QCOMPARE(set->vColor(), volume);
        QCOMPARE(set->sColor(), section);
        QCOMPARE(set->ui.alpha_->text(), alpha);
        QCOMPARE(set->ui.showB2_->text(), QStringLiteral("Show Setup %1").arg(k + 1));
    }

    void linkedCrossSections_data()
    {
        QTest::addColumn<bool>("linked");
        QTest::addColumn<int>("other");
        QTest::newRow("linked") << true << 40;
        QTest::newRow("not linked") << false << 0;
    }

    void linkedCrossSections()
    {
        QFETCH(bool, linked);
        QFETCH(int, other);
        CtView view({});
        view.show();
        QTest::mouseClick(view.ui.addSliceSet_, Qt::LeftButton);
        view.ui.linkCSection_->setChecked(linked);
        view.sets().at(0)->ui.cSlider_->setValue(40);
        QCOMPARE(view.sets().at(1)->ui.cSlider_->value(), other);
    }

    void rendersLoadedSlices()
    {
        CtView view({});
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        loadBall(view, m_ball);
        const QImage& picture = view.picture();
        QCOMPARE(picture.size(), QSize(256, 256));
        // The ball's centre in the volume colour, the corners white.
        QVERIFY(picture.pixelColor(128, 128) != QColor(Qt::white));
        QCOMPARE(picture.pixelColor(2, 2), QColor(Qt::white));
        const QImage shown = view.ui.dispA_->grab().toImage();
        QVERIFY(shown.pixelColor(shown.width() / 2, shown.height() / 2) != QColor(Qt::black));

        // A burst of requests ends with the picture of the last state, whatever was dropped:
        // the turn comes in after the zoom's render has started.
        for (int i = 0; i < 5; ++i)
            MouseEvents::wheel(view.ui.dispA_, {10, 10}, {0, 120});
        QMetaObject::invokeMethod(
            &view,
            [&view] {
                view.updateNvs({0, 1, 0}, 0.3);
            },
            Qt::QueuedConnection);
        QTRY_VERIFY(view.basis().nz.z < 1);
        const QImage last =
            VolumeRenderer::render({view.sets().first()->volumeSet()}, view.basis(), 256, 256);
        QTRY_VERIFY(view.picture() == last);
    }

    void save_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("upper-case PNG suffix") << "a.PNG" << QByteArray("png");
        QTest::newRow("svg") << "b.svg" << QByteArray("svg");
        QTest::newRow("unknown suffix writes nothing") << "c.xyz" << QByteArray();
    }

    void save()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, format);
        CtView view({});
        loadBall(view, m_ball);
        const QString path = m_dir.filePath(name);
        MessageLog log("cirvo.view3d");
        view.saveImage(path);
        QCOMPARE(QFileInfo::exists(path), !format.isEmpty());
        if (format == "png") {
            QCOMPARE(QImageReader(path).format(), format);
            QVERIFY(log.startsWith("saving", path));
        } else if (format == "svg") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray svg = file.readAll();
            QCOMPARE(svg.count("<image"), 1);
            QVERIFY(svg.contains("<path") || svg.contains("<line") || svg.contains("<polyline"));
        }
    }
};

QTEST_MAIN(tst_ctview)
#include "tst_ctview.moc"
