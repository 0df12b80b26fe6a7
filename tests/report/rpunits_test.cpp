#include "report/rpframe.h"
#include "report/rpunits.h"

#include "platform/gui/canvas.h"
#include "platform/gui/controls.h"
#include "platform/gui/imaging.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/streams.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// Forces metric defaults for the duration of a test (or U.S. ones) and goes back to the locale.
struct Measurement {
    explicit Measurement(bool US) { SetUsesUSMeasurement(US ? 1 : 0); }
    ~Measurement() { SetUsesUSMeasurement(-1); }
};

// A report stand-in that records what the page asks of it.
class TFakeUnitsReport : public TComponent, public IRpUnitsReport {
    SDELKA_CLASS(TFakeUnitsReport, TComponent)
protected:
    explicit TFakeUnitsReport(TComponent* AOwner) : TComponent(AOwner) {}
    ~TFakeUnitsReport() override = default;

public:
    void AfterConstruction() override {
        inherited::AfterConstruction();
        FPage = New<TRpPage>(this);
        FFrame = New<TRpFrame>();
        FSize = New<TRpBandSize>();
    }
    void BeforeDestruction() override {
        FreeAndNil(FPage);
        FreeAndNil(FFrame);
        FreeAndNil(FSize);
        inherited::BeforeDestruction();
    }
    static void Published(TPublished<TFakeUnitsReport>& P) {
        P.Object("Page", &TFakeUnitsReport::Page);
        P.Object("Frame", &TFakeUnitsReport::Frame);
        P.Object("Size", &TFakeUnitsReport::Size);
    }
    TRpPage* Page() const { return FPage; }
    TRpFrame* Frame() const { return FFrame; }
    TRpBandSize* Size() const { return FSize; }

    void SetPageExtent(int W, int H) override { Log.push_back("extent " + std::to_string(W) + "x" + std::to_string(H)); }
    void SetBandValues() override { Log.push_back("bands"); }
    void RepaintPage() override { Log.push_back("repaint"); }
    void SetPrinterOrientation(TPrinterOrientation V) override { Log.push_back("orientation " + std::to_string(V)); }
    void SetReportUnits(TRpUnit V) override { Log.push_back("units " + std::to_string(V)); }
    int ReportFontSize() const override { return FontSize; }

    std::vector<std::string> Log;
    int FontSize = 10;

private:
    TRpPage* FPage = nullptr;
    TRpFrame* FFrame = nullptr;
    TRpBandSize* FSize = nullptr;
};

class TCountingControl : public TControl {
    SDELKA_CLASS(TCountingControl, TControl)
protected:
    explicit TCountingControl(TComponent* AOwner) : TControl(AOwner) {}
    ~TCountingControl() override = default;

public:
    void Invalidate() override { ++Invalidations; }
    int Invalidations = 0;
};

bool Has(const std::vector<std::string>& Log, const std::string& S) {
    for (const auto& l : Log)
        if (l == S) return true;
    return false;
}

}  // namespace

