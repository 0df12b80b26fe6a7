#include "platform/gui/imaging.h"

#include <QBuffer>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QPainter>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <jerror.h>

namespace {

QByteArray ReadRest(TStream* Stream) {
    Int64 n = Stream->Size() - Stream->Position();
    QByteArray data;
    if (n <= 0) return data;
    data.resize(qsizetype(n));
    Stream->ReadBuffer(data.data(), Integer(n));
    return data;
}

void WriteAll(TStream* Stream, const QByteArray& Data) {
    if (!Data.isEmpty()) Stream->WriteBuffer(Data.constData(), Integer(Data.size()));
}

QImage ToArgb(const QImage& Img) { return Img.convertToFormat(QImage::Format_ARGB32); }

// Pixels of Color (RGB) become transparent.
QImage MaskOut(const QImage& Src, COLORREF Color) {
    QImage img = ToArgb(Src);
    QRgb key = qRgb(GetRValue(Color), GetGValue(Color), GetBValue(Color));
    for (int y = 0; y < img.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x)
            if ((row[x] | 0xFF000000u) == key) row[x] = 0;
    }
    return img;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// TGraphic

void TGraphic::SetTransparent(bool Value) {
    if (Value == FTransparent) return;
    FTransparent = Value;
    Changed();
}

void TGraphic::SetModified(bool Value) {
    if (Value)
        Changed();
    else
        FModified = false;
}

void TGraphic::Changed() {
    FModified = true;
    if (OnChange) OnChange(this);
}

void TGraphic::LoadFromFile(const String& FileName) {
    TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&fs);
}

void TGraphic::SaveToFile(const String& FileName) {
    TSafeFileStream fs(FileName);
    SaveToStream(&fs);
    fs.Commit();
}

// ---------------------------------------------------------------------------------------------
// TBitmap

class TBitmap::TBitmapCanvas : public TCanvas {
public:
    explicit TBitmapCanvas(TBitmap* ABitmap) : FBitmap(ABitmap) {}

protected:
    void CreateHandle() override { FBitmap->CreateContext(); }
    void Changed() override {
        TCanvas::Changed();
        FBitmap->Changed();
    }

private:
    TBitmap* FBitmap;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
    FreeContext();
}

QImage::Format TBitmap::StorageFormat() const {
    return FPixelFormat == pf24bit ? QImage::Format_BGR888 : QImage::Format_RGB32;
}

void TBitmap::CreateContext() {
    if (FContext || Empty()) {
        if (FCanvas && FContext) FCanvas->SetHandle(FContext.get());
        if (Empty() && FCanvas) FCanvas->SetHandle(nullptr);
        return;
    }
    FContext = std::make_unique<TPainterDC>(&FImage);
    if (FCanvas) FCanvas->SetHandle(FContext.get());
}

// Ends painting on the image before the image itself changes.
void TBitmap::FreeContext() {
    if (FCanvas) FCanvas->SetHandle(nullptr);
    FContext.reset();
}

TCanvas* TBitmap::Canvas() {
    if (!FCanvas) FCanvas = NewOwned<TBitmapCanvas>(this);
    return FCanvas.get();
}

void TBitmap::SetSize(int AWidth, int AHeight) {
    AWidth = std::max(0, AWidth);
    AHeight = std::max(0, AHeight);
    if (AWidth == Width() && AHeight == Height()) return;
    FreeContext();
    if (AWidth == 0 || AHeight == 0) {
        FImage = QImage();
    } else {
        QImage img(AWidth, AHeight, StorageFormat());
        img.fill(Qt::white);
        if (!FImage.isNull()) {
            QPainter p(&img);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            p.drawImage(0, 0, FImage);
        }
        FImage = img;
    }
    Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat Value) {
    if (Value == FPixelFormat) return;
    FreeContext();
    FPixelFormat = Value;
    if (!FImage.isNull()) {
        QImage img = FImage;
        // Reduce to the depth, then keep a format a painter can draw on.
        if (Value == pf1bit) img = img.convertToFormat(QImage::Format_Mono, Qt::ThresholdDither);
        else if (Value == pf4bit || Value == pf8bit) img = img.convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
        else if (Value == pf15bit) img = img.convertToFormat(QImage::Format_RGB555);
        else if (Value == pf16bit) img = img.convertToFormat(QImage::Format_RGB16);
        FImage = img.convertToFormat(StorageFormat());
    }
    Changed();
}

TColor TBitmap::TransparentColor() const {
    if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
    if (Empty()) return clDefault;
    QRgb c = FImage.pixel(0, FImage.height() - 1);
    return TColor(RGB(qRed(c), qGreen(c), qBlue(c)));
}

void TBitmap::SetTransparentColor(TColor Value) {
    if (Value == FTransparentColor) return;
    FTransparentColor = Value;
    FTransparentMode = Value == clDefault ? tmAuto : tmFixed;
    Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode Value) {
    if (Value == FTransparentMode) return;
    if (Value == tmAuto) FTransparentColor = clDefault;
    else FTransparentColor = TransparentColor();
    FTransparentMode = Value;
    Changed();
}

