// The data-aware axis grid's in-cell controls: the place box of a cell (text area, edit buttons,
// cell buttons), painting a button into a cell, routing button clicks, the bar's system popup menu,
// and the hot tracking of link texts and images under the pointer.
#include "grid/axis/dbaxisgridvz.h"

#include "grid/base/buttonpaintvz.h"
#include "grid/core/uitextsvz.h"
#include "platform/gui/imaging.h"
#include "platform/gui/menus.h"

namespace {
TDrawButtonControlStyleVz AxisButtonDrawStyle(TEditButtonStyleVz Style) {
    switch (Style) {
    case ebsEllipsisVz: return bcsEllipsisVz;
    case ebsUpDownVz: return bcsUpDownVz;
    case ebsPlusVz: return bcsPlusVz;
    case ebsMinusVz: return bcsMinusVz;
    case ebsAltDropDownVz: return bcsAltDropDownVz;
    case ebsAltUpDownVz: return bcsAltUpDownVz;
    default: return bcsDropDownVz;
    }
}
}  // namespace

// ---- place boxes -------------------------------------------------------------------------------

void TCustomDBAxisGridVz::FillCellPlaceBox(int Col, int Row, TAxisBarVz* Bar, std::vector<TCellPlaceBoxChildVz>& Box) {
    TRect r(0, 0, ColWidths(Col), RowHeights(Row));
    if (LinesVisible(false)) r.Right -= GetVertLineWidth();
    if (LinesVisible(true)) r.Bottom -= GetHorzLineWidth();
    BuildCellPlaceBox(Col, Row, r, Bar, Box);
}

void TCustomDBAxisGridVz::BuildCellPlaceBox(int Col, int Row, const TRect& ARect, TAxisBarVz* Bar,
                                            std::vector<TCellPlaceBoxChildVz>& Box) {
    Box.clear();
    if (!Bar) return;
    const int flatX = Flat() && !ThemesEnabledVz() ? 1 : 0;
    TRect r = ARect;
    if (IsCellDraw3D(Col, Row, TGridDrawState())) r = TRect(r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1);
    auto width = [&](TEditButtonVz* B) { return B->Width() >= 1 ? B->Width() + 2 * flatX : FInplaceEditorButtonWidth + flatX; };
    std::vector<TCellPlaceBoxChildVz> left, edit, right;
    if (Bar->IsEditButtonDrawn(Col, Row)) {
        if (Bar->EditButton()->Visible())
            edit.push_back(TCellPlaceBoxChildVz{Bar->EditButton(), TRect(0, 0, Bar->GetMainEditButtonWidth(), 0), TRect()});
        for (int i = 0; i < Bar->EditButtons()->Count(); ++i) {
            TEditButtonVz* b = Bar->EditButtons()->Items(i);
            if (b->Visible()) edit.push_back(TCellPlaceBoxChildVz{b, TRect(0, 0, width(b), 0), TRect()});
        }
    }
    for (int i = 0; i < Bar->CellButtons()->Count(); ++i) {
        TCellButtonVz* b = Bar->CellButtons()->Items(i);
        if (!b->Visible()) continue;
        (b->HorzPlacement() == ebhpLeftVz ? left : right).push_back(TCellPlaceBoxChildVz{b, TRect(0, 0, width(b), 0), TRect()});
    }
    const int h = std::min(Bar->GetInplaceEditorButtonHeight() > 0 ? Bar->GetInplaceEditorButtonHeight()
                                                                      : FInplaceEditorButtonHeight,
                           r.Bottom);
    int total = 0;
    for (auto* list : {&left, &edit, &right})
        for (auto& c : *list) {
            const int w = c.ClientRect.Right;
            c.ClientRect = TRect(0, 0, w, h);
            c.AreaRect = TRect(0, 0, w, r.Bottom);
            total += w;
        }
    TCellPlaceBoxChildVz text;
    text.ClientRect = r;
    text.ClientRect.Right = std::max(r.Left, r.Right - total);
    text.AreaRect = text.ClientRect;
    Box.push_back(text);
    // From x = 0: left cell buttons, the text area, then edit buttons and right cell buttons.
    int x = 0;
    std::vector<TCellPlaceBoxChildVz> ordered;
    for (auto& c : left) {
        c.ClientRect.Offset(x, 0);
        c.AreaRect.Offset(x, 0);
        x += c.ClientRect.Width();
        ordered.push_back(c);
    }
    Box[0].ClientRect.Offset(x, 0);
    Box[0].AreaRect = Box[0].ClientRect;
    x = Box[0].ClientRect.Right;
    for (auto* list : {&edit, &right})
        for (auto& c : *list) {
            c.ClientRect.Offset(x, 0);
            c.AreaRect.Offset(x, 0);
            x += c.ClientRect.Width();
            ordered.push_back(c);
        }
    Box.insert(Box.end(), ordered.begin(), ordered.end());
}

