#include "recon/slicefiles.h"

#include <QDir>
#include <QTest>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

Q_DECLARE_METATYPE(FbpRegion)
Q_DECLARE_METATYPE(std::vector<double>)

namespace
{

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// The six header lines for the given (already formatted) header values.
QByteArray header(const char* x0, const char* z0, const char* x1, const char* z1)
{
    return QByteArray("#CIRVO-CTImg\n") + "# Range_X0       : " + x0 + '\n' +
           "# Range_Y0       : " + z0 + '\n' + "# Range_X1       : " + x1 + '\n' +
           "# Range_Y1       : " + z1 + '\n' + "# sx,sy, ex,ey   : " + x0 + '\t' + z0 + '\t' + x1 +
           '\t' + z1 + '\n';
}

QByteArray lines(std::initializer_list<const char*> list)
{
    QByteArray out;
    for (const char* line : list)
        out += QByteArray(line) + '\n';
    return out;
}

FbpRegion region(double x0, double z0, double x1, double z1)
{
    return FbpRegion{x0, z0, x1, z1};
}

// 4 x 4, zero in the corners, every other value distinct so a transposed or shifted index shows.
std::vector<double> result4()
{
    return {0, 1,   2,     0, //
            3, 0.5, -1,    4, //
            5, 6,   7,     8, //
            0, 9,   10.25, 0};
}

// Values that are hard to print: zeros, infinities, the ends of the double range, the switch
// between fixed and exponent notation, carries into a new digit and rounding ties.
std::vector<double> awkwardValues()
{
    const double tiny = std::numeric_limits<double>::denorm_min();
    const double smallest = std::numeric_limits<double>::min();
    const double largest = std::numeric_limits<double>::max();
    // One list: at -O3 GCC 12 warns of a false overflow in a chain of inserts.
    return {0.0, -0.0, Inf, -Inf,
            // The ends of the range, subnormals included.
            tiny, -tiny, smallest, -smallest, smallest / 3, largest, -largest,
            // Where %g changes between fixed and exponent notation, also by rounding up.
            1e-5, -1e-5, 0.0001, -0.0001, 0.00010000049, 9.99999e-5, 9.999995e-5, 9.9999949e-5,
            100000, 99999.95, 99999.949999, 123456, -123456, 999999, 999999.4, 999999.5, -999999.5,
            9.999995e5, 1e6, 1234567, -1234567, 1e15, 1e16, 1e21, 1e22, 1e100, 1e-100,
            // Exact and near ties at the seventh digit.
            123456.5, 123457.5, 1234565, 1234575, 12.3456549, 12.345650000001, 0.5, 1.5, 2.5, 0.125,
            0.1, 0.2, 0.3, 1.0 / 3, -2.0 / 3, 3.14159265, 2047, -1};
}

std::vector<double> randomMagnitudes(int count)
{
    std::mt19937_64 engine(5u);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-323, 307);
    std::vector<double> values(static_cast<size_t>(count));
    for (double& v : values) {
        v = mantissa(engine) * std::pow(10.0, exponent(engine));
        if (engine() & 1)
            v = -v;
    }
    return values;
}

std::vector<double> randomBitPatterns(int count)
{
    std::mt19937_64 engine(9u);
    std::vector<double> values;
    while (values.size() < size_t(count)) {
        const std::uint64_t bits = engine();
        double v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isnan(v))
            values.push_back(v);
    }
    return values;
}

// Seven significant digits ending in 5, exactly (integers, halves) and as the nearest double.
std::vector<double> nearTies(int count)
{
    std::mt19937_64 engine(13u);
    std::uniform_int_distribution<int> sixDigits(100000, 999999);
    std::uniform_int_distribution<int> exponent(-20, 20);
    std::vector<double> values;
    for (int i = 0; i < count; ++i) {
        const double digits = sixDigits(engine) * 10.0 + 5;
        values.push_back(digits);
        values.push_back(digits / 10);
        values.push_back(digits * std::pow(10.0, exponent(engine)));
    }
    return values;
}

// printf's %g, the format of the data files, for every pixel of an n x n result.
QByteArray printfLines(const std::vector<double>& result, int n)
{
    QByteArray out;
    char line[64];
    for (int z = 0; z < n; ++z)
        for (int x = 0; x < n; ++x) {
            const double v = result[size_t(z) * size_t(n) + size_t(x)];
            out.append(line, std::snprintf(line, sizeof line, "%d\t%d\t%g\n", x, z, v));
        }
    return out;
}

} // namespace