void* TBitmap::ScanLine(int Row) {
    if (FPixelFormat != pf24bit && FPixelFormat != pf32bit && FPixelFormat != pfDevice)
        throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    if (Row < 0 || Row >= Height()) throw EInvalidGraphicOperation(QStringLiteral("Scan line index out of range"));
    FreeContext();
    return FImage.scanLine(Row);
}

QImage TBitmap::Image() const { return FImage.convertToFormat(QImage::Format_RGB32); }

void TBitmap::SetImage(const QImage& Value) {
    FreeContext();
    FImage = Value.isNull() ? QImage() : Value.convertToFormat(StorageFormat());
    Changed();
}

QImage TBitmap::ToImage() const {
    if (Empty()) return QImage();
    if (Transparent()) return MaskOut(FImage, ColorToRGB(TransparentColor()));
    return FImage.convertToFormat(QImage::Format_RGB32);
}

void TBitmap::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    HDC dc = ACanvas->Handle();
    // Drawing a bitmap onto its own canvas reads a copy.
    QImage src = FImage;
    src.detach();
    if (Transparent())
        dc->AlphaBlend(Rect, MaskOut(src, ColorToRGB(TransparentColor())), TRect(0, 0, Width(), Height()));
    else
        dc->StretchBlt(Rect, src, TRect(0, 0, Width(), Height()), ACanvas->CopyMode());
}

