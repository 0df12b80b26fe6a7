// Painting of the grouping rows of the data grid: group rows (the level's indent, the expand sign
// and the caption that runs across the row's columns), group footer rows (one value per column
// under the group's records) and the indent at the left of the records' first column.
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/groupsgridvz.h"
#include "grid/dbgrid/grouptreevz.h"

namespace {

constexpr int GroupIndentStepPaintVz = 18;

// The number of groups above a node (0 for a group of the outermost level).
int GroupNodeDepthVz(TGroupDataTreeNodeVz* Node) {
    int d = 0;
    for (TGroupDataTreeNodeVz* p = Node->Parent(); p && p->Parent(); p = p->Parent()) ++d;
    return d;
}

TColor GroupLevelColorVz(TGroupDataTreeNodeVz* Group, TColor Default) {
    TGridDataGroupLevelVz* l = Group ? Group->DataGroupLevel() : nullptr;
    return l ? l->Color() : Default;
}

// Fills the boxes of the groups enclosing a row, the innermost ending at Right, each further one
// a step to the left; Skip boxes are left out from the innermost.
void FillEnclosingGroupBoxesVz(TCanvas* C, TGroupDataTreeNodeVz* Innermost, int Right, int Left, int Top, int Bottom,
                               int Skip, TColor Default) {
    int right = Right;
    for (TGroupDataTreeNodeVz* g = Innermost; g && g->Parent(); g = g->Parent()) {
        if (Skip > 0) {
            --Skip;
            continue;
        }
        const int left = std::max(Left, right - GroupIndentStepPaintVz);
        if (left >= right) break;
        C->Brush()->SetColor(GroupLevelColorVz(g, Default));
        C->FillRect(TRect{left, Top, right, Bottom});
        right = left;
    }
}

}  // namespace

void TCustomDBGridVz::DrawGroupRowCell(int ACol, int ARow, const TRect& ARect, TGroupDataTreeNodeVz* Node,
                                       TGridDrawState State) {
    TCanvas* c = Canvas();
    TGridDataGroupLevelVz* level = Node->DataGroupLevel();
    const TColor color = level ? level->Color() : Color();
    const int depth = GroupNodeDepthVz(Node);
    // The row starts at the first visible column's left edge (or the first one on screen when it
    // is scrolled away): the caption is placed against it so it reads on across the cells.
    TColumnVz* first = FirstVisibleColumn();
    int rowLeft = ARect.Left;
    if (first) {
        const TRect r = CellRect(DataColToGridCol(first->Index()), ARow);
        rowLeft = r.Right > r.Left ? r.Left : CellRect(LeftCol(), ARow).Left;
    }
    const int signLeft = rowLeft + GroupIndentStepPaintVz * depth;
    c->Brush()->SetColor(color);
    c->FillRect(ARect);
    // The boxes of the enclosing groups.
    if (depth > 0 && ARect.Left < signLeft)
        FillEnclosingGroupBoxesVz(c, Node->Parent(), signLeft, rowLeft, ARect.Top, ARect.Bottom, 0, Color());
    // The expand sign: a square with a minus (expanded) or a plus (collapsed).
    const int mid = (ARect.Top + ARect.Bottom) / 2;
    const int cx = signLeft + GroupIndentStepPaintVz / 2;
    if (cx + 5 > ARect.Left && cx - 5 < ARect.Right) {
        c->Brush()->SetColor(GridLineColors()->GetDarkColor());
        c->FrameRect(TRect{cx - 4, mid - 4, cx + 5, mid + 5});
        c->Pen()->SetColor(Font()->Color());
        c->MoveTo(cx - 2, mid);
        c->LineTo(cx + 3, mid);
        if (!Node->Expanded()) {
            c->MoveTo(cx, mid - 2);
            c->LineTo(cx, mid + 3);
        }
    }
    // The caption, clipped to this cell.
    const String text = level ? level->GetGroupRowText(Node) : Node->DisplayValue();
    const int textLeft = signLeft + GroupIndentStepPaintVz + 2;
    TRect area = ARect;
    area.Left = std::max(ARect.Left, signLeft + GroupIndentStepPaintVz);
    if (area.Left < area.Right) {
        if (level) c->Font()->Assign(level->Font());
        else c->Font()->Assign(Font());
        const bool current = State.Contains(gdFocused) || Row() == ARow;
        if (current && FOptions.Contains(dgAlwaysShowSelection)) {
            c->Brush()->SetColor(clHighlight);
            c->Font()->SetColor(clHighlightText);
            c->FillRect(area);
        } else {
            c->Brush()->SetColor(color);
        }
        c->TextRect(area, textLeft, ARect.Top + 2, text);
    }
    (void)ACol;
}

