#include "view3d/volumerenderer.h"

#include "volumereference.h"

#include <QPainter>
#include <QTest>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>

namespace
{

using Slices = std::vector<std::unique_ptr<SliceRecord>>;

// ns slices of sw x sh with random values in 0 ... 255; every second slice is a picture.
Slices randomSlices(int ns, int sw, int sh, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(0, 255);
    Slices slices;
    for (int k = 0; k < ns; ++k) {
        auto slice = std::make_unique<SliceRecord>();
        slice->sw = sw;
        slice->sh = sh;
        slice->isImage = k % 2 == 1;
        if (slice->isImage) {
            slice->picture = QImage(sw, sh, QImage::Format_ARGB32);
            for (int y = 0; y < sh; ++y)
                for (int x = 0; x < sw; ++x)
                    slice->picture.setPixel(x, y, qRgba(x, y, int(value(random)), 255));
        } else {
            for (int i = 0; i < sw * sh; ++i)
                slice->values.push_back(value(random));
        }
        slices.push_back(std::move(slice));
    }
    return slices;
}

// Value slices holding `fill`, with `centre` at column sw / 2, row sh / 2 of every slice.
Slices centredSlices(int ns, int sw, int sh, double fill, double centre)
{
    Slices slices;
    for (int k = 0; k < ns; ++k) {
        auto slice = std::make_unique<SliceRecord>();
        slice->sw = sw;
        slice->sh = sh;
        slice->values.assign(size_t(sw * sh), fill);
        slice->values[size_t(sh / 2 * sw + sw / 2)] = centre;
        slices.push_back(std::move(slice));
    }
    return slices;
}

VolumeSet setOf(const Slices& slices, double lo, double hi)
{
    VolumeSet set;
    for (const auto& slice : slices)
        set.slices.push_back(slice.get());
    set.sw = slices.front()->sw;
    set.sh = slices.front()->sh;
    set.lo = lo;
    set.hi = hi;
    return set;
}

int largestChannelDifference(const QImage& a, const QImage& b)
{
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            for (const int shift : {0, 8, 16, 24})
                largest =
                    std::max(largest, std::abs(int(p >> shift & 0xff) - int(q >> shift & 0xff)));
        }
    return largest;
}

QImage white(int pw, int ph)
{
    QImage picture(pw, ph, QImage::Format_ARGB32);
    picture.fill(Qt::white);
    return picture;
}

struct Scene {
    ViewBasis view;
    std::vector<VolumeSet> sets;
    int pw = 24;
    int ph = 20;
};

} // namespace

Q_DECLARE_METATYPE(Scene)
Q_DECLARE_METATYPE(ViewBasis)

