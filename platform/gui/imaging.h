// Pictures: TGraphic and its kinds (TBitmap over a QImage, TJPEGImage on libjpeg, TIcon),
// TPicture with the registry of graphic file formats, and TImageList.
#pragma once

#include "platform/gui/canvas.h"
#include "platform/gui/graphics.h"
#include "platform/gui/types.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"

#include <QImage>
#include <functional>
#include <memory>
#include <vector>

SDELKA_EXCEPTION(EInvalidGraphic, Exception)
SDELKA_EXCEPTION(EInvalidGraphicOperation, Exception)

class TGraphic : public TPersistent {
    SDELKA_CLASS(TGraphic, TPersistent)
public:
    virtual bool Empty() const = 0;
    virtual int Width() const = 0;
    virtual int Height() const = 0;
    virtual void SetWidth(int Value) = 0;
    virtual void SetHeight(int Value) = 0;
    virtual bool Transparent() const { return FTransparent; }
    virtual void SetTransparent(bool Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value);

    virtual void LoadFromStream(TStream* Stream) = 0;
    virtual void SaveToStream(TStream* Stream) = 0;
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName);

    // The picture as an image (transparent pixels with alpha 0 when Transparent).
    virtual QImage ToImage() const = 0;

    TNotifyEvent OnChange;

protected:
    friend class TCanvas;
    // Draws the graphic stretched into Rect of the canvas.
    virtual void Draw(TCanvas* ACanvas, const TRect& Rect) = 0;
    virtual void Changed();

private:
    bool FTransparent = false;
    bool FModified = false;
};

// Creates a graphic of one registered kind.
using TGraphicFactory = std::function<TGraphic*()>;
// True when the first bytes of a file (at least 16 when the file has them) are of this kind.
using TGraphicSignature = std::function<bool(const QByteArray& Head)>;

// ---------------------------------------------------------------------------------------------

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TTransparentMode { tmAuto, tmFixed };

class TBitmap : public TGraphic {
    SDELKA_CLASS(TBitmap, TGraphic)
public:
    TBitmap();
    ~TBitmap() override;

    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FImage.isNull() || FImage.width() == 0 || FImage.height() == 0; }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    void SetWidth(int Value) override { SetSize(Value, Height()); }
    void SetHeight(int Value) override { SetSize(Width(), Value); }
    // New pixels are white; the old picture stays in the top-left corner.
    void SetSize(int AWidth, int AHeight);

    TPixelFormat PixelFormat() const { return FPixelFormat; }
    void SetPixelFormat(TPixelFormat Value);

    // With tmAuto the transparent colour is the bottom-left pixel's; with tmFixed the one set.
    TColor TransparentColor() const;
    void SetTransparentColor(TColor Value);
    TTransparentMode TransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode Value);

    // The canvas that draws on the bitmap.
    TCanvas* Canvas();

    // Row Row of the pixels: 4 bytes per pixel (B, G, R, x) for pf32bit and pfDevice, 3 (B, G, R) for
    // pf24bit; other formats raise EInvalidGraphicOperation. Valid until the next size change.
    void* ScanLine(int Row);

    void LoadFromStream(TStream* Stream) override;  // BMP
    void SaveToStream(TStream* Stream) override;    // BMP at the pixel format's depth
    QImage ToImage() const override;

    // The pixels (a copy); setting replaces the picture.
    QImage Image() const;
    void SetImage(const QImage& Value);

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    class TBitmapCanvas;
    friend class TBitmapCanvas;
    void CreateContext();
    void FreeContext();
    QImage::Format StorageFormat() const;

    QImage FImage;
    TPixelFormat FPixelFormat = pfDevice;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
    std::unique_ptr<TPainterDC> FContext;
    TOwned<TCanvas> FCanvas;
};

// ---------------------------------------------------------------------------------------------

class TJPEGImage : public TGraphic {
    SDELKA_CLASS(TJPEGImage, TGraphic)
public:
    TJPEGImage();
    ~TJPEGImage() override;

    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FImage.isNull(); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    void SetWidth(int) override;   // EInvalidGraphicOperation: a JPEG image is not resized in place
    void SetHeight(int) override;

    int CompressionQuality() const { return FQuality; }
    void SetCompressionQuality(int Value);  // 1..100
    bool Grayscale() const { return FGrayscale; }
    void SetGrayscale(bool Value);

    // Encodes the current picture now (SaveToStream does it when needed).
    void Compress();

    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;
    QImage ToImage() const override { return FImage; }

    // libjpeg directly: decode (EInvalidGraphic on a broken file) and encode.
    static QImage Decode(const QByteArray& Data);
    static QByteArray Encode(const QImage& Image, int Quality, bool Grayscale = false);

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;
    void AssignTo(TPersistent* Dest) override;

private:
    QImage FImage;      // decoded pixels (RGB32)
    QByteArray FData;   // the encoded file; empty when it must be encoded again
    int FQuality = 90;
    bool FGrayscale = false;
};

// ---------------------------------------------------------------------------------------------

class TIcon : public TGraphic {
    SDELKA_CLASS(TIcon, TGraphic)
public:
    TIcon();
    void Assign(TPersistent* Source) override;

    bool Empty() const override { return FImage.isNull(); }
    int Width() const override { return FImage.width(); }
    int Height() const override { return FImage.height(); }
    void SetWidth(int) override;
    void SetHeight(int) override;

    // ICO (the largest image of the file) or PNG.
    void LoadFromStream(TStream* Stream) override;
    void SaveToStream(TStream* Stream) override;  // ICO
    QImage ToImage() const override { return FImage; }
    void SetImage(const QImage& Value);

protected:
    void Draw(TCanvas* ACanvas, const TRect& Rect) override;

private:
    QImage FImage;  // ARGB32
};