void TCustomDBGridVz::DrawGroupFooterRowCell(int DataCol, const TRect& ARect, TGroupDataTreeNodeVz* Node,
                                             TGridDrawState State) {
    TCanvas* c = Canvas();
    TRect area = ARect;
    TColumnVz* first = FirstVisibleColumn();
    const bool shift = FDataGrouping->ShiftFolldataGroupRow();
    if (first && DataCol == first->Index()) {
        // The indent: the footer's own group box at its right edge, the enclosing ones leftward.
        const int depth = GroupNodeDepthVz(Node) + 1;
        const int steps = std::max(0, shift ? depth - 1 : depth - 2);
        const int right = ARect.Left + GroupIndentStepPaintVz * steps;
        c->Brush()->SetColor(Color());
        c->FillRect(TRect{ARect.Left, ARect.Top, std::min(right, ARect.Right), ARect.Bottom});
        FillEnclosingGroupBoxesVz(c, Node->Parent(), right, ARect.Left, ARect.Top, ARect.Bottom, shift ? 0 : 1, Color());
        area.Left = std::min(right, ARect.Right);
    }
    TGridDataGroupFooterVz* footer = Node->DataGroupFooter();
    TGridDataGroupFooterColumnItemVz* item = nullptr;
    if (footer && DataCol >= 0 && DataCol < footer->ColumnItems()->Count()) item = footer->ColumnItems()->Items(DataCol);
    String text;
    TAlignment align = taLeftJustify;
    if (item) {
        text = item->ConvertToDisplayText(Node->FooterValues(DataCol));
        align = item->Alignment();
        c->Brush()->SetColor(item->Color());
        c->Font()->Assign(item->Font());
    } else {
        c->Brush()->SetColor(footer ? footer->Color() : FFooterParams->Color());
        c->Font()->Assign(footer ? footer->Font() : FFooterParams->Font());
    }
    if (State.Contains(gdFocused) && FOptions.Contains(dgAlwaysShowSelection)) {
        c->Brush()->SetColor(clHighlight);
        c->Font()->SetColor(clHighlightText);
    }
    if (area.Left >= area.Right) return;
    c->FillRect(area);
    const int w = c->TextWidth(text);
    int x = area.Left + 2;
    if (align == taRightJustify) x = area.Right - 2 - w;
    else if (align == taCenter) x = (area.Left + area.Right - w) / 2;
    c->TextRect(area, x, area.Top + 2, text);
}

TRect TCustomDBGridVz::DrawDataRowGroupIndent(const TRect& ARect, TGroupDataTreeNodeVz* Node) {
    TCanvas* c = Canvas();
    const int right = std::min(ARect.Right, ARect.Left + FExtraFirstColumnWidth);
    c->Brush()->SetColor(Color());
    c->FillRect(TRect{ARect.Left, ARect.Top, right, ARect.Bottom});
    FillEnclosingGroupBoxesVz(c, Node->Parent(), ARect.Left + FExtraFirstColumnWidth, ARect.Left, ARect.Top,
                              ARect.Bottom, FDataGrouping->ShiftFolldataGroupRow() ? 0 : 1, Color());
    TRect rest = ARect;
    rest.Left = right;
    return rest;
}
