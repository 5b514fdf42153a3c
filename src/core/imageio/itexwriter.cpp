#include "itexwriter.h"

#include "itexformat.h"

#include <QtEndian>

namespace
{

void putWord(QByteArray& bytes, int offset, int value)
{
    qToLittleEndian<quint16>(quint16(value), bytes.data() + offset);
}

} // namespace

ItexWriter::ItexWriter(const QString& fileName, int width, int height, SampleType type,
                       int frameCount, const QByteArray& comment)
    : m_file(fileName), m_width(width), m_height(height), m_type(type), m_frameCount(frameCount),
      m_comment(comment)
{
}

QByteArray ItexWriter::standardComment(int width, int height, double expTime,
                                       const QByteArray& extraProps)
{
    return "Prop_ImageWidth=" + QByteArray::number(width) +
           ",Prop_ImageHeight=" + QByteArray::number(height) +
           ",Prop_ExposureTime1=" + QByteArray::number(expTime, 'g', 17) + "," + extraProps;
}

bool ItexWriter::begin()
{
    if (m_file.isOpen())
        return true;
    if (m_width < 0 || m_width > 0xffff || m_height < 0 || m_height > 0xffff || m_frameCount < 1 ||
        m_frameCount > 0xffff || m_comment.size() > 0xffff || ItexFormat::pixelType(m_type) < 0) {
        m_error =
            QStringLiteral("size, frame count, comment or pixel type out of the format's range");
        m_failed = true;
        return false;
    }
    if (!m_file.open(QIODevice::WriteOnly)) {
        m_error = m_file.errorString();
        m_failed = true;
        return false;
    }
    QByteArray header(ItexFormat::HeaderBytes, '\0');
    header[0] = 'I';
    header[1] = 'M';
    putWord(header, 2, int(m_comment.size()));
    putWord(header, 4, m_width);
    putWord(header, 6, m_height);
    putWord(header, 12, ItexFormat::pixelType(m_type));
    putWord(header, 14, m_frameCount);
    if (m_file.write(header + m_comment) != header.size() + m_comment.size()) {
        m_error = m_file.errorString();
        m_failed = true;
    }
    return !m_failed;
}

bool ItexWriter::appendRawFrame(const QByteArray& bytes)
{
    if (m_failed || !begin())
        return false;
    if (m_written >= m_frameCount) {
        m_error = QStringLiteral("more frames than the header announces");
        m_failed = true;
        return false;
    }
    const QByteArray gap = m_written > 0 ? QByteArray(ItexFormat::HeaderBytes, '\0') : QByteArray();
    if (m_file.write(gap + bytes) != gap.size() + bytes.size()) {
        m_error = m_file.errorString();
        m_failed = true;
        return false;
    }
    ++m_written;
    return true;
}

bool ItexWriter::appendFrame(const double* pixels)
{
    const qsizetype count = qsizetype(m_width) * m_height;
    QByteArray bytes(count * bytesPerSample(m_type), '\0');
    doublesToSamples(pixels, count, m_type, true, reinterpret_cast<uchar*>(bytes.data()));
    return appendRawFrame(bytes);
}

bool ItexWriter::commit()
{
    if (m_failed || !begin())
        return false;
    if (m_written != m_frameCount) {
        m_error = QStringLiteral("%1 of %2 frames written").arg(m_written).arg(m_frameCount);
        m_file.cancelWriting();
        return false;
    }
    if (!m_file.commit()) {
        m_error = m_file.errorString();
        return false;
    }
    return true;
}

QString ItexWriter::errorString() const
{
    return m_error;
}
