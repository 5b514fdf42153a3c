#pragma once

#include "pixelformat.h"

#include <QByteArray>
#include <QSaveFile>
#include <QString>

// Writes an ITEX file frame by frame. Nothing appears under the file's name unless every frame
// announced in the header was written and commit() succeeded.
class ItexWriter
{
public:
    ItexWriter(const QString& fileName, int width, int height, SampleType type, int frameCount,
               const QByteArray& comment);

    // Converts width x height values row by row: integers are rounded and clamped to the
    // type's range.
    bool appendFrame(const double* pixels);
    // Appends a frame of already encoded little-endian bytes.
    bool appendRawFrame(const QByteArray& bytes);
    bool commit();
    QString errorString() const;

    // A comment of the usual properties: "Prop_ImageWidth=...,Prop_ImageHeight=...,...,".
    static QByteArray standardComment(int width, int height, double expTime,
                                      const QByteArray& extraProps = {});

private:
    bool begin();

    QSaveFile m_file;
    int m_width;
    int m_height;
    SampleType m_type;
    int m_frameCount;
    QByteArray m_comment;
    int m_written = 0;
    bool m_failed = false;
    QString m_error;
};
