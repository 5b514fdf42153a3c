// cirvo-view: shows one frame of an image file in the image display with its colour bar and
// position and value read-outs, for a quick look at raw images, I0/BG images or truth slices.
#include "imageio/imgdata.h"
#include "imgdispwpv.h"

#include <QApplication>
#include <QCommandLineParser>

#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("cirvo-view"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Shows one frame of an ITEX or TIFF image with a grey colour bar."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("Image file."));
    parser.addPositionalArgument(QStringLiteral("frame"),
                                 QStringLiteral("Frame of a multi-frame file (0)."), "[frame]");
    parser.process(app);
    const QStringList args = parser.positionalArguments();
    if (args.isEmpty() || args.size() > 2) {
        std::fputs("cirvo-view: give one image file and at most one frame number\n", stderr);
        return 1;
    }
    bool frameOk = true;
    const int frame = args.size() > 1 ? args.at(1).toInt(&frameOk) : 0;
    auto img = ImgData::createImgData(ImgData::fileType(args.at(0)));
    if (!frameOk || !img) {
        std::fprintf(stderr, "cirvo-view: cannot read %s\n", qPrintable(args.join(u' ')));
        return 1;
    }
    img->fileName = args.at(0);
    img->valid = img->load(frame);
    if (!img->valid) {
        std::fprintf(stderr, "cirvo-view: cannot read frame %d of %s\n", frame,
                     qPrintable(args.at(0)));
        return 1;
    }

    ImgDispWPV display;
    display.setWindowTitle(QStringLiteral("%1 [%2]").arg(args.at(0)).arg(frame));
    ColorBar* bar = display.barForm.CBar;
    const auto render = [&] {
        bar->toGreyImage(*img, display.image);
        display.newImage();
    };
    std::vector<double> row(size_t(img->width));
    QObject::connect(&display, &ImgDispWPV::newPosInvY, [&](double x, double y) {
        if (x >= 0 && y >= 0 && x < img->width && y < img->height)
            display.setVal(img->row(int(y), row.data())[int(x)]);
    });
    QObject::connect(&display, &ImgDispWCBar::newBar, [&] {
        display.image = bar->scale().toImage(*img);
        display.newImage();
    });
    render();
    display.resize(700, 760);
    display.show();
    return QApplication::exec();
}
