// Graphic printables: the shape (nine simple figures with a pen and a brush), the image held in
// the layout, the image read from a blob field, the image reference of HTML exports, and the
// frame line, a guide that makes its band's frame draw a vertical line through the band.
//
// They print in device units on the printer's page canvas from their native position and size,
// and hand themselves to the export filter (AcceptGraphic) while the report exports.
#pragma once

#include "report/rpprintable.h"

class TPen;
class TBrush;
class TPicture;
class TDataSet;
class TField;

enum TRpShapeType {
    rpsRectangle, rpsCircle, rpsVertLine, rpsHorLine, rpsTopAndBottom, rpsRightAndLeft, rpsRoundRect,
    rpsLeftDiagonal, rpsRightDiagonal
};

class TRpShape : public TRpPrintable {
    SDELKA_CLASS(TRpShape, TRpPrintable)
protected:
    explicit TRpShape(TComponent* AOwner);
    ~TRpShape() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpShape>& P);

    void Print(int OfsX, int OfsY) override;

    TRpShapeType Shape() const { return FShape; }
    void SetShape(TRpShapeType Value);
    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* Value);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* Value);
    Single RoundFactor() const { return FRoundFactor; }
    void SetRoundFactor(Single Value);
    int VertAdjust() const { return FVertAdjust; }
    void SetVertAdjust(int Value) { FVertAdjust = Value; }

protected:
    void Paint() override;

private:
    void StyleChanged(TObject* Sender);
    // Draws the figure into the box on a canvas whose pen and brush are set. Corner: the rounded
    // rectangle's corner size.
    void DrawFigure(TCanvas* C, const TRect& Box, int MidX, int MidY, int Corner, bool Device);

    TRpShapeType FShape = rpsRectangle;
    TBrush* FBrush = nullptr;
    TPen* FPen = nullptr;
    Single FRoundFactor = 0;
    int FVertAdjust = 0;
};

class TRpImage : public TRpPrintable {
    SDELKA_CLASS(TRpImage, TRpPrintable)
protected:
    explicit TRpImage(TComponent* AOwner);
    ~TRpImage() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpImage>& P);

    void Print(int OfsX, int OfsY) override;
    void GetExpandedHeight(Extended& NewHeight) override;

    TPicture* Picture() const { return FPicture; }
    void SetPicture(TPicture* Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    // The picture's bitmap canvas (a new bitmap of the control's size when the picture is empty);
    // nullptr when the picture holds another kind of graphic.
    TCanvas* Canvas();

protected:
    void Paint() override;

private:
    void PictureChanged(TObject* Sender);

    TPicture* FPicture = nullptr;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FCenter = false;
};

class TRpDBImage : public TRpPrintable {
    SDELKA_CLASS(TRpDBImage, TRpPrintable)
protected:
    explicit TRpDBImage(TComponent* AOwner);
    ~TRpDBImage() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpDBImage>& P);

    void Prepare() override;
    void Unprepare() override;
    void Print(int OfsX, int OfsY) override;
    void GetExpandedHeight(Extended& NewHeight) override;
    String GetFieldString() override { return String(); }
    // The picture takes the blob field's content, once.
    void LoadPicture();

    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* Value);
    String DataField() const { return FDataField; }
    void SetDataField(const String& Value) { FDataField = Value; }
    TField* Field() const { return FField; }
    TPicture* Picture() const { return FPicture; }
    void SetPicture(TPicture* Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);

protected:
    void Paint() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TField* FField = nullptr;
    TDataSet* FDataSet = nullptr;
    String FDataField;
    TPicture* FPicture = nullptr;
    bool FStretch = false;
    bool FCenter = true;
    bool FPictureLoaded = false;
};

// An image reference that only HTML exports show.
class TRpHTMLImage : public TRpPrintable {
    SDELKA_CLASS(TRpHTMLImage, TRpPrintable)
protected:
    ~TRpHTMLImage() override = default;

private:
public:
    using TRpPrintable::TRpPrintable;
    static void Published(TPublished<TRpHTMLImage>& P);
    void Print(int OfsX, int OfsY) override;
    String ImageURL() const { return FImageURL; }
    void SetImageURL(const String& Value) { FImageURL = Value; }

private:
    String FImageURL;
};

// A guide for the band's frame: a vertical line through the whole band at the control's centre.
class TRpFrameline : public TRpPrintable {
    SDELKA_CLASS(TRpFrameline, TRpPrintable)
protected:
    ~TRpFrameline() override = default;

private:
public:
    using TRpPrintable::TRpPrintable;
    static void Published(TPublished<TRpFrameline>& P);
    void Print(int OfsX, int OfsY) override {}
    // Where the band's frame draws the line: the control's horizontal centre in band pixels.
    int LineX() const { return Left() + Width() / 2; }

protected:
    void Paint() override;
};

// Draws a picture into Box of a page canvas at its natural size (screen pixels converted to the
// canvas's units by the factors), clipped to the box, centred when asked.
void RpDrawPictureClipped(TCanvas* C, TGraphic* Graphic, const TRect& Box, Extended XFactor, Extended YFactor,
                          bool Center);

// Loads a blob field's bytes into the picture; false (and an empty picture) when the field holds
// nothing or no picture of a known kind.
bool RpPictureFromField(TPicture* Picture, TField* Field);
