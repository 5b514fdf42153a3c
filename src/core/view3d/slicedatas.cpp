#include "slicedatas.h"

#include "cirvologging.h"

#include <QColor>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace
{

constexpr double Largest = std::numeric_limits<double>::max();

// A 2048 x 2048 slice text is about 40 MB; nothing sensible comes near this.
constexpr qint64 MaxFileBytes = qint64(1) << 30;
// The largest grid or picture: 64 M cells, 512 MB of values.
constexpr qint64 MaxCells = qint64(64) << 20;
// A line that fills one cell takes at least six bytes ("0 0 0" and its end; the last line may
// lack the end), so a grid of more cells than the rest of the file could fill is mostly zeros
// that no writer writes, and would let a few bytes claim gigabytes. Small grids cost little and
// keep sparse hand-written files readable.
constexpr qint64 MinPointLineBytes = 6;
constexpr qint64 SmallGridCells = 256 * 256;
// Longer lines are cut here: every item that matters lies near the start of its line.
constexpr qint64 MaxLineBytes = 4096;

bool isReadableFile(const QString& fileName)
{
    const QFileInfo info(fileName);
    if (!info.isFile()) {
        qCDebug(lcView3d) << "Slice file is not a regular file :" << fileName;
        return false;
    }
    if (info.size() > MaxFileBytes) {
        qCDebug(lcView3d) << "Slice file is too large :" << fileName;
        return false;
    }
    return true;
}

// A text file read line by line into one reused buffer, never beyond the size it had when
// opened, so a large slice text costs no more memory than its grid.
class TextLines
{
public:
    bool open(const QString& fileName)
    {
        if (!isReadableFile(fileName))
            return false;
        m_file.setFileName(fileName);
        if (!m_file.open(QIODevice::ReadOnly)) {
            qCDebug(lcView3d) << "Can't open slice file :" << fileName;
            return false;
        }
        m_size = m_file.size();
        return true;
    }

    // The next line without its end, valid until the next call; false at the end of the file.
    bool next(QByteArrayView& line)
    {
        m_lineStart = m_read;
        const qint64 n = readPart(m_line.data());
        if (n <= 0)
            return false;
        bool ended = m_line[size_t(n - 1)] == '\n';
        line = QByteArrayView(m_line.data(), ended ? n - 1 : n);
        while (!ended) {
            const qint64 rest = readPart(m_skipped.data());
            ended = rest <= 0 || m_skipped[size_t(rest - 1)] == '\n';
        }
        return true;
    }

    // The bytes from the start of the last line to the end of the file.
    qint64 bytesFromLine() const { return m_size - m_lineStart; }

private:
    qint64 readPart(char* to)
    {
        if (m_read >= m_size)
            return 0;
        const qint64 n = m_file.readLine(to, std::min(MaxLineBytes, m_size - m_read) + 1);
        if (n > 0)
            m_read += n;
        return n;
    }

    QFile m_file;
    qint64 m_size = 0;
    qint64 m_read = 0;
    qint64 m_lineStart = 0;
    std::array<char, MaxLineBytes + 1> m_line;
    std::array<char, MaxLineBytes + 1> m_skipped;
};

// The items of a line as a simplified line split at blanks gives them: the first few kept, all
// counted.
struct Items {
    static constexpr int Kept = 4;
    std::array<QByteArrayView, Kept> item;
    int count = 0;

    QByteArrayView operator[](int i) const { return item[size_t(i)]; }
};

Items splitItems(QByteArrayView line, bool commaSeparates)
{
    const auto isSeparator = [commaSeparates](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r' ||
               (commaSeparates && c == ',');
    };
    Items items;
    const char* p = line.data();
    const char* const end = p + line.size();
    while (true) {
        while (p < end && isSeparator(*p))
            ++p;
        if (p == end)
            return items;
        const char* const start = p;
        while (p < end && !isSeparator(*p))
            ++p;
        if (items.count < Items::Kept)
            items.item[size_t(items.count)] = QByteArrayView(start, p - start);
        ++items.count;
    }
}

// The number text without one leading '+', which the toolkit's number reading takes and
// from_chars does not; empty when a sign follows it.
QByteArrayView unsignedPlus(QByteArrayView text)
{
    if (!text.startsWith('+'))
        return text;
    text = text.sliced(1);
    return text.startsWith('-') || text.startsWith('+') ? QByteArrayView() : text;
}

template <typename T> bool parse(QByteArrayView text, T& value)
{
    text = unsignedPlus(text);
    const char* const end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    return !text.isEmpty() && error == std::errc() && stop == end;
}

// 0 when the text is no 32-bit integer.
int toInt(QByteArrayView text)
{
    int value = 0;
    return parse(text, value) ? value : 0;
}

// 0 when the text is no number, or one beyond the range of doubles.
double toDouble(QByteArrayView text)
{
    double value = 0;
    return parse(text, value) ? value : 0;
}

bool fitsInt(double v)
{
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

// The integer positions the slice writer steps through for a range whose header bounds are
// `first` and `last` (last = region end - 1): int(first), int(first) + 1, ... while below
// last + 1, so fractional bounds give int(first) ... ceil(last). 0 when none lie in int.
qint64 positions(double first, double last)
{
    const double from = std::trunc(first);
    const double to = std::ceil(last);
    if (!fitsInt(from) || !fitsInt(to))
        return 0;
    return qint64(to) - qint64(from) + 1;
}

// Sizes the record's grid to w x h zeros, unless it is larger than a file with `bytesLeft`
// more bytes could fill.
bool makeGrid(SliceRecord& r, qint64 w, qint64 h, qint64 bytesLeft, const QString& fileName)
{
    const qint64 fillable = std::max(SmallGridCells, (bytesLeft + 1) / MinPointLineBytes);
    qint64 cells = 0;
    if (qMulOverflow(w, h, &cells) || cells > std::min(MaxCells, fillable)) {
        qCDebug(lcView3d).noquote()
            << QStringLiteral("Slice grid of %1 x %2 is too large for file :").arg(w).arg(h)
            << fileName;
        return false;
    }
    r.sw = int(w);
    r.sh = int(h);
    r.values.assign(size_t(cells), 0.0);
    return true;
}

// Points outside the grid have no place, and non-finite values are left out like them, so that
// they neither reach the range nor the histogram.
void storePoint(SliceRecord& r, qint64 column, qint64 row, double v)
{
    if (column < 0 || column >= r.sw || row < 0 || row >= r.sh || !std::isfinite(v))
        return;
    r.values[size_t(row * r.sw + column)] = v;
    r.vMin = std::min(r.vMin, v);
    r.vMax = std::max(r.vMax, v);
}

void resetRecord(SliceRecord& r)
{
    r = SliceRecord();
    r.vMin = Largest;
    r.vMax = -Largest;
}

template <typename F> void forEachValue(const SliceRecord& r, F f)
{
    if (!r.isImage) {
        for (const double v : r.values)
            f(v);
        return;
    }
    for (int y = 0; y < r.sh; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(r.picture.constScanLine(y));
        for (int x = 0; x < r.sw; ++x)
            f(double(line[x] & 0xff));
    }
}

bool readPicture(SliceRecord& r, const QString& fileName)
{
    QImageReader reader(fileName);
    const QSize size = reader.size();
    if (size.isValid() && qint64(size.width()) * size.height() > MaxCells) {
        qCDebug(lcView3d) << "Slice picture is too large :" << fileName;
        return false;
    }
    QImage image;
    if (!reader.read(&image) || qint64(image.width()) * image.height() > MaxCells)
        return false;
    resetRecord(r);
    r.isImage = true;
    r.picture = image.convertToFormat(QImage::Format_ARGB32);
    r.sw = r.picture.width();
    r.sh = r.picture.height();
    forEachValue(r, [&r](double v) {
        r.vMin = std::min(r.vMin, v);
        r.vMax = std::max(r.vMax, v);
    });
    return true;
}

std::unique_ptr<SliceRecord> readSlice(const QString& fileName)
{
    if (!isReadableFile(fileName))
        return {};
    auto slice = std::make_unique<SliceRecord>();
    if (readPicture(*slice, fileName) || slice->readCtImg(fileName) ||
        slice->readPosValue(fileName))
        return slice;
    qCDebug(lcView3d) << "Not a slice picture or slice text :" << fileName;
    return {};
}

} // namespace

double SliceRecord::value(int x, int y) const
{
    if (x < 0 || y < 0 || x >= sw || y >= sh)
        return 0;
    if (isImage)
        return x < picture.width() && y < picture.height()
                   ? reinterpret_cast<const QRgb*>(picture.constScanLine(y))[x] & 0xff
                   : 0;
    const size_t at = size_t(y) * size_t(sw) + size_t(x);
    return at < values.size() ? values[at] : 0;
}

bool SliceRecord::readCtImg(const QString& fileName)
{
    resetRecord(*this);
    TextLines lines;
    QByteArrayView line;
    if (!lines.open(fileName) || !lines.next(line) || !line.startsWith("#CIRVO-CTImg"))
        return false;
    // The writer prints the bounds as general numbers, fractions included.
    double x0 = 0;
    double y0 = 0;
    double x1 = 0;
    double y1 = 0;
    bool hasGrid = false;
    // Fixed when the grid is made, so that a later Range line cannot shift the points.
    qint64 originX = 0;
    qint64 originY = 0;
    while (lines.next(line)) {
        const Items items = splitItems(line, false);
        if (items.count > 0 && items[0] == "#") {
            if (items.count < 4)
                continue;
            const QByteArrayView key = items[1];
            const double v = toDouble(items[3]);
            if (key == "Range_X0")
                x0 = v;
            else if (key == "Range_Y0")
                y0 = v;
            else if (key == "Range_X1")
                x1 = v;
            else if (key == "Range_Y1")
                y1 = v;
            continue;
        }
        if (!hasGrid) {
            const qint64 w = positions(x0, x1);
            const qint64 h = positions(y0, y1);
            if (!(x1 > 0 && y1 > 0 && w > 0 && h > 0))
                continue;
            if (!makeGrid(*this, w, h, lines.bytesFromLine(), fileName))
                return false;
            hasGrid = true;
            originX = qint64(std::trunc(x0));
            originY = qint64(std::trunc(y0));
        }
        if (items.count >= 3)
            storePoint(*this, toInt(items[0]) - originX, toInt(items[1]) - originY,
                       toDouble(items[2]));
    }
    return hasGrid && sw > 0 && sh > 0;
}

bool SliceRecord::readPosValue(const QString& fileName)
{
    resetRecord(*this);
    TextLines lines;
    QByteArrayView line;
    if (!lines.open(fileName) || !lines.next(line) || !line.startsWith("## 240301"))
        return false;
    // One less than X-NUM and Y-NUM; -1 for a count that is no integer.
    qint64 w = 0;
    qint64 h = 0;
    const auto countLessOne = [](QByteArrayView text) {
        int n = 0;
        return parse(text, n) ? qint64(n) - 1 : -1;
    };
    bool hasGrid = false;
    qint64 originX = 0;
    qint64 originY = 0;
    while (lines.next(line)) {
        const Items items = splitItems(line, true);
        if (items.count > 0 && items[0].startsWith('#')) {
            // Sizes after the first point would no longer fit the grid: ignored.
            if (items.count == 3 && !hasGrid) {
                if (items[1] == "X-NUM")
                    w = countLessOne(items[2]);
                else if (items[1] == "Y-NUM")
                    h = countLessOne(items[2]);
            }
            continue;
        }
        if (!hasGrid) {
            if (items.count < 2 || w <= 0 || h <= 0)
                continue;
            if (!makeGrid(*this, w, h, lines.bytesFromLine(), fileName))
                return false;
            hasGrid = true;
            originX = toInt(items[0]);
            originY = toInt(items[1]);
        }
        if (items.count >= 3)
            storePoint(*this, toInt(items[0]) - originX, toInt(items[1]) - originY,
                       toDouble(items[2]));
    }
    return hasGrid && sw > 0 && sh > 0;
}

SliceDatas::SliceDatas(QObject* parent) : QObject(parent)
{
    clear();
}

void SliceDatas::clear()
{
    slices.clear();
    loaded = false;
    sw = 0;
    sh = 0;
    allMin = 0;
    allMax = 1;
    rangeLo = 0;
    rangeHi = 1;
    histReady = false;
    hist.clear();
    binWidth = 1.0;
    histMax = 0;
    histPicture = QImage();
    emit cleared();
}

void SliceDatas::filesSelected(QStringList files)
{
    clear();
    // Kept apart until a slice is held, so that an empty set keeps the cleared range.
    double lo = Largest;
    double hi = -Largest;
    for (const QString& name : files) {
        std::unique_ptr<SliceRecord> slice = readSlice(name);
        if (!slice)
            continue;
        if (sw <= 0 && slice->sw > 0) {
            sw = slice->sw;
            sh = slice->sh;
        }
        if (slice->sw != sw || slice->sh != sh) {
            qCDebug(lcView3d).noquote()
                << QStringLiteral("Slice of %1 x %2 does not fit the set's %3 x %4 :")
                       .arg(slice->sw)
                       .arg(slice->sh)
                       .arg(sw)
                       .arg(sh)
                << name;
            continue;
        }
        if (!(slice->vMax > slice->vMin)) {
            qCDebug(lcView3d) << "Constant slice dropped :" << name;
            continue;
        }
        lo = std::min(lo, slice->vMin);
        hi = std::max(hi, slice->vMax);
        slices.push_back(std::move(slice));
        emit loadedNewFile(name);
    }
    if (!slices.empty()) {
        loaded = true;
        allMin = lo;
        allMax = hi;
        rangeLo = allMin;
        rangeHi = allMax;
        buildHistogram();
    }
    emit loadFilesFinished();
}

void SliceDatas::buildHistogram()
{
    histReady = false;
    if (histBins < 1 || histHeight < 1)
        return;
    hist.assign(size_t(histBins), 0);
    binWidth = (allMax - allMin) / (histBins - 1);
    const double start = allMin - 0.5 * binWidth;
    const int last = histBins - 1;
    for (const auto& slice : slices)
        forEachValue(*slice, [&](double v) {
            // Written so that a NaN quotient (an infinite bin width) lands in bin 0.
            const double t = (v - start) / binWidth;
            ++hist[size_t(t >= 1 ? (t < last ? int(t) : last) : 0)];
        });
    histMax = *std::max_element(hist.cbegin(), hist.cend());

    histPicture = QImage(histBins, histHeight, QImage::Format_RGB32);
    histPicture.fill(Qt::white);
    QPainter painter(&histPicture);
    painter.setPen(QColor(0, 220, 160));
    const int bottom = histHeight - 1;
    for (int i = 0; i < histBins; ++i) {
        const double share = histMax > 0 ? hist[size_t(i)] / histMax : 0;
        painter.drawLine(i, bottom, i, int(bottom - share * bottom));
    }
    histReady = true;
}