void TBitmap::Assign(TPersistent* Source) {
    if (!Source) {
        FreeContext();
        FImage = QImage();
        Changed();
        return;
    }
    if (auto* b = dynamic_cast<TBitmap*>(Source)) {
        if (b == this) return;
        FreeContext();
        FPixelFormat = b->FPixelFormat;
        FImage = b->FImage.copy();
        FTransparentColor = b->FTransparentColor;
        FTransparentMode = b->FTransparentMode;
        if (Transparent() != b->Transparent()) TGraphic::SetTransparent(b->Transparent());
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        FreeContext();
        QImage img = g->ToImage();
        if (!img.isNull() && img.hasAlphaChannel()) {
            // Transparent parts over white, as drawing the graphic on a fresh bitmap gives.
            QImage base(img.size(), QImage::Format_RGB32);
            base.fill(Qt::white);
            QPainter p(&base);
            p.drawImage(0, 0, img);
            p.end();
            img = base;
        }
        FImage = img.isNull() ? QImage() : img.convertToFormat(StorageFormat());
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

namespace {

std::uint32_t GetLE(const QByteArray& B, int Offset, int Bytes) {
    std::uint32_t v = 0;
    for (int i = Bytes - 1; i >= 0; --i) v = (v << 8) | uchar(B[Offset + i]);
    return v;
}

// The size a BMP header declares must be one its bytes can fill: uncompressed rows are all in
// the file; run-length coded ones can skip at most 255 x 255 pixels in four bytes. The image is
// allocated only after this check.
bool BmpSizeIsPlausible(const QByteArray& Data) {
    if (Data.size() < 26 || !Data.startsWith("BM")) return false;
    const std::uint32_t infoSize = GetLE(Data, 14, 4);
    long long w, h, bits, compression = 0;
    if (infoSize == 12) {
        w = GetLE(Data, 18, 2);
        h = GetLE(Data, 20, 2);
        bits = GetLE(Data, 24, 2);
    } else {
        if (infoSize < 40 || Data.size() < 34) return false;
        w = std::int32_t(GetLE(Data, 18, 4));
        h = std::int32_t(GetLE(Data, 22, 4));
        bits = GetLE(Data, 28, 2);
        compression = GetLE(Data, 30, 4);
    }
    w = std::llabs(w);
    h = std::llabs(h);
    if (w > 32767 || h > 32767 || w * h > (128LL << 20)) return false;
    if (compression == 0 || compression == 3) {
        const long long stride = (w * std::max(1LL, bits) + 31) / 32 * 4;
        return stride * h <= Data.size();
    }
    return w * h <= 65536 + (long long)Data.size() * 16384;
}

}  // namespace

void TBitmap::LoadFromStream(TStream* Stream) {
    QByteArray data = ReadRest(Stream);
    QImage img;
    if (!BmpSizeIsPlausible(data) || !img.loadFromData(data, "BMP"))
        throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    FreeContext();
    // The depth as the file stores it (the info header's bit count), not as Qt expands it.
    int bits = data.size() >= 30 ? uchar(data[28]) | (uchar(data[29]) << 8) : img.depth();
    switch (bits) {
        case 1: FPixelFormat = pf1bit; break;
        case 4: FPixelFormat = pf4bit; break;
        case 8: FPixelFormat = pf8bit; break;
        case 16: FPixelFormat = pf16bit; break;
        case 24: FPixelFormat = pf24bit; break;
        case 32: FPixelFormat = pf32bit; break;
        default: FPixelFormat = pfDevice; break;
    }
    FImage = img.convertToFormat(StorageFormat());
    Changed();
}

namespace {

void PutLE(QByteArray& B, int Offset, std::uint32_t V, int Bytes) {
    for (int i = 0; i < Bytes; ++i) B[Offset + i] = char((V >> (8 * i)) & 0xFF);
}

// A bottom-up BMP with 24 or 32 bits per pixel (Qt's writer knows only 24 for true colour).
QByteArray WriteTrueColorBmp(const QImage& Src, int Bits) {
    QImage img = Src.convertToFormat(QImage::Format_ARGB32);
    int w = img.width(), h = img.height();
    int stride = ((w * Bits / 8) + 3) & ~3;
    QByteArray b(54 + stride * h, '\0');
    b[0] = 'B';
    b[1] = 'M';
    PutLE(b, 2, std::uint32_t(b.size()), 4);
    PutLE(b, 10, 54, 4);
    PutLE(b, 14, 40, 4);
    PutLE(b, 18, std::uint32_t(w), 4);
    PutLE(b, 22, std::uint32_t(h), 4);
    PutLE(b, 26, 1, 2);
    PutLE(b, 28, std::uint32_t(Bits), 2);
    PutLE(b, 34, std::uint32_t(stride * h), 4);
    PutLE(b, 38, 3780, 4);  // 96 pixels per inch
    PutLE(b, 42, 3780, 4);
    for (int y = 0; y < h; ++y) {
        const auto* src = reinterpret_cast<const QRgb*>(img.constScanLine(h - 1 - y));
        char* dst = b.data() + 54 + y * stride;
        for (int x = 0; x < w; ++x) {
            *dst++ = char(qBlue(src[x]));
            *dst++ = char(qGreen(src[x]));
            *dst++ = char(qRed(src[x]));
            if (Bits == 32) *dst++ = char(qAlpha(src[x]));
        }
    }
    return b;
}

}  // namespace

void TBitmap::SaveToStream(TStream* Stream) {
    if (Empty()) return;
    QByteArray data;
    if (FPixelFormat == pf1bit || FPixelFormat == pf4bit || FPixelFormat == pf8bit) {
        QImage img = FImage.convertToFormat(FPixelFormat == pf1bit ? QImage::Format_Mono : QImage::Format_Indexed8,
                                            Qt::ThresholdDither);
        QBuffer buf(&data);
        buf.open(QIODevice::WriteOnly);
        if (!img.save(&buf, "BMP")) throw EInvalidGraphic(QStringLiteral("Bitmap image is not valid"));
    } else {
        data = WriteTrueColorBmp(FImage, FPixelFormat == pf32bit ? 32 : 24);
    }
    WriteAll(Stream, data);
}

// ---------------------------------------------------------------------------------------------
// TJPEGImage

namespace {

struct JpegError {
    jpeg_error_mgr Mgr;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr Info) {
    auto* err = reinterpret_cast<JpegError*>(Info->err);
    (*Info->err->format_message)(Info, err->Message);
    std::longjmp(err->Jump, 1);
}

// Warnings are silent, except that the data ends before the image does: decoding stops there
// instead of making up the missing rows.
void JpegMessage(j_common_ptr Info, int Level) {
    if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF) JpegErrorExit(Info);
}

// What a file of this many bytes can honestly describe. A Huffman-coded block of 8 x 8 pixels
// takes at least two bits (its DC difference and the end of block), and an interleaved scan packs
// at most 1024 pixels into 8 such blocks; so a byte covers at most 1024 pixels. Beyond that, and
// beyond a sane size for a picture on a form or a report page, the header is refused before
// anything is allocated for it.
constexpr long long JpegMaxSide = 32767;
constexpr long long JpegMaxPixels = 128LL << 20;
constexpr long long JpegPixelsPerByte = 1024;
constexpr long JpegMaxLibraryMemory = 512L << 20;

// Decodes into Out. Only plain data lives in this frame across setjmp; the row buffer belongs to
// the library's pool, so an error frees it with the decompressor. Returns false with the
// library's message on an error.
bool DecodeJpeg(const unsigned char* Data, unsigned long Size, QImage& Out, char* Message) {
    jpeg_decompress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = JpegErrorExit;
    err.Mgr.emit_message = JpegMessage;
    if (setjmp(err.Jump)) {
        std::strncpy(Message, err.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_decompress(&info);
        Out = QImage();
        return false;
    }
    jpeg_create_decompress(&info);
    info.mem->max_memory_to_use = JpegMaxLibraryMemory;
    jpeg_mem_src(&info, Data, Size);
    jpeg_read_header(&info, TRUE);
    const long long pixels = (long long)info.image_width * info.image_height;
    if (info.image_width > JpegMaxSide || info.image_height > JpegMaxSide || pixels > JpegMaxPixels ||
        pixels > 65536 + (long long)Size * JpegPixelsPerByte) {
        std::snprintf(Message, JMSG_LENGTH_MAX, "Image of %u x %u pixels is too large for its %lu bytes",
                      info.image_width, info.image_height, Size);
        jpeg_destroy_decompress(&info);
        return false;
    }
    bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    info.out_color_space = cmyk ? JCS_CMYK : JCS_RGB;
    jpeg_start_decompress(&info);
    int w = int(info.output_width), h = int(info.output_height), comps = info.output_components;
    Out = QImage(w, h, QImage::Format_RGB32);
    if (Out.isNull()) {
        std::strcpy(Message, "Out of memory");
        jpeg_destroy_decompress(&info);
        return false;
    }
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                 JDIMENSION(w * comps), 1);
    while (info.output_scanline < info.output_height) {
        int y = int(info.output_scanline);
        if (jpeg_read_scanlines(&info, rows, 1) != 1) break;
        const unsigned char* row = rows[0];
        auto* dst = reinterpret_cast<QRgb*>(Out.scanLine(y));
        for (int x = 0; x < w; ++x) {
            const unsigned char* p = row + x * comps;
            if (cmyk) {
                // Adobe writes inverted CMYK.
                int k = p[3];
                dst[x] = qRgb(p[0] * k / 255, p[1] * k / 255, p[2] * k / 255);
            } else if (comps == 1) {
                dst[x] = qRgb(p[0], p[0], p[0]);
            } else {
                dst[x] = qRgb(p[0], p[1], p[2]);
            }
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    return true;
}

bool EncodeJpeg(const QImage& Img, int Quality, bool Gray, unsigned char** OutData, unsigned long* OutSize, char* Message) {
    jpeg_compress_struct info;
    JpegError err;
    info.err = jpeg_std_error(&err.Mgr);
    err.Mgr.error_exit = JpegErrorExit;
    err.Mgr.emit_message = JpegMessage;
    if (setjmp(err.Jump)) {
        std::strncpy(Message, err.Message, JMSG_LENGTH_MAX);
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, OutData, OutSize);
    info.image_width = JDIMENSION(Img.width());
    info.image_height = JDIMENSION(Img.height());
    info.input_components = Gray ? 1 : 3;
    info.in_color_space = Gray ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, Quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    int w = Img.width();
    // In the library's pool: freed with the compressor, also when it fails.
    JSAMPARRAY rows = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                                 JDIMENSION(w * 3), 1);
    unsigned char* row = rows[0];
    while (info.next_scanline < info.image_height) {
        const auto* src = reinterpret_cast<const QRgb*>(Img.constScanLine(int(info.next_scanline)));
        for (int x = 0; x < w; ++x) {
            if (Gray) {
                row[x] = static_cast<unsigned char>(qGray(src[x]));
            } else {
                row[x * 3] = static_cast<unsigned char>(qRed(src[x]));
                row[x * 3 + 1] = static_cast<unsigned char>(qGreen(src[x]));
                row[x * 3 + 2] = static_cast<unsigned char>(qBlue(src[x]));
            }
        }
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

}  // namespace

QImage TJPEGImage::Decode(const QByteArray& Data) {
    QImage out;
    char msg[JMSG_LENGTH_MAX] = {};
    if (Data.isEmpty() || !DecodeJpeg(reinterpret_cast<const unsigned char*>(Data.constData()),
                                      static_cast<unsigned long>(Data.size()), out, msg))
        throw EInvalidGraphic(QStringLiteral("JPEG error #%1").arg(QString::fromLatin1(msg[0] ? msg : "empty image")));
    return out;
}

QByteArray TJPEGImage::Encode(const QImage& Image, int Quality, bool Grayscale) {
    if (Image.isNull()) return QByteArray();
    QImage src = Image.convertToFormat(QImage::Format_RGB32);
    unsigned char* data = nullptr;
    unsigned long size = 0;
    char msg[JMSG_LENGTH_MAX] = {};
    bool ok = EncodeJpeg(src, std::clamp(Quality, 1, 100), Grayscale, &data, &size, msg);
    QByteArray result = ok ? QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)) : QByteArray();
    std::free(data);
    if (!ok) throw EInvalidGraphic(QStringLiteral("JPEG error #%1").arg(QString::fromLatin1(msg)));
    return result;
}

TJPEGImage::TJPEGImage() = default;
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::SetWidth(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a JPEG image"));
}
void TJPEGImage::SetHeight(int) {
    throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of a JPEG image"));
}

void TJPEGImage::SetCompressionQuality(int Value) {
    Value = std::clamp(Value, 1, 100);
    if (Value == FQuality) return;
    FQuality = Value;
    FData.clear();  // encoded again with the new quality
}

void TJPEGImage::SetGrayscale(bool Value) {
    if (Value == FGrayscale) return;
    FGrayscale = Value;
    if (Value && !FImage.isNull()) {
        FImage = FImage.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
        FData.clear();
    }
    Changed();
}

void TJPEGImage::Compress() {
    if (FData.isEmpty() && !FImage.isNull()) FData = Encode(FImage, FQuality, FGrayscale);
}

void TJPEGImage::LoadFromStream(TStream* Stream) {
    QByteArray data = ReadRest(Stream);
    FImage = Decode(data);
    FData = data;
    Changed();
}

void TJPEGImage::SaveToStream(TStream* Stream) {
    Compress();
    WriteAll(Stream, FData);
}

void TJPEGImage::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    ACanvas->Handle()->StretchBlt(Rect, FImage, TRect(0, 0, Width(), Height()), ACanvas->CopyMode());
}

void TJPEGImage::Assign(TPersistent* Source) {
    if (!Source) {
        FImage = QImage();
        FData.clear();
        Changed();
        return;
    }
    if (auto* j = dynamic_cast<TJPEGImage*>(Source)) {
        FImage = j->FImage;
        FData = j->FData;
        FQuality = j->FQuality;
        FGrayscale = j->FGrayscale;
        Changed();
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        QImage img = g->ToImage();
        if (!img.isNull() && img.hasAlphaChannel()) {
            QImage base(img.size(), QImage::Format_RGB32);
            base.fill(Qt::white);
            QPainter p(&base);
            p.drawImage(0, 0, img);
            p.end();
            img = base;
        }
        FImage = img.isNull() ? QImage() : img.convertToFormat(QImage::Format_RGB32);
        if (FGrayscale && !FImage.isNull())
            FImage = FImage.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
        FData.clear();
        Changed();
        return;
    }
    TGraphic::Assign(Source);
}

void TJPEGImage::AssignTo(TPersistent* Dest) {
    if (auto* b = dynamic_cast<TBitmap*>(Dest)) {
        b->SetPixelFormat(pf24bit);
        b->SetImage(FImage);
        return;
    }
    TGraphic::AssignTo(Dest);
}

// ---------------------------------------------------------------------------------------------
// TIcon

TIcon::TIcon() { TGraphic::SetTransparent(true); }

void TIcon::SetWidth(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }
void TIcon::SetHeight(int) { throw EInvalidGraphicOperation(QStringLiteral("Cannot change the size of an icon")); }

void TIcon::SetImage(const QImage& Value) {
    FImage = Value.isNull() ? QImage() : ToArgb(Value);
    Changed();
}

void TIcon::Assign(TPersistent* Source) {
    if (!Source) {
        SetImage(QImage());
        return;
    }
    if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetImage(g->ToImage());
        return;
    }
    TGraphic::Assign(Source);
}

