#include "report/export/rpxlsxfilter.h"

#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/streams.h"
#include "report/export/rpxlsxpackage.h"

#include <QSet>

#include <algorithm>
#include <numeric>

namespace {

// Shared by every filter of the process.
String GWorkSheetname = QStringLiteral("Untitled Sheet");
int GSheetLeftMargin = 0;
bool GRp506Compat = false;

const char* const PreviewPrefix = "+++";

String PlainFileName(const String& Name) {
    return Name.startsWith(QLatin1String(PreviewPrefix)) ? Name.mid(3) : Name;
}

constexpr int MaxColumns = 16384;

}  // namespace

// ---- the family base ------------------------------------------------------------------------------

void TRpXLSXAbstractExportFilter::Start(int PaperWidth, int PaperHeight, TFont* Font) {
    TRpExportFilter::Start(PaperWidth, PaperHeight, Font);
    CreateStream(Filename());
}

void TRpXLSXAbstractExportFilter::NewPage() {
    FPageProcessed = false;
    TRpExportFilter::NewPage();
}

void TRpXLSXAbstractExportFilter::EndPage() {
    ProcessPage();
    TRpExportFilter::EndPage();
}

void TRpXLSXAbstractExportFilter::ProcessPage() { FPageProcessed = true; }

// ---- the workbook filter ------------------------------------------------------------------------

TRpXLSXDocumentFilter::TRpXLSXDocumentFilter(const String& AFilename)
    : TRpXLSXAbstractExportFilter(PlainFileName(AFilename)), FStyles(std::make_unique<TRpXLSXPackage>()) {
    if (!AFilename.startsWith(QLatin1String(PreviewPrefix))) GSheetLeftMargin = 1;
    Created = LastSaved = DateToStr(Date());
}

TRpXLSXDocumentFilter::~TRpXLSXDocumentFilter() = default;

String TRpXLSXDocumentFilter::GetDescription() { return QStringLiteral("XLSX spreadsheet"); }
String TRpXLSXDocumentFilter::GetName() { return QStringLiteral("XLSX spreadsheet"); }

String TRpXLSXDocumentFilter::WorkSheetname() { return GWorkSheetname; }
void TRpXLSXDocumentFilter::SetWorkSheetname(const String& Value) { GWorkSheetname = Value; }
int TRpXLSXDocumentFilter::sheetLeftMargin() { return GSheetLeftMargin; }
void TRpXLSXDocumentFilter::SetsheetLeftMargin(int Value) { GSheetLeftMargin = Value; }
bool TRpXLSXDocumentFilter::Rp506Compat() { return GRp506Compat; }
void TRpXLSXDocumentFilter::SetRp506Compat(bool Value) { GRp506Compat = Value; }

String TRpXLSXDocumentFilter::XLColumnLetters(int Index) {
    if (Index < 0 || Index >= MaxColumns) return String();
    String R;
    for (int N = Index + 1; N > 0; N = (N - 1) / 26) R.prepend(QChar(u'A' + (N - 1) % 26));
    return R;
}

void TRpXLSXDocumentFilter::CreateStream(const String& FileName) {
    if (!FileName.isEmpty()) {
        FFreeStream = true;
        return;
    }
    if (!FMemoryStream) FMemoryStream = NewOwned<TMemoryStream>();
    FStream = FMemoryStream.get();
}

void TRpXLSXDocumentFilter::ProcessPage() {
    TRpXLSXAbstractExportFilter::ProcessPage();
    StorePage();
}

void TRpXLSXDocumentFilter::NewPage() {
    TRpXLSXAbstractExportFilter::NewPage();
    ++FPagenumber;
    // The page starts below everything placed so far: a line at the very top of the new page
    // must not share a row with the lowest line of the page before.
    FPageYOffset = FItems.empty() ? FMaxYValue : FMaxYValue + 1;
}