void TCustomDBAxisGridVz::UpdatePlaceBoxListForCell(int, int) {
    throw Exception(u"Realize TCustomDBAxisGridVz.UpdatePlaceBoxListForCell in an inherited class"_S);
}

TEditButtonVz* TCustomDBAxisGridVz::GetInCellButtonAtPos(int Col, int Row, TAxisBarVz* Bar, int X, int Y) {
    if (Col < 0 || Row < 0 || !Bar) return nullptr;
    std::vector<TCellPlaceBoxChildVz> box;
    FillCellPlaceBox(Col, Row, Bar, box);
    for (const auto& c : box)
        if (c.Button && c.ClientRect.Contains(TPoint(X, Y))) return c.Button;
    return nullptr;
}

// ---- buttons -----------------------------------------------------------------------------------

void TCustomDBAxisGridVz::DoEditButtonClick() {
    if (OnEditButtonClick) OnEditButtonClick(this);
}

void TCustomDBAxisGridVz::EditButtonDefaultAction(TAxisBarVz* Bar, TEditButtonVz* Button, TEditButtonControlVz*,
                                                  bool IsMouseDown, bool& Handled) {
    // The default actions of the up/down styles step the value; the drop-down forms are the editors'.
    if (!Bar || Handled) return;
    if (IsMouseDown && (Button->Style() == ebsUpDownVz || Button->Style() == ebsAltUpDownVz ||
                        Button->Style() == ebsPlusVz || Button->Style() == ebsMinusVz)) {
        const bool down = Button->Style() == ebsMinusVz;
        Bar->SetNextFieldValue(down ? -Bar->Increment() : Bar->Increment());
        Handled = true;
    }
}

void TCustomDBAxisGridVz::FormSystemPopupMenuForBar(TAxisBarVz* Bar, TPopupMenu* Menu) {
    if (!Bar || !Menu) return;
    // Editing commands follow what the grid allows and what the per-cell hook says of the cell.
    const bool editable = Bar->CanModify(false);
    TViZevLanguageConsts* t = GetViZevLanguageConsts();
    auto add = [&](const String& Caption, bool Enabled, std::function<void()> Action) {
        TMenuItem* item = New<TMenuItem>(Menu);
        item->SetCaption(Caption);
        item->SetEnabled(Enabled);
        item->OnClick = [Action](TObject*) { Action(); };
        Menu->Items()->Add(item);
    };
    add(t->Cut(), editable, [Bar] { Bar->CutValueToClipboard(); });
    add(t->Copy(), true, [Bar] { Bar->CopyValueToClipboard(); });
    add(t->Paste(), editable, [Bar] { Bar->PasteValueFromClipboard(); });
    add(t->Delete(), editable, [Bar] { Bar->ClearValue(); });
}

void TCustomDBAxisGridVz::PaintEditButton(TAxisBarVz*, TCanvas* ACanvas, TEditButtonStyleVz Style, TRect ARect,
                                          const TRect& MasterRect, int DownButton, bool Hot, bool AFlat, bool Enabled,
                                          TColor BackColor) {
    TRect r;
    IntersectRect(r, ARect, MasterRect);
    if (r.IsEmpty()) return;
    if (AFlat && !ThemesEnabledVz()) {
        ACanvas->Brush()->SetColor(Hot ? clBtnFace : BackColor);
        ACanvas->FillRect(TRect(r.Left, r.Top, r.Left + 1, r.Bottom));
        r.Left += 1;
    }
    PaintEditButtonVz(ACanvas, r, BackColor, AxisButtonDrawStyle(Style), DownButton, AFlat, Hot, Enabled, cbUnchecked,
                      1.0, true);
}

// ---- link hot-tracking -------------------------------------------------------------------------

void TCustomDBAxisGridVz::UpdateHotTrackInfo(int X, int Y) {
    const TGridCoord old = HotTrackCell();
    TCustomGridVz::UpdateHotTrackInfo(X, Y);
    const TGridCoord cell = HotTrackCell();
    if (cell != old) {
        FMouseCellTextBounds.clear();
        if (cell.X >= 0 && cell.Y >= 0) UpdateCellTextBoundsAtPos(cell.X, cell.Y);
    } else if (cell.X >= 0 && cell.Y >= 0 && FHotTrackAxisBar) {
        const TRect r = CellRect(cell.X, cell.Y);
        TEditButtonVz* b = GetInCellButtonAtPos(cell.X, cell.Y, FHotTrackAxisBar, X - r.Left, Y - r.Top);
        if (b != FHotTrackInCellControl) RepaintCell(cell.X, cell.Y);
        FHotTrackInCellControl = b;
    }
    const int i = CellTextBoundIndexAtPos(cell.X, cell.Y, X, Y);
    if (i != FMousePointInCellTextBoundIndex) {
        FMousePointInCellTextBoundIndex = i;
        if (cell.X >= 0 && cell.Y >= 0) RepaintCell(cell.X, cell.Y);
    }
}