class tst_slicefiles : public QObject
{
    Q_OBJECT

private slots:
    void number_data();
    void number();
    void fileName_data();
    void fileName();
    void directories_data();
    void directories();

    void sliceText_data();
    void sliceText();
    void sliceTextFraming_data();
    void sliceTextFraming();
    void headerNumbers_data();
    void headerNumbers();
    void pixelValue_data();
    void pixelValue();
    void numbersAsPrintf_data();
    void numbersAsPrintf();
};

void tst_slicefiles::number_data()
{
    QTest::addColumn<int>("slice");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << 0 << "00000";
    QTest::newRow("one digit") << 7 << "00007";
    QTest::newRow("two digits") << 12 << "00012";
    QTest::newRow("five digits") << 99999 << "99999";
    QTest::newRow("six digits") << 123456 << "123456";
    QTest::newRow("minus one") << -1 << "-0001";
    QTest::newRow("minus twelve") << -12 << "-0012";
    QTest::newRow("negative five digits") << -12345 << "-12345";
}

void tst_slicefiles::number()
{
    QFETCH(int, slice);
    QFETCH(QString, expected);
    QCOMPARE(SliceFiles::number(slice), expected);
}

void tst_slicefiles::fileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("tag");
    QTest::addColumn<int>("slice");
    QTest::addColumn<QString>("ext");
    QTest::addColumn<QString>("expected");

    QTest::newRow("name and tag, dat") << "sample"
                                       << "E01" << 12 << "dat"
                                       << "sample-E01-00012.dat";
    QTest::newRow("name and tag, png") << "sample"
                                       << "E01" << 12 << "png"
                                       << "sample-E01-00012.png";
    QTest::newRow("empty name") << ""
                                << "E01" << 12 << "dat"
                                << "E01-00012.dat";
    QTest::newRow("empty tag") << "sample"
                               << "" << 12 << "dat"
                               << "sample--00012.dat";
    QTest::newRow("empty name and tag") << ""
                                        << "" << 7 << "png"
                                        << "-00007.png";
    QTest::newRow("negative slice") << "s"
                                    << "T" << -12 << "dat"
                                    << "s-T--0012.dat";
    QTest::newRow("six digit slice") << "s"
                                     << "T" << 123456 << "png"
                                     << "s-T-123456.png";
}

void tst_slicefiles::fileName()
{
    QFETCH(QString, name);
    QFETCH(QString, tag);
    QFETCH(int, slice);
    QFETCH(QString, ext);
    QFETCH(QString, expected);
    QCOMPARE(SliceFiles::fileName(name, tag, SliceFiles::number(slice), ext), expected);
}

void tst_slicefiles::directories_data()
{
    QTest::addColumn<bool>("useSubFolders");
    QTest::addColumn<bool>("ofEnergy");
    QTest::addColumn<bool>("ofSlice");
    QTest::addColumn<QStringList>("expected");

    const QString path = QStringLiteral("/data/out");
    const QString sep = QDir::separator();
    const QString byTag = path + sep + "E01";
    const QString byNumber = path + sep + "00012";

    QTest::newRow("no sub-folders") << false << false << false << QStringList{path};
    QTest::newRow("no sub-folders, energy") << false << true << false << QStringList{path};
    QTest::newRow("no sub-folders, slice") << false << false << true << QStringList{path};
    QTest::newRow("no sub-folders, both") << false << true << true << QStringList{path};
    QTest::newRow("of energy") << true << true << false << QStringList{byTag};
    QTest::newRow("of slice") << true << false << true << QStringList{byNumber};
    QTest::newRow("neither works as of slice") << true << false << false << QStringList{byNumber};
    QTest::newRow("both") << true << true << true << QStringList{byTag, byNumber};
}

void tst_slicefiles::directories()
{
    QFETCH(bool, useSubFolders);
    QFETCH(bool, ofEnergy);
    QFETCH(bool, ofSlice);
    QFETCH(QStringList, expected);

    SliceFiles::FolderOptions options;
    options.useSubFolders = useSubFolders;
    options.ofEnergy = ofEnergy;
    options.ofSlice = ofSlice;
    QCOMPARE(SliceFiles::directories(QStringLiteral("/data/out"), QStringLiteral("E01"),
                                     SliceFiles::number(12), options),
             expected);
}