TEST(RpTypes, DeviceUnitsAndFactors) {
    struct Case {
        Extended native;
        int ppi;
        int device;
    } cases[] = {
        {254, 96, 96},     {254, 600, 600},  {2100, 96, 794},  {2100, 300, 2480}, {2100, 600, 4961},
        {10, 72, 3},       // 2.834... -> 3
        {127, 2, 1},       // 1 exactly
        {381, 2, 3},       // 3 exactly
        {127, 5, 2},       // 2.5 -> 2 (tie to even)
        {127, 7, 4},       // 3.5 -> 4 (tie to even)
        {-127, 5, -2},     // -2.5 -> -2
    };
    for (const Case& c : cases)
        EXPECT_EQ(NativeToDevice(c.native, c.ppi), c.device) << double(c.native) << " @ " << c.ppi;

    // The stored screen factor is 0.37795, not 96 / 254: a 96-pixel height comes back as 254.0026...
    EXPECT_EQ(RpDefaultPixelFactor, 0.37795L);
    EXPECT_NEAR(double(ScreenPixelsToNative(96)), 96 / 0.37795, 1e-9);
    EXPECT_GT(ScreenPixelsToNative(96), 254.0L);
    EXPECT_NEAR(double(CharWidthFactor(10)), 80.0 / 10 / 2.54, 1e-12);
    EXPECT_NEAR(double(CharHeightFactor(10)), 145.3 / 10 / 2.54, 1e-12);

    // Paper table: millimetres, portrait; no size for Default and Custom.
    EXPECT_EQ(RpPaperDimensions(A4).Width, 210);
    EXPECT_EQ(RpPaperDimensions(A4).Length, 297);
    EXPECT_EQ(RpPaperDimensions(Letter).Width, 215.9L);
    EXPECT_EQ(RpPaperDimensions(A3ExtraTrans).Width, 445);
    EXPECT_EQ(RpPaperDimensions(Default).Width, 0);
    EXPECT_EQ(RpPaperDimensions(Custom).Length, 0);
    EXPECT_EQ(int(Custom), 69);
    EXPECT_STREQ(RpPaperSizeNames[Custom], "Custom");
    EXPECT_STREQ(RpPaperSizeNames[rp10X14], "rp10X14");
}

TEST(RpUnitBase, ConversionsBothWays) {
    Measurement m(false);
    TFakeUnitsReport* report = New<TFakeUnitsReport>(nullptr);
    TRpUnitBase* u = report->Size();
    u->SetParentReport(report);
    u->SetResolution(96);
    struct Case {
        TRpUnit units;
        bool horizontal;
        Extended native, value;
    } cases[] = {
        {MM, true, 2100, 210},
        {Inches, true, 127, 0.5L},
        {Pixels, true, 254, 96},
        {Native, false, 123.4L, 123.4L},
        {Characters, true, 80.0L / 10 / 2.54L * 10, 1},
        {Characters, false, 145.3L / 10 / 2.54L * 10, 1},
    };
    for (const Case& c : cases) {
        EXPECT_NEAR(double(u->NativeToUnits(c.units, c.horizontal, c.native)), double(c.value), 1e-9) << c.units;
        EXPECT_NEAR(double(u->UnitsToNative(c.units, c.horizontal, c.value)), double(c.native), 1e-9) << c.units;
    }
    EXPECT_NEAR(double(u->UnitsToNative(Characters, true, 1)), 31.496062992, 1e-8);

    // Pixels follow the resolution and the zoom.
    u->SetZoom(200);
    EXPECT_NEAR(double(u->NativeToUnits(Pixels, true, 254)), 192, 1e-9);
    EXPECT_NEAR(double(u->UnitsToNative(Pixels, true, 192)), 254, 1e-9);
    u->SetResolution(600);
    u->SetZoom(100);
    EXPECT_NEAR(double(u->NativeToUnits(Pixels, false, 254)), 600, 1e-9);
    // A zoom of 0 would make every pixel length infinite: it is refused.
    u->SetZoom(0);
    EXPECT_EQ(u->Zoom(), 100);
    EXPECT_TRUE(std::isfinite(double(u->UnitsToNative(Pixels, true, 10))));

    // A report font of size 0 (or no report) counts as 10 points instead of dividing by zero.
    report->FontSize = 0;
    EXPECT_NEAR(double(u->UnitsToNative(Characters, true, 1)), 31.496062992, 1e-8);
    u->SetParentReport(nullptr);
    EXPECT_NEAR(double(u->UnitsToNative(Characters, false, 1)), 145.3 / 2.54, 1e-8);

    // SwitchToPixels remembers the units; RestoreUnits brings them back.
    u->SetUnits(Inches);
    u->SwitchToPixels();
    EXPECT_EQ(u->Units(), Pixels);
    u->RestoreUnits();
    EXPECT_EQ(u->Units(), Inches);
    report->Free();
}