void TRpXLSXDocumentFilter::TextOutRec(TExportInfoRec ExportInfo) {
    if (ExportInfo.Column <= 0 && !GRp506Compat) return;
    XLXSTextItem Item;
    Item.col = ExportInfo.Column;
    Item.X = ExportInfo.Xpos;
    Item.Y = ExportInfo.Ypos + FPageYOffset;
    if (Item.Y > FMaxYValue) FMaxYValue = Item.Y;
    Item.text = ExportInfo.Text;
    Item.exportAs = ExportInfo.ExportAs;
    Item.XLNumFormat = ExportInfo.XLNumFormat;
    Item.controlName = ExportInfo.ControlName.trimmed();
    if (Item.controlName.isEmpty()) Item.controlName = QStringLiteral("noname");

    int FontId = 0;
    if (TFont* F = ExportInfo.Font) {
        FontId = FStyles->FontIndex(F->Name(), F->Style().Contains(fsBold), F->Style().Contains(fsItalic), F->Size(),
                                    XLSXColorToARGB(F->Color()));
    }
    int FillId = 0;
    if (ExportInfo.BGColor != clNone && ColorToRGB(ExportInfo.BGColor) != 0xFFFFFF) FillId = FStyles->FillIndex(XLSXColorToARGB(ExportInfo.BGColor));
    Item.style = FStyles->CellFormatIndex(ExportInfo.XLNumFormat, FontId, FillId, ExportInfo.Alignment);
    FItems.push_back(std::move(Item));
}

void TRpXLSXDocumentFilter::SetColWidths(int startcol, int endcol, double cwidth) {
    if (endcol >= startcol && cwidth >= 0) FStyles->AddColumnWidth(startcol, endcol, cwidth);
}

void TRpXLSXDocumentFilter::Finish() {
    if (FConcatenating) return;
    WriteXLSXPackage();
    TRpXLSXAbstractExportFilter::Finish();
}

void TRpXLSXDocumentFilter::EndConcat() {
    FConcatenating = false;
    Finish();
}

void TRpXLSXDocumentFilter::WriteXLSXPackage() {
    // Cells in order of their row (the whole report units of their top), then column, then arrival.
    std::vector<std::size_t> Order(FItems.size());
    std::iota(Order.begin(), Order.end(), std::size_t(0));
    std::stable_sort(Order.begin(), Order.end(), [this](std::size_t A, std::size_t B) {
        const Int64 YA = Trunc(FItems[A].Y), YB = Trunc(FItems[B].Y);
        return YA != YB ? YA < YB : FItems[A].col < FItems[B].col;
    });

    TRpXLSXPackage Package = *FStyles;
    QSet<String> Written;
    bool RowOpen = false;
    Int64 RowY = 0;
    int Row = 0;
    for (const std::size_t I : Order) {
        const XLXSTextItem& It = FItems[I];
        int C = It.col;
        if (C > 0 && !GRp506Compat) C += GSheetLeftMargin - 1;
        const String Letters = XLColumnLetters(C);
        if (Letters.isEmpty()) continue;
        if (!RowOpen || Trunc(It.Y) != RowY) {
            if (RowOpen) Package.EndRow();
            Package.BeginRow();
            RowOpen = true;
            RowY = Trunc(It.Y);
            ++Row;
        }
        const String Ref = Letters + String::number(Row);
        if (Written.contains(Ref)) {
            ShowMessage(QStringLiteral("Duplicate cell reference detected - please check 'XLColumn' property of ") +
                        It.controlName);
            return;
        }
        Written.insert(Ref);
        switch (It.exportAs) {
            case exptNumeric: Package.AddNumberCell(Ref, It.text, It.XLNumFormat, It.style); break;
            case exptFormula: Package.AddFormulaCell(Ref, It.text, It.style); break;
            default: Package.AddTextCell(Ref, It.text, It.style); break;
        }
    }
    if (RowOpen) Package.EndRow();

    if (Filename().isEmpty()) {
        if (!FStream) CreateStream(String());
        FStream->SetSize(0);
        FStream->SetPosition(0);
        Package.SaveToStream(FStream, GWorkSheetname);
    } else {
        Package.SaveToFile(Filename(), GWorkSheetname);
    }
}