// Whole files, byte for byte.
void tst_slicefiles::sliceText_data()
{
    QTest::addColumn<std::vector<double>>("result");
    QTest::addColumn<int>("n");
    QTest::addColumn<FbpRegion>("region");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("whole result, offset 10")
        << result4() << 4 << region(0, 0, 4, 4) << -Inf << Inf << 10.0
        << header("0", "0", "3", "3") + lines({"0\t0\t10", "1\t0\t11", "2\t0\t12", "3\t0\t10",  //
                                               "0\t1\t13", "1\t1\t10.5", "2\t1\t9", "3\t1\t14", //
                                               "0\t2\t15", "1\t2\t16", "2\t2\t17", "3\t2\t18",  //
                                               "0\t3\t10", "1\t3\t19", "2\t3\t20.25", "3\t3\t10"});

    QTest::newRow("fractional region")
        << result4() << 4 << region(0.5, 0.5, 3.2, 2.0) << -Inf << Inf << 0.0
        << header("0.5", "0.5", "2.2", "1") +
               lines({"0\t0\t0", "1\t0\t1", "2\t0\t2", "3\t0\t0", "0\t1\t3", "1\t1\t0.5",
                      "2\t1\t-1", "3\t1\t4"});

    QTest::newRow("inner part of the result")
        << result4() << 4 << region(1, 2, 3, 4) << -Inf << Inf << 0.0
        << header("1", "2", "2", "3") + lines({"1\t2\t6", "2\t2\t7", "1\t3\t9", "2\t3\t10.25"});

    QTest::newRow("wider than the result")
        << std::vector<double>{1, 2, 3, 4} << 2 << region(0, 0, 3, 3) << -Inf << Inf << 1.0
        << header("0", "0", "2", "2") + lines({"0\t0\t2", "1\t0\t3", "2\t0\t1", //
                                               "0\t1\t4", "1\t1\t5", "2\t1\t1", //
                                               "0\t2\t1", "1\t2\t1", "2\t2\t1"});

    QTest::newRow("negative start")
        << std::vector<double>{1, 2, 3, 4} << 2 << region(-1, -1, 1, 1) << -Inf << Inf << 5.0
        << header("-1", "-1", "0", "0") + lines({"-1\t-1\t5", "0\t-1\t5", "-1\t0\t5", "0\t0\t6"});

    // (int) truncates toward zero: -1.5 starts at -1 and -0.5 at 0.
    QTest::newRow("negative fractional start")
        << std::vector<double>{1, 2, 3, 4} << 2 << region(-1.5, -0.5, 1, 1) << -Inf << Inf << 5.0
        << header("-1.5", "-0.5", "0", "0") + lines({"-1\t0\t5", "0\t0\t6"});

    QTest::newRow("limits") << result4() << 4 << region(0, 1, 4, 2) << 0.0 << 3.5 << 100.0
                            << header("0", "1", "3", "1") +
                                   lines({"0\t1\t103", "1\t1\t100.5", "2\t1\t100", "3\t1\t100"});

    QTest::newRow("around the result, clipped")
        << std::vector<double>{1, 2, 3, 4} << 2 << region(-1, -1, 3, 3) << 1.5 << 3.5 << 0.5
        << header("-1", "-1", "2", "2") +
               lines({"-1\t-1\t0.5", "0\t-1\t0.5", "1\t-1\t0.5", "2\t-1\t0.5", //
                      "-1\t0\t0.5", "0\t0\t0.5", "1\t0\t2.5", "2\t0\t0.5",     //
                      "-1\t1\t0.5", "0\t1\t3.5", "1\t1\t0.5", "2\t1\t0.5",     //
                      "-1\t2\t0.5", "0\t2\t0.5", "1\t2\t0.5", "2\t2\t0.5"});

    // Adding -0 keeps every value as it is, the sign of zero included.
    QTest::newRow("repeats, signed zeros and NaNs")
        << std::vector<double>{0.0, -0.0, -0.0, 0.0, 7, 7, NaN, std::copysign(NaN, -1.0), 7} << 3
        << region(0, 0, 3, 3) << -Inf << Inf << -0.0
        << header("0", "0", "2", "2") + lines({"0\t0\t0", "1\t0\t-0", "2\t0\t-0", //
                                               "0\t1\t0", "1\t1\t7", "2\t1\t7",   //
                                               "0\t2\tnan", "1\t2\tnan", "2\t2\t7"});

    QTest::newRow("empty result") << std::vector<double>{} << 0 << region(0, 0, 2, 2) << -Inf << Inf
                                  << 3.0
                                  << header("0", "0", "1", "1") +
                                         lines({"0\t0\t3", "1\t0\t3", "0\t1\t3", "1\t1\t3"});

    QTest::newRow("empty region") << result4() << 4 << region(2, 2, 2, 2) << -Inf << Inf << 0.0
                                  << header("2", "2", "1", "1");
}

