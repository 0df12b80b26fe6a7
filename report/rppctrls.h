// Printables for forms and tables: the grid printable (a table of cells with their own texts,
// fonts, backgrounds and pictures), the check box printable, and the conditional child band.
//
// Grid sizes are kept in screen pixels (the control's own space): column widths and row heights
// come from two string lists of decimal integers, and the columns (rows) not listed share what is
// left equally. Printing converts them to native units and draws, on the report printer's page
// canvas, the grid and cell backgrounds, cell pictures, the row and column lines and the cell
// texts; while the report exports, backgrounds, lines and pictures go to the filter as temporary
// shapes and images (AcceptGraphic), texts as TextOut, or TextOutRec for the spreadsheet filter.
//
// The grid and the check box can keep to the bottom of their band (FixBottomPosition) or grow
// with it (StretchHeightWithBand): the band's expansion of the current print moves or stretches
// them, and the conditional child band (rplabelreport.h) moves or stretches them when its own
// height changes.
#pragma once

#include "report/rpprintable.h"

#include <memory>
#include <vector>

class TBitmap;
class TBrush;
class TFont;
class TPen;
class TPicture;
class TStrings;
class TStringList;
class TRpPGrid;

enum THorizAlignment { haNone, haLeft, haCenter, haRight };
enum TVertAlignment { vaNone, vaTop, vaCenter, vaBottom };

// Cell events: Xp the column, Yp the row, CellRect a page rectangle, PCanvas the page canvas.
using TCPEventHandler = TEvent<void(TObject* Sender, int Xp, int Yp, TRect& CellRect, TCanvas* PCanvas)>;
// Line event: (X1, Y1) the line's left or top edge, (X2, Y2) where it starts; the handler draws the
// line itself (Done) or fills the bitmap, which may be replaced, and asks for it (UseBmp).
using TDLEventHandler = TEvent<void(TObject* Sender, double X1, double Y1, double X2, double Y2, TCanvas* PCanvas,
                                    TBitmap*& LBmp, bool& Done, bool& UseBmp)>;

// One cell of a grid printable; code sets its fields (it is not streamed with the layout).
class TRpPGridCell : public TObject {
    SDELKA_CLASS(TRpPGridCell, TObject)
protected:
    TRpPGridCell();
    ~TRpPGridCell() override;

public:
    String Caption;
    TFont* Font() const { return FFont.get(); }
    TBrush* Brush() const { return FBrush.get(); }
    bool ParentFont = true;
    TVertAlignment VertAlignment = vaNone;
    THorizAlignment HorizAlignment = haNone;
    // Not owned: the caller keeps the picture alive while the grid prints.
    TPicture* Picture = nullptr;
    int PicXoff = 0;
    int PicYoff = 0;
    TExportType ExportType = exptText;
    TXLNumFormat XLNumFormat = nfGeneral;

private:
    TOwned<TFont> FFont;
    TOwned<TBrush> FBrush;
};

class TRpPGrid : public TRpPrintable {
    SDELKA_CLASS(TRpPGrid, TRpPrintable)
protected:
    explicit TRpPGrid(TComponent* AOwner);
    ~TRpPGrid() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpPGrid>& P);

    void Print(int OfsX, int OfsY) override;

    bool FixBottomPosition() const { return FFixBottomPosition; }
    void SetFixBottomPosition(bool Value) { FFixBottomPosition = Value; }
    bool StretchHeightWithBand() const { return FStretchHeightWithBand; }
    void SetStretchHeightWithBand(bool Value) { FStretchHeightWithBand = Value; }
    THorizAlignment CellHorizAlignment() const { return FCellHorizAlignment; }
    void SetCellHorizAlignment(THorizAlignment Value) { FCellHorizAlignment = Value; }
    TVertAlignment CellVertAlignment() const { return FCellVertAlignment; }
    void SetCellVertAlignment(TVertAlignment Value) { FCellVertAlignment = Value; }
    int Columns() const { return FColumns; }
    void SetColumns(int Value);
    int Rows() const { return FRows; }
    void SetRows(int Value);
    TStrings* ColumnSizes() const;
    void SetColumnSizes(TStrings* Value);
    TStrings* RowSizes() const;
    void SetRowSizes(TStrings* Value);
    bool DrawFirstRowLine() const { return FDrawFirstRowLine; }
    void SetDrawFirstRowLine(bool Value);
    TColor FirstRowColor() const;
    void SetFirstRowColor(TColor Value);
    TColor FirstColumnColor() const;
    void SetFirstColumnColor(TColor Value);
    TColor FirstCellColor() const;
    void SetFirstCellColor(TColor Value);
    bool FirstColumnJoined() const { return FFirstColumnJoined; }
    void SetFirstColumnJoined(bool Value);
    bool FirstRowJoined() const { return FFirstRowJoined; }
    void SetFirstRowJoined(bool Value);
    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* Value);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* Value);
    int XLColumn() const { return FXLColumnGrid; }
    void SetXLColumn(int Value) { FXLColumnGrid = Value; }

    // The cell at column ACol and row ARow, or nullptr outside the grid.
    TRpPGridCell* Cells(int ACol, int ARow) const;
    // Design sizes in pixels of column i and row i.
    int ColumnWidth(int i) const;
    int RowHeight(int i) const;

    TCPEventHandler OnDrawCell;
    TCPEventHandler OnPaintCell;
    TCPEventHandler OnPrintImage;
    TDLEventHandler OnDrawLine;