// ---------------------------------------------------------------------------------------------

class TPicture : public TPersistent {
    SDELKA_CLASS(TPicture, TPersistent)
public:
    TPicture();
    ~TPicture() override;

    void Assign(TPersistent* Source) override;

    TGraphic* Graphic() const { return FGraphic.get(); }
    // Keeps a copy of Value (of the same kind); nullptr empties the picture.
    void SetGraphic(TGraphic* Value);
    // The picture as a bitmap: a graphic of another kind is replaced by an empty bitmap.
    TBitmap* Bitmap();
    void SetBitmap(TBitmap* Value) { SetGraphic(Value); }
    int Width() const { return FGraphic ? FGraphic->Width() : 0; }
    int Height() const { return FGraphic ? FGraphic->Height() : 0; }

    // Chooses the kind by the file's signature, then by its extension; EInvalidGraphic
    // "Unknown picture file extension (.xyz)" when neither is known.
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName);
    // By signature only.
    void LoadFromStream(TStream* Stream);
    void SaveToStream(TStream* Stream);

    TNotifyEvent OnChange;

    // The graphic-class registry. Extension without the dot ("bmp"); Signature may be empty.
    static void RegisterFileFormat(const String& Extension, const String& Description,
                                   TClass GraphicClass, TGraphicFactory Factory,
                                   TGraphicSignature Signature = {});
    static void UnregisterGraphicClass(TClass GraphicClass);
    // A filter for open/save dialogs: "All (*.bmp;*.jpg)|*.bmp;*.jpg|Bitmaps (*.bmp)|*.bmp|...".
    static String GraphicFilter(TClass GraphicClass = nullptr);
    // The registered extension of the graphic class ("bmp"), empty when it has none.
    static String GraphicExtension(TClass GraphicClass);

protected:
    void AssignTo(TPersistent* Dest) override;
    virtual void Changed(TObject* Sender);

private:
    void Replace(TGraphic* NewGraphic);  // takes ownership
    TOwned<TGraphic> FGraphic;
};

// ---------------------------------------------------------------------------------------------

class TChangeLink : public TObject {
    SDELKA_CLASS(TChangeLink, TObject)
public:
    ~TChangeLink() override;
    class TCustomImageList* Sender() const { return FSender; }
    void SetSender(TCustomImageList* Value) { FSender = Value; }
    TNotifyEvent OnChange;
    void Change();

private:
    TCustomImageList* FSender = nullptr;
};

enum TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
enum TImageType { itImage, itMask };

class TCustomImageList : public TComponent {
    SDELKA_CLASS(TCustomImageList, TComponent)
protected:
    explicit TCustomImageList(TComponent* AOwner);
    ~TCustomImageList() override;

public:
    void Assign(TPersistent* Source) override;

    int Width() const { return FWidth; }
    int Height() const { return FHeight; }
    void SetWidth(int Value);   // clears the list, as a size change does
    void SetHeight(int Value);
    int Count() const { return int(FImages.size()); }
    TColor BkColor() const { return FBkColor; }
    void SetBkColor(TColor Value) { FBkColor = Value; }
    TColor BlendColor() const { return FBlendColor; }
    void SetBlendColor(TColor Value) { FBlendColor = Value; }
    TDrawingStyle DrawingStyle() const { return FDrawingStyle; }
    void SetDrawingStyle(TDrawingStyle Value) { FDrawingStyle = Value; }

    // Adds the images of a bitmap cut into Width-wide pieces; returns the first index (-1 if none).
    // Mask: white pixels transparent (nullptr: opaque).
    int Add(TBitmap* Image, TBitmap* Mask);
    // Pixels of MaskColor are transparent (clDefault: the bottom-left pixel's colour).
    int AddMasked(TBitmap* Image, TColor MaskColor);
    int AddIcon(TIcon* Image);
    void Replace(int Index, TBitmap* Image, TBitmap* Mask);
    void Delete(int Index);
    void Clear();
    // Copies image Index into Image (sized Width x Height; transparent pixels in BkColor or
    // the bitmap's white).
    void GetBitmap(int Index, TBitmap* Image);
    QImage GetImage(int Index) const;  // ARGB32 with the mask as alpha

    // Enabled: the image as is (blended with the highlight colour for dsSelected/dsFocus);
    // disabled: the classic embossed look in clBtnHighlight and clBtnShadow.
    void Draw(TCanvas* Canvas, int X, int Y, int Index, bool Enabled = true);
    void Draw(TCanvas* Canvas, int X, int Y, int Index, TDrawingStyle ADrawingStyle, TImageType AImageType,
              bool Enabled = true);

    void RegisterChanges(TChangeLink* Value);
    void UnRegisterChanges(TChangeLink* Value);
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();

    TNotifyEvent OnChange;

protected:
    virtual void Change();

private:
    void CheckIndex(int Index) const;
    std::vector<QImage> FImages;  // ARGB32, Width x Height each
    std::vector<TChangeLink*> FLinks;
    int FWidth = 16;
    int FHeight = 16;
    TColor FBkColor = clNone;
    TColor FBlendColor = clNone;
    TDrawingStyle FDrawingStyle = dsNormal;
    int FUpdateCount = 0;
    bool FChanged = false;
};

class TImageList : public TCustomImageList {
    SDELKA_CLASS(TImageList, TCustomImageList)
protected:
    ~TImageList() override = default;

private:
public:
    using TCustomImageList::TCustomImageList;
};