void TIcon::LoadFromStream(TStream* Stream) {
    QByteArray data = ReadRest(Stream);
    QBuffer buf(&data);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf);
    QImage best;
    // An icon file holds several sizes: keep the largest.
    do {
        QImage img = reader.read();
        if (img.isNull()) break;
        if (best.isNull() || img.width() * img.height() > best.width() * best.height()) best = img;
    } while (reader.jumpToNextImage());
    if (best.isNull()) throw EInvalidGraphic(QStringLiteral("Icon image is not valid"));
    SetImage(best);
}

void TIcon::SaveToStream(TStream* Stream) {
    if (Empty()) return;
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    QImageWriter w(&buf, "ICO");
    if (!w.write(FImage)) {
        buf.close();
        data.clear();
        buf.open(QIODevice::WriteOnly);
        FImage.save(&buf, "PNG");
    }
    WriteAll(Stream, data);
}

void TIcon::Draw(TCanvas* ACanvas, const TRect& Rect) {
    if (Empty()) return;
    ACanvas->Handle()->AlphaBlend(Rect, FImage, TRect(0, 0, Width(), Height()));
}

// ---------------------------------------------------------------------------------------------
// TPicture and the registry

namespace {

struct FileFormat {
    String Extension;
    String Description;
    TClass GraphicClass;
    TGraphicFactory Factory;
    TGraphicSignature Signature;
};

std::vector<FileFormat>& Formats() {
    static std::vector<FileFormat> formats = [] {
        std::vector<FileFormat> f;
        auto bmp = [](const QByteArray& h) { return h.startsWith("BM"); };
        auto jpg = [](const QByteArray& h) { return h.size() >= 3 && uchar(h[0]) == 0xFF && uchar(h[1]) == 0xD8 && uchar(h[2]) == 0xFF; };
        auto ico = [](const QByteArray& h) { return h.size() >= 4 && h[0] == 0 && h[1] == 0 && h[2] == 1 && h[3] == 0; };
        f.push_back({QStringLiteral("bmp"), QStringLiteral("Bitmaps"), TBitmap::StaticClass(), [] { return static_cast<TGraphic*>(New<TBitmap>()); }, bmp});
        f.push_back({QStringLiteral("jpg"), QStringLiteral("JPEG Image File"), TJPEGImage::StaticClass(), [] { return static_cast<TGraphic*>(New<TJPEGImage>()); }, jpg});
        f.push_back({QStringLiteral("jpeg"), QStringLiteral("JPEG Image File"), TJPEGImage::StaticClass(), [] { return static_cast<TGraphic*>(New<TJPEGImage>()); }, jpg});
        f.push_back({QStringLiteral("ico"), QStringLiteral("Icons"), TIcon::StaticClass(), [] { return static_cast<TGraphic*>(New<TIcon>()); }, ico});
        return f;
    }();
    return formats;
}

const FileFormat* FindBySignature(const QByteArray& Head) {
    for (const auto& f : Formats())
        if (f.Signature && f.Signature(Head)) return &f;
    return nullptr;
}

const FileFormat* FindByClass(TClass C) {
    for (const auto& f : Formats())
        if (f.GraphicClass == C) return &f;
    return nullptr;
}

}  // namespace