protected:
    void Paint() override;

private:
    void StyleChanged(TObject*) { Invalidate(); }
    // Writes a size list: lines beyond Count dropped, lines that are no number become "20"; with
    // Count lines the control takes their sum (and the frame) as its width or height.
    void WriteSizes(TStringList* List, TStrings* Value, int Count, bool Horizontal);
    int DesignSize(TStringList* List, int Count, int Available, int i) const;
    // Native sizes of the columns (rows) for printing.
    std::vector<Extended> NativeSizes(TStringList* List, int Count, Extended Available) const;
    void SetCellColor(int ACol, int ARow, TColor Value);
    TColor CellColor(int ACol, int ARow) const;
    // The temporary shape or image handed to the filter, freed right after.
    void ExportRectangle(Extended X, Extended Y, TColor Color, int W, int H);
    void ExportLine(Extended X, Extended Y, bool Horizontal, int W, int H);
    void ExportImage(Extended X, Extended Y, const String& Name, TGraphic* Graphic);

    bool FFixBottomPosition = false;
    bool FStretchHeightWithBand = false;
    THorizAlignment FCellHorizAlignment = haNone;
    TVertAlignment FCellVertAlignment = vaNone;
    TBrush* FBrush = nullptr;
    TPen* FPen = nullptr;
    int FRows = 0;
    int FColumns = 0;
    bool FDrawFirstRowLine = true;
    bool FFirstColumnJoined = false;
    bool FFirstRowJoined = false;
    TStringList* FColumnSizes = nullptr;
    TStringList* FRowSizes = nullptr;
    std::vector<std::vector<TOwned<TRpPGridCell>>> FCellColumns;
    TBitmap* FLinebmp = nullptr;
    int FXLColumnGrid = 0;
};

enum TRpPCheckmarkType { cmCross, cmHook, cmGlyph };

class TRpPCheckBox : public TRpPrintable {
    SDELKA_CLASS(TRpPCheckBox, TRpPrintable)
protected:
    explicit TRpPCheckBox(TComponent* AOwner);
    ~TRpPCheckBox() override;

public:
    void AfterConstruction() override;
    void BeforeDestruction() override;
    static void Published(TPublished<TRpPCheckBox>& P);

    void Print(int OfsX, int OfsY) override;

    TPicture* GlyphChecked() const { return FGlyphChecked; }
    void SetGlyphChecked(TPicture* Value);
    TPicture* GlyphUnchecked() const { return FGlyphUnchecked; }
    void SetGlyphUnchecked(TPicture* Value);
    TRpPCheckmarkType CheckmarkType() const { return FCheckmarkType; }
    void SetCheckmarkType(TRpPCheckmarkType Value);
    int CheckmarkDistance() const { return FCheckmarkDistance; }
    void SetCheckmarkDistance(int Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    TBrush* Brush() const { return FBrush; }
    void SetBrush(TBrush* Value);
    TPen* Pen() const { return FPen; }
    void SetPen(TPen* Value);
    bool Ctl3D() const { return FCtl3d; }
    void SetCtl3D(bool Value);
    bool FixBottomPosition() const { return FFixBottomPosition; }
    void SetFixBottomPosition(bool Value) { FFixBottomPosition = Value; }
    bool StretchHeightWithBand() const { return FStretchHeightWithBand; }
    void SetStretchHeightWithBand(bool Value) { FStretchHeightWithBand = Value; }

protected:
    void Paint() override;

private:
    bool FFixBottomPosition = false;
    bool FStretchHeightWithBand = false;
    TBrush* FBrush = nullptr;
    TPen* FPen = nullptr;
    bool FCtl3d = false;
    bool FChecked = true;
    int FCheckmarkDistance = 3;
    TRpPCheckmarkType FCheckmarkType = cmCross;
    TPicture* FGlyphChecked = nullptr;
    TPicture* FGlyphUnchecked = nullptr;
};
