// The JPEG decoder on its own.
#include "fuzz/fuzz_target.h"

#include "platform/gui/imaging.h"

namespace {

void RunJpeg(const std::uint8_t* Data, std::size_t Size) {
    (void)TJPEGImage::Decode(QByteArray(reinterpret_cast<const char*>(Data), qsizetype(Size)));
}

std::vector<QByteArray> JpegSeeds() {
    std::vector<QByteArray> seeds;
    QImage img(19, 11, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) img.setPixel(x, y, qRgb(x * 13, y * 23, (x ^ y) * 7));
    seeds.push_back(TJPEGImage::Encode(img, 90));
    seeds.push_back(TJPEGImage::Encode(img, 20, true));
    seeds.push_back(TJPEGImage::Encode(img.scaled(1, 1), 50));
    return seeds;
}

}  // namespace

SDELKA_FUZZ_TARGET("jpeg", RunJpeg, JpegSeeds)