void TPicture::RegisterFileFormat(const String& Extension, const String& Description, TClass GraphicClass,
                                  TGraphicFactory Factory, TGraphicSignature Signature) {
    String ext = Extension.startsWith(QLatin1Char('.')) ? Extension.mid(1) : Extension;
    auto& fs = Formats();
    // A later registration of the same extension replaces the earlier one.
    fs.erase(std::remove_if(fs.begin(), fs.end(),
                            [&](const FileFormat& f) { return f.Extension.compare(ext, Qt::CaseInsensitive) == 0; }),
             fs.end());
    // Searched first, so a newer class for a signature wins.
    fs.insert(fs.begin(), {ext.toLower(), Description, GraphicClass, std::move(Factory), std::move(Signature)});
}

void TPicture::UnregisterGraphicClass(TClass GraphicClass) {
    auto& fs = Formats();
    fs.erase(std::remove_if(fs.begin(), fs.end(), [&](const FileFormat& f) { return f.GraphicClass == GraphicClass; }),
             fs.end());
}

String TPicture::GraphicFilter(TClass GraphicClass) {
    QStringList all, parts;
    for (const auto& f : Formats()) {
        if (GraphicClass && !f.GraphicClass->InheritsFrom(GraphicClass)) continue;
        String mask = QStringLiteral("*.") + f.Extension;
        all << mask;
        parts << QStringLiteral("%1 (%2)|%2").arg(f.Description, mask);
    }
    if (all.size() > 1) parts.prepend(QStringLiteral("All (%1)|%1").arg(all.join(QLatin1Char(';'))));
    return parts.join(QLatin1Char('|'));
}