TEST(RpPage, DefaultsFollowTheMeasurementSystem) {
    {
        Measurement m(false);
        TRpPage* page = New<TRpPage>();
        EXPECT_EQ(page->Units(), MM);
        EXPECT_EQ(page->PaperSize(), A4);
        EXPECT_EQ(page->NativeValue(3), 2100);
        EXPECT_EQ(page->NativeValue(1), 2970);
        for (int i : {0, 2, 4, 5}) EXPECT_EQ(page->NativeValue(i), 100) << i;
        EXPECT_EQ(page->NativeValue(6), 0);
        EXPECT_EQ(page->Columns(), 1);
        EXPECT_TRUE(page->Ruler());
        EXPECT_FALSE(page->Continuous());
        EXPECT_EQ(page->PrintOrder(), ColByCol);
        EXPECT_EQ(page->Orientation(), poPortrait);
        EXPECT_EQ(page->Zoom(), 100);
        page->Free();
    }
    {
        Measurement m(true);
        TRpPage* page = New<TRpPage>();
        EXPECT_EQ(page->Units(), Inches);
        EXPECT_EQ(page->PaperSize(), Letter);
        EXPECT_NEAR(double(page->Width()), 8.5, 1e-12);
        EXPECT_NEAR(double(page->Length()), 11, 1e-12);
        for (int i : {0, 2, 4, 5}) EXPECT_EQ(page->NativeValue(i), 127) << i;
        EXPECT_NEAR(double(page->TopMargin()), 0.5, 1e-12);
        page->Free();
    }
}

TEST(RpPage, ValuesPaperAndOrientation) {
    Measurement m(false);
    TFakeUnitsReport* report = New<TFakeUnitsReport>(nullptr);
    TRpPage* page = report->Page();
    page->SetResolution(96);

    // Width and length of a table paper cannot be written.
    page->SetWidth(100);
    EXPECT_EQ(page->NativeValue(3), 2100);
    EXPECT_TRUE(report->Log.empty());

    // Margins: stored native; top/left/right/column space lay out and repaint.
    page->SetTopMargin(15);
    EXPECT_EQ(page->NativeValue(2), 150);
    EXPECT_EQ(report->Log, (std::vector<std::string>{"bands", "repaint"}));
    report->Log.clear();
    page->SetBottomMargin(20);
    EXPECT_EQ(page->NativeValue(0), 200);
    EXPECT_EQ(report->Log, (std::vector<std::string>{"extent 794x1123", "bands"}));

    // Landscape swaps the table sizes; portrait brings them back.
    page->SetOrientation(poLandscape);
    EXPECT_NEAR(double(page->Width()), 297, 1e-12);
    EXPECT_NEAR(double(page->Length()), 210, 1e-12);
    EXPECT_EQ(page->PaperSize(), A4);
    EXPECT_TRUE(Has(report->Log, "orientation 1"));
    EXPECT_TRUE(Has(report->Log, "extent 1123x794"));
    page->SetOrientation(poPortrait);
    EXPECT_NEAR(double(page->Width()), 210, 1e-12);
    EXPECT_NEAR(double(page->Length()), 297, 1e-12);
    EXPECT_EQ(page->Units(), MM);  // restored after the paper's sizes were written

    // Paper size in other units: the table still reads in millimetres.
    page->SetUnits(Inches);
    page->SetPaperSize(Letter);
    EXPECT_EQ(page->Units(), Inches);
    EXPECT_NEAR(double(page->Width()), 8.5, 1e-12);
    EXPECT_NEAR(double(page->NativeValue(1)), 2794, 1e-9);

    // Custom keeps the sizes and makes them writable; a custom page swaps on orientation.
    page->SetUnits(MM);
    page->SetPaperSize(Custom);
    EXPECT_NEAR(double(page->Width()), 215.9, 1e-12);
    page->SetWidth(100);
    page->SetLength(150);
    EXPECT_EQ(page->NativeValue(3), 1000);
    EXPECT_EQ(page->NativeValue(1), 1500);
    page->SetOrientation(poLandscape);
    EXPECT_EQ(page->NativeValue(3), 1500);
    EXPECT_EQ(page->NativeValue(1), 1000);
    page->SetOrientation(poLandscape);  // unchanged: no second swap
    EXPECT_EQ(page->NativeValue(3), 1500);

    // Columns below 1 and unchanged values are ignored.
    report->Log.clear();
    page->SetColumns(0);
    page->SetColumns(-3);
    page->SetColumns(1);
    EXPECT_EQ(page->Columns(), 1);
    EXPECT_TRUE(report->Log.empty());
    page->SetColumns(3);
    EXPECT_EQ(page->Columns(), 3);
    EXPECT_EQ(report->Log, (std::vector<std::string>{"bands", "repaint"}));

    // Ruler: unchanged is ignored; a change repaints and passes the units on.
    report->Log.clear();
    page->SetRuler(true);
    EXPECT_TRUE(report->Log.empty());
    page->SetRuler(false);
    EXPECT_EQ(report->Log, (std::vector<std::string>{"repaint", "units 0"}));
    report->Free();
}