void tst_slicefiles::sliceText()
{
    QFETCH(std::vector<double>, result);
    QFETCH(int, n);
    QFETCH(FbpRegion, region);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, offset);
    QFETCH(QByteArray, expected);

    QCOMPARE(SliceFiles::sliceText(result, n, region, lower, upper, offset), expected);
}

// Line structure that must hold for any region: ASCII, LF only, fixed labels, one pixel line
// per (x, z) of the region.
void tst_slicefiles::sliceTextFraming_data()
{
    QTest::addColumn<FbpRegion>("region");
    QTest::addColumn<int>("pixelLines");

    QTest::newRow("4 x 4") << region(0, 0, 4, 4) << 16;
    QTest::newRow("fractional") << region(0.5, 0.5, 3.2, 2.0) << 8;
    QTest::newRow("beyond the result") << region(-3, -2, 7, 6) << 80;
    QTest::newRow("single pixel") << region(3, 3, 3.5, 3.5) << 1;
    QTest::newRow("far from the origin") << region(99998.5, -100001, 100001, -99998) << 9;
    QTest::newRow("empty") << region(1, 1, 1, 1) << 0;
}

void tst_slicefiles::sliceTextFraming()
{
    QFETCH(FbpRegion, region);
    QFETCH(int, pixelLines);

    const QByteArray text = SliceFiles::sliceText(result4(), 4, region, -Inf, Inf, 0.5);

    QVERIFY(!text.startsWith("\xEF\xBB\xBF"));
    QVERIFY(!text.contains('\r'));
    QVERIFY(text.endsWith('\n'));
    for (char c : text)
        QVERIFY2(c == '\n' || c == '\t' || (c >= 0x20 && c < 0x7f), "only printable ASCII");

    QList<QByteArray> all = text.split('\n');
    QCOMPARE(all.takeLast(), QByteArray()); // after the final LF
    for (const QByteArray& line : all)
        QVERIFY2(!line.isEmpty(), "no empty lines");
    QCOMPARE(all.size(), 6 + pixelLines);

    QCOMPARE(all.at(0), QByteArray("#CIRVO-CTImg"));
    const char* labels[] = {"# Range_X0       : ", "# Range_Y0       : ", "# Range_X1       : ",
                            "# Range_Y1       : ", "# sx,sy, ex,ey   : "};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(qstrlen(labels[i]), 19u);
        QVERIFY2(all.at(i + 1).startsWith(labels[i]), all.at(i + 1).constData());
    }

    // The four header values repeat, tab-separated, on the sx,sy line.
    QByteArrayList values;
    for (int i = 1; i <= 4; ++i)
        values << all.at(i).mid(19);
    QCOMPARE(all.at(5).mid(19), values.join('\t'));

    // Pixel lines: z outer, x inner, both counting up by one from the truncated start.
    int x = int(region.x0);
    int z = int(region.z0);
    for (int i = 6; i < all.size(); ++i) {
        const QList<QByteArray> fields = all.at(i).split('\t');
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields.at(0), QByteArray::number(x));
        QCOMPARE(fields.at(1), QByteArray::number(z));
        if (++x >= region.x1) {
            x = int(region.x0);
            ++z;
        }
    }
}

// Header values use %g with six significant digits.
void tst_slicefiles::headerNumbers_data()
{
    QTest::addColumn<FbpRegion>("region");
    QTest::addColumn<QByteArray>("expected");

    // x1 == x0 and z1 - z0 < 1 keep the pixel part short.
    QTest::newRow("large and small") << region(1234567, 0.00001, 1234567, 0.00001)
                                     << header("1.23457e+06", "1e-05", "1.23457e+06", "-0.99999");
    QTest::newRow("integers") << region(2047, -1, 2047, -1) << header("2047", "-1", "2046", "-2");
    QTest::newRow("halves") << region(0.5, -0.5, 0.5, -0.5)
                            << header("0.5", "-0.5", "-0.5", "-1.5");
}

void tst_slicefiles::headerNumbers()
{
    QFETCH(FbpRegion, region);
    QFETCH(QByteArray, expected);
    QCOMPARE(SliceFiles::sliceText(result4(), 4, region, -Inf, Inf, 0), expected);
}