String TPicture::GraphicExtension(TClass GraphicClass) {
    const FileFormat* f = FindByClass(GraphicClass);
    return f ? f->Extension : String();
}

TPicture::TPicture() = default;
TPicture::~TPicture() {
    if (FGraphic) FGraphic->OnChange.Clear();
    if (auto* g = FGraphic.release()) g->Free();
}

void TPicture::Replace(TGraphic* NewGraphic) {
    TOwned<TGraphic> old = std::move(FGraphic);
    FGraphic.reset(NewGraphic);
    if (FGraphic) FGraphic->OnChange = TNotifyEvent(this, &TPicture::Changed);
    if (old) {
        old->OnChange.Clear();
        old.release()->Free();
    }
}

void TPicture::Changed(TObject*) {
    if (OnChange) OnChange(this);
}

void TPicture::SetGraphic(TGraphic* Value) {
    if (Value == FGraphic.get()) return;
    TGraphic* copy = nullptr;
    if (Value) {
        const FileFormat* f = FindByClass(Value->ClassType());
        if (!f) throw EInvalidGraphic(QStringLiteral("Unsupported graphic class %1").arg(Value->ClassName()));
        copy = f->Factory();
        try {
            copy->Assign(Value);
        } catch (...) {
            copy->Free();
            throw;
        }
    }
    Replace(copy);
    Changed(this);
}