class tst_volumerenderer : public QObject
{
    Q_OBJECT

private:
    Slices m_first = randomSlices(12, 16, 10, 1);
    Slices m_second = randomSlices(12, 16, 10, 2);
    Slices m_odd = randomSlices(11, 15, 9, 3);

private slots:
    void matchesPointByPoint_data()
    {
        QTest::addColumn<Scene>("scene");
        QTest::addColumn<int>("threads");

        const VolumeSet plain = setOf(m_first, 40, 220);
        const ViewBasis oblique = ViewBasis{}.turned({1, 2, 3}, 0.7).turned({-2, 1, 0.5}, 1.3);
        const ViewBasis quarters = ViewBasis{}
                                       .turned({1, 0, 0}, std::numbers::pi / 2)
                                       .turned({0, 1, 0}, std::numbers::pi / 2);
        ViewBasis edgeOn;
        edgeOn.ny = {0, 0, -1};
        edgeOn.nz = {0, 1, 0};
        ViewBasis moved;
        moved.scale = 0.7;
        moved.offset = {1.5, -2.25, 0.5};
        ViewBasis behind = oblique.turned({0, 1, 0}, 2.9);
        behind.scale = 0.45;

        QTest::addRow("default view: pixel centre and slice centre line up")
            << Scene{{}, {plain}} << 2;
        QTest::addRow("scale and offset moved: the ray's origin and step")
            << Scene{moved, {plain}} << 2;
        QTest::addRow("oblique turns: the plane mapping along a row")
            << Scene{oblique, {plain}} << 2;
        QTest::addRow("quarter turns: samples a rounding error from a column edge")
            << Scene{quarters, {plain}} << 2;
        QTest::addRow("seen from behind, zoomed out: reversed slice order")
            << Scene{behind, {plain}} << 3;
        QTest::addRow("edge-on (nz.z = 0): no slice sampled, frames only")
            << Scene{edgeOn, {plain}} << 2;
        QTest::addRow("one thread") << Scene{oblique, {plain}} << 1;
        QTest::addRow("seven threads over 19 rows") << Scene{oblique, {plain}, 23, 19} << 7;

        QTest::addRow("odd sizes: halves rounded down")
            << Scene{oblique, {setOf(m_odd, 30, 200)}, 23, 19} << 2;
        QTest::addRow("window upside down (hi < lo)")
            << Scene{oblique, {setOf(m_first, 220, 40)}} << 2;

        VolumeSet cut = plain;
        cut.showCSection = true;
        cut.slider = 30;
        cut.csNormal = Vec3{0.3, -0.2, 1} * (1 / Vec3{0.3, -0.2, 1}.length());
        QTest::addRow("cross section at 30 %%, tilted normal: the cut and its band")
            << Scene{oblique, {cut}} << 2;
        cut.slider = 0;
        cut.csNormal = oblique.nz;
        QTest::addRow("cross section at 0 along the view") << Scene{oblique, {cut}} << 2;
        cut.slider = -55;
        QTest::addRow("cross section at -55 %%, seen from behind") << Scene{behind, {cut}} << 2;

        VolumeSet translucent = plain;
        translucent.alpha = 128;
        QTest::addRow("one set, alpha 128 over white: the painter's blending")
            << Scene{oblique, {translucent}} << 2;

        VolumeSet second = setOf(m_second, 10, 250);
        second.vColor = QColor(127, 0, 127);
        second.sColor = QColor(0, 127, 0);
        second.alpha = 128;
        QTest::addRow("two sets, the second with alpha 128")
            << Scene{oblique, {plain, second}} << 2;
        second.showCSection = true;
        second.slider = -20;
        second.csNormal = oblique.nz;
        translucent.showFrame = false;
        QTest::addRow("two translucent sets, the second cut")
            << Scene{moved, {translucent, second}} << 2;
    }

    // Catches any difference from the pixel-by-pixel painting: the sampling, the window, the
    // cross section, the colour ramp, the blending over earlier sets, the split into rows.
    void matchesPointByPoint()
    {
        QFETCH(Scene, scene);
        QFETCH(int, threads);
        const QImage plain = volumereference::render(scene.sets, scene.view, scene.pw, scene.ph);
        QVERIFY(plain != white(scene.pw, scene.ph));
        for (const auto loops : {VolumeRenderer::Loops::Vector, VolumeRenderer::Loops::Portable}) {
            const QImage fast =
                VolumeRenderer::render(scene.sets, scene.view, scene.pw, scene.ph, threads, loops);
            QCOMPARE(fast.size(), QSize(scene.pw, scene.ph));
            QCOMPARE_LE(largestChannelDifference(fast, plain), scene.sets.size() > 1 ? 1 : 0);
        }
    }

    void edgeCases_data()
    {
        QTest::addColumn<double>("centre");
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<QRgb>("expected");

        // Level 128: 255 - 128 (1 - K / 255) for K = 0 and 127 gives 127 and 190.75.
        QTest::addRow("centre pixel samples column sw/2, row sh/2")
            << 1.0 << 0.0 << 2.0 << qRgb(127, 190, 190);
        QTest::addRow("level 255 gives the volume colour")
            << 255.0 << 0.0 << 256.0 << qRgb(0, 127, 127);
        QTest::addRow("value exactly at lo is not drawn")
            << 0.0 << 0.0 << 2.0 << qRgb(255, 255, 255);
        QTest::addRow("value at hi (level 256) is not drawn")
            << 2.0 << 0.0 << 2.0 << qRgb(255, 255, 255);
        QTest::addRow("value above hi is not drawn") << 3.0 << 0.0 << 2.0 << qRgb(255, 255, 255);
    }

