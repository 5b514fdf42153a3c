#pragma once

#include "fbpreference.h"
#include "imageio/imgdata.h"
#include "recon/sinogrambuilder.h"

#include <QByteArray>
#include <QString>
#include <QTest>

#include <cstring>
#include <memory>
#include <vector>

// Helpers of the bit-exact reconstruction tests.
inline bool sameBits(double a, double b)
{
    return std::memcmp(&a, &b, sizeof(double)) == 0;
}

// Empty when both arrays hold the same bits, else where they first differ.
inline QByteArray firstDifference(const std::vector<double>& expected,
                                  const std::vector<double>& actual)
{
    if (expected.size() != actual.size())
        return QStringLiteral("sizes differ: %1 expected, %2 actual")
            .arg(expected.size())
            .arg(actual.size())
            .toLatin1();
    for (size_t i = 0; i < expected.size(); ++i) {
        if (!sameBits(expected[i], actual[i]))
            return QStringLiteral("first difference at index %1: expected %2, actual %3")
                .arg(i)
                .arg(expected[i], 0, 'g', 17)
                .arg(actual[i], 0, 'g', 17)
                .toLatin1();
    }
    return {};
}

#define COMPARE_BITS(expected, actual)                                                             \
    do {                                                                                           \
        const QByteArray difference = firstDifference(expected, actual);                           \
        QVERIFY2(difference.isEmpty(), difference.constData());                                    \
    } while (false)

inline std::shared_ptr<ImgData> loadImage(const QString& path, int frame = 0)
{
    std::shared_ptr<ImgData> image = ImgData::createImgData(ImgData::fileType(path));
    if (!image)
        return nullptr;
    image->fileName = path;
    image->valid = image->load(frame);
    return image->valid ? image : nullptr;
}

// The reference's description of the sinogram a request asks for.
inline FbpReference::SinogramParams referenceParams(const SinogramRequest& r)
{
    FbpReference::SinogramParams p;
    p.vertical = r.rotAxIsV;
    p.cor = r.cor;
    p.slice = r.slice;
    p.partial = r.usePartial;
    p.usingImages = r.usingImages;
    p.startNo = r.startImageNo;
    return p;
}