TEST(RpPage, StreamsItsValuesAndProperties) {
    Measurement m(false);
    TFakeUnitsReport* report = New<TFakeUnitsReport>(nullptr);
    report->SetName("Report1");
    TRpPage* page = report->Page();
    page->SetOrientation(poLandscape);
    page->SetLeftMargin(12.5L);
    page->SetColumns(2);
    page->SetRuler(false);
    report->Size()->SetUnits(MM);
    report->Size()->SetHeight(12.3L);
    report->Frame()->SetDrawTop(true);
    report->Frame()->SetColor(clRed);
    report->Frame()->SetWidth(3);
    String text = ComponentToText(report);
    EXPECT_TRUE(text.contains("Page.PaperSize = A4")) << text.toStdString();
    EXPECT_TRUE(text.contains("Page.Orientation = poLandscape")) << text.toStdString();
    EXPECT_TRUE(text.contains("Page.Ruler = False")) << text.toStdString();
    EXPECT_TRUE(text.contains("Page.Values = (")) << text.toStdString();
    EXPECT_FALSE(text.contains("Page.LeftMargin")) << text.toStdString();
    EXPECT_TRUE(text.contains("Frame.Color = clRed")) << text.toStdString();
    EXPECT_FALSE(text.contains("Frame.DrawBottom")) << text.toStdString();

    TFakeUnitsReport* copy = New<TFakeUnitsReport>(nullptr);
    TextToComponent(text, copy);
    TRpPage* p2 = copy->Page();
    EXPECT_EQ(p2->Orientation(), poLandscape);
    EXPECT_EQ(p2->PaperSize(), A4);
    EXPECT_EQ(p2->Columns(), 2);
    EXPECT_FALSE(p2->Ruler());
    for (int i = 0; i < 7; ++i) EXPECT_EQ(p2->NativeValue(i), page->NativeValue(i)) << i;
    EXPECT_EQ(p2->NativeValue(4), 125);
    EXPECT_TRUE(Has(copy->Log, "extent 1123x794"));  // applied to the report after reading
    EXPECT_EQ(copy->Size()->Length(), 123);
    EXPECT_EQ(copy->Size()->NativeWidth(), 40);
    EXPECT_TRUE(copy->Frame()->DrawTop());
    EXPECT_EQ(copy->Frame()->Color(), clRed);
    EXPECT_EQ(copy->Frame()->Width(), 3);
    copy->Free();
    report->Free();
}

TEST(RpBandSize, AppliesPixelSizeToTheBand) {
    Measurement m(false);
    TCountingControl* band = New<TCountingControl>(nullptr);
    band->SetBounds(5, 7, 1, 1);
    TRpBandSize* size = New<TRpBandSize>();
    EXPECT_EQ(size->Length(), 20);
    EXPECT_EQ(size->NativeWidth(), 40);
    size->SetResolution(96);
    size->SetParent(band);
    size->SetWidth(190);    // mm: 718.1 px
    size->SetHeight(6.35L); // mm: 24 px
    EXPECT_EQ(band->Left(), 5);
    EXPECT_EQ(band->Top(), 7);
    EXPECT_EQ(band->Width(), 718);
    EXPECT_EQ(band->Height(), 24);
    EXPECT_FALSE(size->ParentUpdating());
    size->SetUnits(Inches);
    EXPECT_NEAR(double(size->Height()), 0.25, 1e-12);
    size->Free();
    band->Free();
}