    // Default view, every slice 0 but for one value at its centre: only the centre pixel shows it.
    void edgeCases()
    {
        QFETCH(double, centre);
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(QRgb, expected);
        const Slices slices = centredSlices(12, 16, 10, 0.0, centre);
        VolumeSet set = setOf(slices, lo, hi);
        set.showFrame = false;
        const QImage picture = VolumeRenderer::render({set}, {}, 24, 20);
        QImage centreOnly = white(24, 20);
        centreOnly.setPixel(12, 10, expected);
        QCOMPARE(picture, centreOnly);
        set.alpha = 77;
        const QImage layer = VolumeRenderer::volumeLayer(set, {}, 24, 20);
        QCOMPARE(qAlpha(layer.pixel(12, 10)), expected == qRgb(255, 255, 255) ? 0 : 77);
        QCOMPARE(qAlpha(layer.pixel(11, 10)), 0);
    }

    void crossSection_data()
    {
        QTest::addColumn<int>("slider");
        QTest::addColumn<double>("tilt");
        QTest::addRow("slider 0: only d < 0 counts, the band -1 < d < 0 in the section colour")
            << 0 << 0.3;
        QTest::addRow("slider 25: B = 3") << 25 << 0.3;
        QTest::addRow("slider -50: B = -6, most of the volume cut away") << -50 << 0.3;
        QTest::addRow("normal along z, B = 3: slice z = 2 on the band's open edge") << 25 << 0.0;
    }

    // A uniform volume (level 128 everywhere) cut by a plane tilted about y, default view: column
    // a samples p = (a, y, z) for z = -6 ... 5, d = a sin(tilt) + z cos(tilt).
    void crossSection()
    {
        QFETCH(int, slider);
        QFETCH(double, tilt);
        const Slices slices = centredSlices(12, 16, 10, 1.0, 1.0);
        VolumeSet set = setOf(slices, 0, 2);
        set.showFrame = false;
        set.showCSection = true;
        set.slider = slider;
        set.csNormal = {std::sin(tilt), 0, std::cos(tilt)};
        const QImage picture = VolumeRenderer::render({set}, {}, 24, 20);
        const double cutAt = slider / 100.0 * 12;
        for (int q = 0; q < 24; ++q) {
            const int a = q - 12;
            bool inBand = false;
            bool inFront = false;
            for (int z = -6; z < 6; ++z) {
                const double d = a * set.csNormal.x + z * set.csNormal.z;
                inFront = inFront || d < cutAt;
                inBand = inBand || (d < cutAt && d > cutAt - 1);
            }
            const bool inside = a >= -8 && a < 8;
            const QRgb expected = !inside   ? qRgb(255, 255, 255)
                                  : inBand  ? qRgb(190, 127, 127)
                                  : inFront ? qRgb(127, 190, 190)
                                            : qRgb(255, 255, 255);
            for (int r = 0; r < 20; ++r)
                QCOMPARE(picture.pixel(q, r), r >= 5 && r < 15 ? expected : qRgb(255, 255, 255));
        }
    }

    void frames_data()
    {
        QTest::addColumn<ViewBasis>("view");
        QTest::addColumn<bool>("front");
        QTest::addColumn<QList<QRect>>("faces");

        // 16 x 10 x 10 box, picture 24 x 20: corners at 12 + (corner . nx), 10 + (corner . ny).
        QTest::addRow("default view, front: the face z = +5")
            << ViewBasis{} << true << QList<QRect>{QRect(QPoint(4, 5), QPoint(20, 15))};
        QTest::addRow("default view, back: the face z = -5")
            << ViewBasis{} << false << QList<QRect>{QRect(QPoint(4, 5), QPoint(20, 15))};
        ViewBasis aboutY;
        aboutY.nx = {0.6, 0, -0.8};
        aboutY.nz = {0.8, 0, 0.6};
        QTest::addRow("turned about y, front: faces x = +8 and z = +5")
            << aboutY << true
            << QList<QRect>{QRect(QPoint(12, 5), QPoint(20, 15)),
                            QRect(QPoint(3, 5), QPoint(12, 15))};
        QTest::addRow("turned about y, back: faces x = -8 and z = -5")
            << aboutY << false
            << QList<QRect>{QRect(QPoint(3, 5), QPoint(11, 15)),
                            QRect(QPoint(11, 5), QPoint(20, 15))};
    }

