// Graphic printables of the add-on set: the horizontal rule, the shape that the PDF export draws
// as vector graphics, and pictures with fit modes (proportional, keep width, keep height, inside
// proportional), optional natural-size clipping and centring, held in the layout (TRpGrImage) or
// read from a blob field (TRpGrDBImage). They draw on the report printer's page canvas and hand
// themselves to the export filter (AcceptGraphic), which reads their drawing properties.
#pragma once

#include "report/rpshapes.h"

enum TFitMode { fmProportional, fmKeepWidth, fmKeepHeight, fmInsideProp };

// The rectangle a picture of Pw x Ph pixels takes in the page rectangle R of a control of Cw x Ch
// pixels, by fit mode: the keep-width or keep-height fit grows R along the other side from the
// control's native size (Width / aspect, Height x aspect, through the printer's XPos/YPos); the
// inside-proportional fit shrinks R to the picture's aspect and centres it. KeepWidth and
// KeepHeight answer the branch taken. A picture without width or height leaves R as it is.
TRect RpFitPicture(TRpPrinter* P, const TRect& R, Extended L, Extended T, Extended W, Extended H, int Pw, int Ph,
                   int Cw, int Ch, TFitMode Mode, bool Center, bool& KeepWidth, bool& KeepHeight);

class TRpHRule : public TRpPrintable {
    SDELKA_CLASS(TRpHRule, TRpPrintable)
protected:
    explicit TRpHRule(TComponent* AOwner);
    ~TRpHRule() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpHRule>& P);
    void Print(int OfsX, int OfsY) override;

    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* Value);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* Value);
    int VertAdjust() const { return FVertAdjust; }
    void SetVertAdjust(int Value) { FVertAdjust = Value; }

protected:
    void Paint() override;

private:
    TBrush* FBrush = nullptr;
    TPen* FPen = nullptr;
    int FVertAdjust = 0;
};

class TRpPDFShape : public TRpPrintable {
    SDELKA_CLASS(TRpPDFShape, TRpPrintable)
protected:
    explicit TRpPDFShape(TComponent* AOwner);
    ~TRpPDFShape() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpPDFShape>& P);
    void Print(int OfsX, int OfsY) override;

    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* Value);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* Value);
    int VertAdjust() const { return FVertAdjust; }
    void SetVertAdjust(int Value) { FVertAdjust = Value; }
    TRpShapeType ShapeType() const { return FShapeType; }
    void SetShapeType(TRpShapeType Value);

protected:
    void Paint() override;

private:
    TBrush* FBrush = nullptr;
    TPen* FPen = nullptr;
    int FVertAdjust = 0;
    TRpShapeType FShapeType = rpsRectangle;
};

class TRpGrImage : public TRpPrintable {
    SDELKA_CLASS(TRpGrImage, TRpPrintable)
protected:
    explicit TRpGrImage(TComponent* AOwner);
    ~TRpGrImage() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpGrImage>& P);
    void Print(int OfsX, int OfsY) override;

    TPicture* Picture() const { return FPicture; }
    void SetPicture(TPicture* Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    bool Stretch() const { return FStretch; }
    void SetStretch(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    bool ClipImage() const { return FClipImage; }
    void SetClipImage(bool Value) { FClipImage = Value; }
    TFitMode FitMode() const { return FFitMode; }
    void SetFitMode(TFitMode Value) { FFitMode = Value; }
    // The picture's bitmap canvas (a new bitmap of the control's size when the picture is empty);
    // nullptr when the picture holds another kind of graphic.
    TCanvas* Canvas();
    // The rectangle the last print drew the picture into (page units).
    TRect DrawnRect() const { return FDrawnRect; }

protected:
    void Paint() override;

private:
    void PictureChanged(TObject* Sender);

    TPicture* FPicture = nullptr;
    bool FAutoSize = false;
    bool FStretch = false;
    bool FCenter = false;
    bool FClipImage = false;
    TFitMode FFitMode = fmProportional;
    TRect FDrawnRect;
};

class TRpGrDBImage : public TRpPrintable {
    SDELKA_CLASS(TRpGrDBImage, TRpPrintable)
protected:
    explicit TRpGrDBImage(TComponent* AOwner);
    ~TRpGrDBImage() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpGrDBImage>& P);
    void Prepare() override;
    void Unprepare() override;
    void Print(int OfsX, int OfsY) override;
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
    bool ClipImage() const { return FClipImage; }
    void SetClipImage(bool Value) { FClipImage = Value; }
    TFitMode FitMode() const { return FFitMode; }
    void SetFitMode(TFitMode Value) { FFitMode = Value; }
    bool KeepWidth() const { return FKeepWidth; }
    bool KeepHeight() const { return FKeepHeight; }

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
    bool FClipImage = false;
    bool FKeepWidth = false;
    bool FKeepHeight = false;
    TFitMode FFitMode = fmProportional;
};