// One pixel: number format, limits and offset.
void tst_slicefiles::pixelValue_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("lower");
    QTest::addColumn<double>("upper");
    QTest::addColumn<double>("offset");
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("zero") << 0.0 << -Inf << Inf << 0.0 << QByteArray("0");
    QTest::newRow("2047") << 2047.0 << -Inf << Inf << 0.0 << QByteArray("2047");
    QTest::newRow("minus one") << -1.0 << -Inf << Inf << 0.0 << QByteArray("-1");
    QTest::newRow("half") << 0.5 << -Inf << Inf << 0.0 << QByteArray("0.5");
    QTest::newRow("1234567") << 1234567.0 << -Inf << Inf << 0.0 << QByteArray("1.23457e+06");
    QTest::newRow("0.00001") << 0.00001 << -Inf << Inf << 0.0 << QByteArray("1e-05");
    QTest::newRow("six digits rounded")
        << 3.14159265 << -Inf << Inf << 0.0 << QByteArray("3.14159");
    QTest::newRow("0.1 + 0.2") << 0.1 << -Inf << Inf << 0.2 << QByteArray("0.3");
    QTest::newRow("plus offset") << 0.5 << -Inf << Inf << 10.0 << QByteArray("10.5");
    QTest::newRow("negative offset") << 1.0 << -Inf << Inf << -3.0 << QByteArray("-2");

    QTest::newRow("inside limits") << 2.0 << 1.0 << 3.0 << 10.0 << QByteArray("12");
    QTest::newRow("equal to lower") << 1.0 << 1.0 << 3.0 << 10.0 << QByteArray("11");
    QTest::newRow("equal to upper") << 3.0 << 1.0 << 3.0 << 10.0 << QByteArray("13");
    QTest::newRow("below lower") << 0.5 << 1.0 << 3.0 << 10.0 << QByteArray("10");
    QTest::newRow("above upper") << 3.5 << 1.0 << 3.0 << 10.0 << QByteArray("10");
    QTest::newRow("below lower, no offset") << -7.0 << 1.0 << 3.0 << 0.0 << QByteArray("0");

    QTest::newRow("inf") << Inf << -Inf << Inf << 0.0 << QByteArray("inf");
    QTest::newRow("-inf") << -Inf << -Inf << Inf << 0.0 << QByteArray("-inf");
    QTest::newRow("inf above upper") << Inf << 0.0 << 1.0 << 2.0 << QByteArray("2");
    QTest::newRow("-inf below lower") << -Inf << 0.0 << 1.0 << 2.0 << QByteArray("2");
    QTest::newRow("nan") << NaN << 0.0 << 1.0 << 0.0 << QByteArray("nan");
    QTest::newRow("nan plus offset") << NaN << 0.0 << 1.0 << 5.0 << QByteArray("nan");
    QTest::newRow("nan with sign bit")
        << std::copysign(NaN, -1.0) << 0.0 << 1.0 << 5.0 << QByteArray("nan");
    QTest::newRow("nan offset") << 1.0 << 0.0 << 2.0 << std::copysign(NaN, -1.0)
                                << QByteArray("nan");
}

void tst_slicefiles::pixelValue()
{
    QFETCH(double, value);
    QFETCH(double, lower);
    QFETCH(double, upper);
    QFETCH(double, offset);
    QFETCH(QByteArray, expected);

    const QByteArray text =
        SliceFiles::sliceText({value}, 1, region(0, 0, 1, 1), lower, upper, offset);
    QCOMPARE(text, header("0", "0", "0", "0") + "0\t0\t" + expected + '\n');
}

// Every pixel value as printf's %g writes it, for values chosen to be awkward and for many
// random ones over the whole double range.
void tst_slicefiles::numbersAsPrintf_data()
{
    QTest::addColumn<std::vector<double>>("values");

    QTest::newRow("awkward values") << awkwardValues();
    QTest::newRow("random magnitudes") << randomMagnitudes(40000);
    QTest::newRow("random bit patterns") << randomBitPatterns(40000);
    QTest::newRow("near rounding ties") << nearTies(10000);
}

void tst_slicefiles::numbersAsPrintf()
{
    QFETCH(std::vector<double>, values);

    const int n = int(std::ceil(std::sqrt(double(values.size()))));
    std::vector<double> result(size_t(n) * size_t(n));
    for (size_t i = 0; i < result.size(); ++i)
        result[i] = values[i % values.size()];
    // No limits, and -0 as the offset keeps every value as it is.
    const QByteArray text = SliceFiles::sliceText(result, n, region(0, 0, n, n), -Inf, Inf, -0.0);

    const QByteArray last = QByteArray::number(n - 1);
    const QByteArray expected = header("0", "0", last, last) + printfLines(result, n);
    // Line by line, so a failure shows the first line that differs.
    QCOMPARE(text.split('\n'), expected.split('\n'));
}

QTEST_GUILESS_MAIN(tst_slicefiles)
#include "tst_slicefiles.moc"