TBitmap* TPicture::Bitmap() {
    if (!FGraphic || !FGraphic->Is<TBitmap>()) {
        Replace(New<TBitmap>());
        Changed(this);
    }
    return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::Assign(TPersistent* Source) {
    if (!Source) {
        SetGraphic(nullptr);
    } else if (auto* p = dynamic_cast<TPicture*>(Source)) {
        SetGraphic(p->Graphic());
    } else if (auto* g = dynamic_cast<TGraphic*>(Source)) {
        SetGraphic(g);
    } else {
        TPersistent::Assign(Source);
    }
}

void TPicture::AssignTo(TPersistent* Dest) {
    if (FGraphic && dynamic_cast<TGraphic*>(Dest)) {
        Dest->Assign(FGraphic.get());
        return;
    }
    TPersistent::AssignTo(Dest);
}

void TPicture::LoadFromStream(TStream* Stream) {
    Int64 pos = Stream->Position();
    QByteArray head(16, '\0');
    head.resize(Stream->Read(head.data(), 16));
    Stream->SetPosition(pos);
    const FileFormat* f = FindBySignature(head);
    if (!f) throw EInvalidGraphic(QStringLiteral("Unsupported stream format"));
    TGraphic* g = f->Factory();
    try {
        g->LoadFromStream(Stream);
    } catch (...) {
        g->Free();
        throw;
    }
    Replace(g);
    Changed(this);
}

void TPicture::LoadFromFile(const String& FileName) {
    TFileStream fs(FileName, fmOpenRead | fmShareDenyWrite);
    QByteArray head(16, '\0');
    head.resize(fs.Read(head.data(), 16));
    fs.SetPosition(0);
    const FileFormat* f = FindBySignature(head);
    if (!f) {
        String ext = QFileInfo(FileName).suffix();
        for (const auto& x : Formats())
            if (!ext.isEmpty() && x.Extension.compare(ext, Qt::CaseInsensitive) == 0) {
                f = &x;
                break;
            }
        if (!f) throw EInvalidGraphic(QStringLiteral("Unknown picture file extension (.%1)").arg(ext));
    }
    TGraphic* g = f->Factory();
    try {
        g->LoadFromStream(&fs);
    } catch (...) {
        g->Free();
        throw;
    }
    Replace(g);
    Changed(this);
}

void TPicture::SaveToFile(const String& FileName) {
    if (FGraphic) FGraphic->SaveToFile(FileName);
}

void TPicture::SaveToStream(TStream* Stream) {
    if (FGraphic) FGraphic->SaveToStream(Stream);
}

// ---------------------------------------------------------------------------------------------
// TImageList

TChangeLink::~TChangeLink() {
    if (FSender) FSender->UnRegisterChanges(this);
}

void TChangeLink::Change() {
    if (OnChange) OnChange(FSender);
}

TCustomImageList::TCustomImageList(TComponent* AOwner) : TComponent(AOwner) {}

TCustomImageList::~TCustomImageList() {
    for (TChangeLink* l : FLinks) l->SetSender(nullptr);
}

void TCustomImageList::Assign(TPersistent* Source) {
    if (auto* il = dynamic_cast<TCustomImageList*>(Source)) {
        FWidth = il->FWidth;
        FHeight = il->FHeight;
        FImages = il->FImages;
        FBkColor = il->FBkColor;
        FBlendColor = il->FBlendColor;
        FDrawingStyle = il->FDrawingStyle;
        Change();
        return;
    }
    TComponent::Assign(Source);
}

void TCustomImageList::SetWidth(int Value) {
    if (Value == FWidth || Value <= 0) return;
    FWidth = Value;
    Clear();
}

void TCustomImageList::SetHeight(int Value) {
    if (Value == FHeight || Value <= 0) return;
    FHeight = Value;
    Clear();
}

void TCustomImageList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count()) throw EInvalidOperation(QStringLiteral("Invalid image list index"));
}

namespace {

// Cuts Img into Width x Height pieces, left to right.
std::vector<QImage> Pieces(const QImage& Img, int Width, int Height) {
    std::vector<QImage> out;
    if (Img.isNull()) return out;
    int n = std::max(1, Img.width() / Width);
    for (int i = 0; i < n; ++i) {
        QImage piece(Width, Height, QImage::Format_ARGB32);
        piece.fill(Qt::transparent);
        QPainter p(&piece);
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.drawImage(0, 0, Img, i * Width, 0, Width, Height);
        p.end();
        out.push_back(piece);
    }
    return out;
}

}  // namespace

int TCustomImageList::Add(TBitmap* Image, TBitmap* Mask) {
    if (!Image || Image->Empty()) return -1;
    QImage img = ToArgb(Image->Image());
    if (Mask && !Mask->Empty()) {
        QImage m = Mask->Image();
        for (int y = 0; y < img.height() && y < m.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(img.scanLine(y));
            const auto* mrow = reinterpret_cast<const QRgb*>(m.constScanLine(y));
            for (int x = 0; x < img.width() && x < m.width(); ++x)
                if (qGray(mrow[x]) >= 128) row[x] = 0;
        }
    }
    int first = Count();
    for (QImage& p : Pieces(img, FWidth, FHeight)) FImages.push_back(p);
    Change();
    return first;
}

int TCustomImageList::AddMasked(TBitmap* Image, TColor MaskColor) {
    if (!Image || Image->Empty()) return -1;
    TColor key = MaskColor == clDefault ? Image->TransparentColor() : MaskColor;
    QImage img = key == clNone ? ToArgb(Image->Image()) : MaskOut(Image->Image(), ColorToRGB(key));
    int first = Count();
    for (QImage& p : Pieces(img, FWidth, FHeight)) FImages.push_back(p);
    Change();
    return first;
}