    void frames()
    {
        QFETCH(ViewBasis, view);
        QFETCH(bool, front);
        QFETCH(QList<QRect>, faces);
        VolumeSet set;
        set.sw = 16;
        set.sh = 10;
        set.slices.resize(10);
        QImage drawn = white(24, 20);
        QImage expected = white(24, 20);
        {
            QPainter p(&drawn);
            VolumeRenderer::drawFrame(p, set, view, 24, 20, front);
        }
        QPainter p(&expected);
        p.setPen(set.vColor);
        for (const QRect& f : faces) {
            p.drawLine(f.topLeft(), f.topRight());
            p.drawLine(f.topRight(), f.bottomRight());
            p.drawLine(f.bottomRight(), f.bottomLeft());
            p.drawLine(f.bottomLeft(), f.topLeft());
        }
        p.end();
        QCOMPARE(drawn, expected);
    }

    void basisStaysOrthonormal_data()
    {
        QTest::addColumn<bool>("aboutNz");
        // Steps of up to 1 % of the widget per move: the axis is not normalised again, so larger
        // steps let rounding errors grow (5 % steps lose the basis after about 2000 moves).
        QTest::addRow("free rotation: axis from a drag in the picture") << false;
        QTest::addRow("band rotation: about nz") << true;
    }

    // Catches a rotation formula that is not a rotation (a wrong sign or term).
    void basisStaysOrthonormal()
    {
        QFETCH(bool, aboutNz);
        std::mt19937 random(5);
        std::uniform_real_distribution<double> step(-0.01, 0.01);
        ViewBasis view;
        for (int i = 0; i < 5000; ++i) {
            const double dx = step(random);
            const double dy = step(random);
            const double g = std::hypot(dx, dy);
            const Vec3 axis = aboutNz ? view.nz : view.ny * (dx / g) + view.nx * (dy / g);
            view = {view.nx.rotated(axis, g * std::numbers::pi),
                    view.ny.rotated(axis, g * std::numbers::pi),
                    view.nz.rotated(axis, g * std::numbers::pi)};
        }
        for (const Vec3& n : {view.nx, view.ny, view.nz})
            QCOMPARE_LT(std::abs(n.length() - 1), 1e-12);
        QCOMPARE_LT(std::abs(view.nx.dot(view.ny)), 1e-12);
        QCOMPARE_LT(std::abs(view.ny.dot(view.nz)), 1e-12);
        QCOMPARE_LT((view.nx.cross(view.ny) - view.nz).length(), 1e-12);
    }

    // The plane mapping is the ray offset + scale (a nx + b ny) + t nz at p.z = k - ns / 2.
    void samplesLieOnTheRay()
    {
        std::mt19937 random(9);
        std::uniform_real_distribution<double> any(-3, 3);
        for (int i = 0; i < 200; ++i) {
            ViewBasis view =
                ViewBasis{}.turned({any(random), any(random), any(random)}, any(random));
            view.scale = 0.5 + std::abs(any(random));
            view.offset = {any(random), any(random), any(random)};
            const int a = int(any(random) * 10);
            const int b = int(any(random) * 10);
            const double zk = int(any(random) * 4);
            const Vec3 start = view.offset + (view.nx * a + view.ny * b) * view.scale;
            const Vec3 literal = start + view.nz * ((zk - start.z) / view.nz.z);
            QCOMPARE_LT((volumereference::rayOnSlice(view, a, b, zk) - literal).length(), 1e-9);
        }
    }
};

QTEST_MAIN(tst_volumerenderer)
#include "tst_volumerenderer.moc"