void TCustomDBAxisGridVz::UpdateCellTextBoundsAtPos(int, int) {
    throw Exception(u" UpdateCellTextBoundsAtPos must be realized in the inherited class."_S);
}

void TCustomDBAxisGridVz::UpdateCellTextBounds(int Col, int Row, TAxisBarVz* Bar) {
    FHotTrackAxisBar = Bar;
    CalcCellTextBounds(TSize(ColWidths(Col), RowHeights(Row)), Bar);
}

void TCustomDBAxisGridVz::CalcCellTextBounds(const TSize& CellSize, TAxisBarVz* Bar) {
    FMouseCellTextBounds.clear();
    FMousePointInCellTextBoundIndex = -1;
    if (!Bar) return;
    TSize content;
    const bool imagesOnly = Bar->ImageList() && !Bar->ShowImageAndText();
    TAlignment al = Bar->Alignment();
    if (imagesOnly) {
        content = TSize(Bar->ImageList()->Width(), Bar->ImageList()->Height());
        al = taCenter;
    } else {
        TCanvas* measure = AxisGridCanvas();
        measure->Font()->Assign(Bar->Font());
        const String text = FDataLink->Active() ? Bar->GetTextValue(true) : String();
        content = measure->TextExtent(text);
    }
    if (Bar->ImageList() && Bar->ShowImageAndText())
        FMouseCellTextBounds.push_back(TRect(0, 0, Bar->ImageList()->Width(), Bar->ImageList()->Height()));
    const int lm = Bar->GetCellEditorLeftMargin();
    TRect b(lm, 0, lm + content.cx, content.cy);
    TRect area(lm, 0, CellSize.cx - Bar->GetCellEditorRightMargin() - Bar->EditButtonsWidth(), CellSize.cy);
    if (al == taLeftJustify) {
        b.Offset(2, 2);
        area.Left += 2;
        area.Top += 2;
        TRect clipped;
        IntersectRect(clipped, b, area);
        b = clipped;
    } else if (al == taRightJustify) {
        area.Right -= 2;
        area.Top += 2;
        b.Offset(area.Right - 2 - b.Right, 2);
    } else {
        area.Top += 2;
        area.Right -= 2;
        b.Offset(area.Left + (area.Width() - b.Width()) / 2 - b.Left, 0);
    }
    if (Bar->Layout() == tlBottom) b.Offset(0, CellSize.cy - b.Bottom);
    else if (Bar->Layout() == tlCenter) b.Offset(0, (CellSize.cy - b.Height()) / 2 - b.Top);
    FMouseCellTextBounds.push_back(b);
    FCellDataWantAsLink = Bar->GetCellDataIsLink();
    FCellImageWantAsLink = Bar->GetCellImageIsLink();
}

int TCustomDBAxisGridVz::CellTextBoundIndexAtPos(int Col, int Row, int X, int Y) {
    if (TGridCoord{Col, Row} != HotTrackCell() || Col < 0 || Row < 0) return -1;
    const TRect r = CellRect(Col, Row);
    const TPoint p(X - r.Left, Y - r.Top);
    for (size_t i = 0; i < FMouseCellTextBounds.size(); ++i)
        if (FMouseCellTextBounds[i].Contains(p)) return static_cast<int>(i);
    return -1;
}

bool TCustomDBAxisGridVz::IsHotTrackTextLink() {
    if (!FCellDataWantAsLink || FMousePointInCellTextBoundIndex < 0) return false;
    const bool imageFirst = FHotTrackAxisBar && FHotTrackAxisBar->ImageList() && FHotTrackAxisBar->ShowImageAndText();
    return FMousePointInCellTextBoundIndex >= (imageFirst ? 1 : 0);
}

bool TCustomDBAxisGridVz::IsHotTrackImageLink() {
    if (!FCellImageWantAsLink || !FHotTrackAxisBar || !FHotTrackAxisBar->ImageList()) return false;
    if (FHotTrackAxisBar->ShowImageAndText()) return FMousePointInCellTextBoundIndex == 0;
    return FMousePointInCellTextBoundIndex >= 0;
}