int TCustomImageList::AddIcon(TIcon* Image) {
    if (!Image || Image->Empty()) return -1;
    FImages.push_back(Image->ToImage().scaled(FWidth, FHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    Change();
    return Count() - 1;
}

void TCustomImageList::Replace(int Index, TBitmap* Image, TBitmap* Mask) {
    CheckIndex(Index);
    auto tmp = NewOwned<TCustomImageList>(nullptr);
    tmp->FWidth = FWidth;
    tmp->FHeight = FHeight;
    if (tmp->Add(Image, Mask) < 0) return;
    FImages[size_t(Index)] = tmp->FImages.front();
    Change();
}

void TCustomImageList::Delete(int Index) {
    CheckIndex(Index);
    FImages.erase(FImages.begin() + Index);
    Change();
}

void TCustomImageList::Clear() {
    FImages.clear();
    Change();
}

QImage TCustomImageList::GetImage(int Index) const {
    CheckIndex(Index);
    return FImages[size_t(Index)];
}

void TCustomImageList::GetBitmap(int Index, TBitmap* Image) {
    if (!Image) return;
    QImage base(FWidth, FHeight, QImage::Format_RGB32);
    base.fill(FBkColor == clNone || FBkColor == clDefault ? QColor(Qt::white) : ColorToQColor(FBkColor));
    QPainter p(&base);
    p.drawImage(0, 0, GetImage(Index));
    p.end();
    Image->SetImage(base);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled) {
    Draw(Canvas, X, Y, Index, FDrawingStyle, itImage, Enabled);
}

void TCustomImageList::Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle,
                            TImageType AImageType, bool Enabled) {
    if (!Canvas || Index < 0 || Index >= Count()) return;
    HDC dc = Canvas->Handle();
    QImage img = FImages[size_t(Index)];
    TRect dest = Bounds(X, Y, FWidth, FHeight);
    TRect src(0, 0, FWidth, FHeight);
    if (AImageType == itMask) {
        // The mask: black where the image is, white where it is transparent.
        QImage m(img.size(), QImage::Format_RGB32);
        for (int y = 0; y < img.height(); ++y) {
            const auto* s = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            auto* d = reinterpret_cast<QRgb*>(m.scanLine(y));
            for (int x = 0; x < img.width(); ++x) d[x] = qAlpha(s[x]) >= 128 ? 0xFF000000u : 0xFFFFFFFFu;
        }
        dc->StretchBlt(dest, m, src);
        return;
    }
    if (!Enabled) {
        // Embossed: the shape in the highlight colour one pixel down-right, then in the shadow colour.
        auto shape = [&](TColor c) {
            QImage s(img.size(), QImage::Format_ARGB32);
            QRgb col = ColorToQColor(c).rgb();
            for (int y = 0; y < img.height(); ++y) {
                const auto* a = reinterpret_cast<const QRgb*>(img.constScanLine(y));
                auto* d = reinterpret_cast<QRgb*>(s.scanLine(y));
                for (int x = 0; x < img.width(); ++x) {
                    // Dark, opaque pixels make the shape, as the classic disabled look does.
                    bool on = qAlpha(a[x]) >= 128 && qGray(a[x]) < 192;
                    d[x] = on ? col : 0;
                }
            }
            return s;
        };
        dc->AlphaBlend(Bounds(X + 1, Y + 1, FWidth, FHeight), shape(clBtnHighlight), src);
        dc->AlphaBlend(dest, shape(clBtnShadow), src);
        return;
    }
    if (FBkColor != clNone && ADrawingStyle != dsTransparent) {
        TLogBrush b;
        b.lbColor = ColorToRGB(FBkColor);
        dc->FillRect(dest, b);
    }
    dc->AlphaBlend(dest, img, src);
    if (ADrawingStyle == dsSelected || ADrawingStyle == dsFocus) {
        // Blend the opaque pixels with the blend colour (the highlight by default): 50% or 25%.
        TColor bc = FBlendColor == clNone || FBlendColor == clDefault ? clHighlight : FBlendColor;
        QImage tint(img.size(), QImage::Format_ARGB32);
        QRgb col = ColorToQColor(bc).rgb();
        for (int y = 0; y < img.height(); ++y) {
            const auto* a = reinterpret_cast<const QRgb*>(img.constScanLine(y));
            auto* d = reinterpret_cast<QRgb*>(tint.scanLine(y));
            for (int x = 0; x < img.width(); ++x) d[x] = qAlpha(a[x]) >= 128 ? col : 0;
        }
        dc->AlphaBlend(dest, tint, src, ADrawingStyle == dsSelected ? 128 : 64);
    }
}

void TCustomImageList::RegisterChanges(TChangeLink* Value) {
    if (!Value) return;
    Value->SetSender(this);
    if (std::find(FLinks.begin(), FLinks.end(), Value) == FLinks.end()) FLinks.push_back(Value);
}

void TCustomImageList::UnRegisterChanges(TChangeLink* Value) {
    FLinks.erase(std::remove(FLinks.begin(), FLinks.end(), Value), FLinks.end());
    if (Value && Value->Sender() == this) Value->SetSender(nullptr);
}

void TCustomImageList::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChanged) {
        FChanged = false;
        Change();
    }
}

void TCustomImageList::Change() {
    if (FUpdateCount > 0) {
        FChanged = true;
        return;
    }
    std::vector<TChangeLink*> links = FLinks;
    for (TChangeLink* l : links) l->Change();
    if (OnChange) OnChange(this);
}