TEST(RpFrame, PropertiesNotifyTheParent) {
    TCountingControl* parent = New<TCountingControl>(nullptr);
    TRpFrame* frame = New<TRpFrame>();
    EXPECT_EQ(frame->Color(), clBlack);
    EXPECT_EQ(frame->Style(), psSolid);
    EXPECT_EQ(frame->Width(), 1);
    EXPECT_FALSE(frame->AnyFrame());
    frame->SetParent(parent);
    EXPECT_EQ(parent->Invalidations, 0);  // writing the parent only stores it
    frame->SetColor(clBlue);
    frame->SetStyle(psDash);
    frame->SetWidth(2);
    EXPECT_EQ(parent->Invalidations, 3);
    for (int side = 0; side < 4; ++side) {
        TRpFrame* f = New<TRpFrame>();
        f->SetSide(side, true);
        EXPECT_TRUE(f->AnyFrame()) << side;
        EXPECT_TRUE(f->GetSide(side));
        f->Free();
    }
    frame->SetDrawLeft(true);
    EXPECT_EQ(parent->Invalidations, 4);
    EXPECT_TRUE(frame->DrawLeft());
    EXPECT_TRUE(frame->AnyFrame());
    frame->Free();
    parent->Free();
}

TEST(RpFrame, ThicknessAndPainting) {
    TRpFrame* frame = New<TRpFrame>();
    struct Case {
        int width;
        int ppi;
        int thickness;
    } cases[] = {{1, 600, 8}, {1, 96, 1}, {1, 72, 1}, {1, 10, 1}, {2, 96, 3}, {3, 96, 4}, {0, 600, 0}, {-1, 600, 1}};
    for (const Case& c : cases) {
        frame->SetWidth(c.width);
        EXPECT_EQ(frame->Thickness(Extended(c.ppi) / 254), c.thickness) << c.width << " @ " << c.ppi;
    }

    TBitmap bmp;
    bmp.SetSize(40, 30);
    TCanvas* canvas = bmp.Canvas();
    frame->SetWidth(2);  // 3 px at 96 per inch
    frame->SetColor(clRed);
    frame->SetDrawTop(true);
    frame->SetDrawRight(true);
    frame->PaintIt(canvas, TRect(5, 5, 35, 25), 96.0L / 254, 96.0L / 254);
    EXPECT_EQ(canvas->Pixels(10, 5), clRed);
    EXPECT_EQ(canvas->Pixels(10, 7), clRed);
    EXPECT_EQ(canvas->Pixels(10, 8), clWhite);
    EXPECT_EQ(canvas->Pixels(34, 20), clRed);
    EXPECT_EQ(canvas->Pixels(32, 20), clRed);
    EXPECT_EQ(canvas->Pixels(31, 20), clWhite);
    EXPECT_EQ(canvas->Pixels(5, 20), clWhite);   // left side off
    EXPECT_EQ(canvas->Pixels(10, 24), clWhite);  // bottom side off
    EXPECT_EQ(canvas->Brush()->Style(), bsClear);
    EXPECT_EQ(canvas->Pen()->Width(), 1);
    EXPECT_EQ(canvas->Pen()->Color(), clRed);

    // Width 0 draws nothing.
    TBitmap blank;
    blank.SetSize(20, 20);
    frame->SetWidth(0);
    frame->SetDrawLeft(true);
    frame->SetDrawBottom(true);
    frame->PaintIt(blank.Canvas(), TRect(0, 0, 20, 20), 600.0L / 254, 600.0L / 254);
    for (int x : {0, 10, 19})
        for (int y : {0, 10, 19}) EXPECT_EQ(blank.Canvas()->Pixels(x, y), clWhite) << x << "," << y;
    frame->Free();
}
