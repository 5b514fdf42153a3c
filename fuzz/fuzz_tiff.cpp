// The TIFF reader: the pages of one file, strips or tiles, any codec libtiff has.
#include "fuzzsupport.h"

#include "imageio/imgdata.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzSupport::init();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString path =
        FuzzSupport::writeFile(QStringLiteral("input.tif"), FuzzSupport::view(data, size));
    ImgData::fileType(path);
    FuzzSupport::readImage(ImgData::Tiff, path);
    return 0;
}
