#include "grid/axis/axisbartitlevz.h"

#include "grid/axis/axisbardefvaluesvz.h"
#include "grid/axis/axisbargridvz.h"
#include "grid/axis/axisbarsvz.h"
#include "grid/axis/axisgridlinkvz.h"
#include "platform/db/fields.h"
#include "platform/gui/menus.h"

// ---- the grid's title defaults ------------------------------------------------------------------

void TAxisBarCaptionDefValuesVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TAxisBarCaptionDefValuesVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s->FAlignmentAssigned) SetAlignment(s->FAlignment);
    if (s->FColorAssigned) SetColor(s->FColor);
    SetEndEllipsis(s->FEndEllipsis);
    FTitleButton = s->FTitleButton;
    FToolTips = s->FToolTips;
}

void TAxisBarCaptionDefValuesVz::SetAlignment(TAlignment Value) {
    if (FAlignmentAssigned && FAlignment == Value) return;
    FAlignment = Value;
    FAlignmentAssigned = true;
    Changed();
}

void TAxisBarCaptionDefValuesVz::SetColor(TColor Value) {
    if (FColorAssigned && FColor == Value) return;
    FColor = Value;
    FColorAssigned = true;
    Changed();
}

void TAxisBarCaptionDefValuesVz::SetEndEllipsis(bool Value) {
    if (FEndEllipsis == Value) return;
    FEndEllipsis = Value;
    Changed();
}

// ---- the bar's title ------------------------------------------------------------------------------

namespace {
bool TitleFontsDiffer(const TFont& A, const TFont& B) { return !(A.LogFont() == B.LogFont()) || A.Color() != B.Color(); }
}  // namespace

TAxisBarTitleVz::TAxisBarTitleVz(TAxisBarVz* AAxisBar) : FAxisBar(AAxisBar) {
    SyncFontSilently();
    FFont.OnChange = [this](TObject*) { FontChanged(); };
}

bool TAxisBarTitleVz::Assigned(int Value) const {
    return FAxisBar->FAssignedValues.Contains(static_cast<TAxisBarVzValue>(Value));
}

void TAxisBarTitleVz::Include(int Value) { FAxisBar->FAssignedValues.Include(static_cast<TAxisBarVzValue>(Value)); }

void TAxisBarTitleVz::FontChanged() {
    if (FFontSyncing) return;
    Include(cvTitleFont);
    FAxisBar->NotifyChanged(true);
}

void TAxisBarTitleVz::SyncFontSilently() {
    TFont* def = DefaultFont();
    if (def == &FFont) return;
    FFontSyncing = true;
    FFont.Assign(def);
    FFontSyncing = false;
}

TAlignment TAxisBarTitleVz::DefaultAlignment() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    return g && g->AxisBarDefValues() ? g->AxisBarDefValues()->Title()->Alignment() : taLeftJustify;
}

TColor TAxisBarTitleVz::DefaultColor() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    if (!g) return clBtnFace;
    return g->AxisBarDefValues() ? g->AxisBarDefValues()->Title()->Color(g->AxisGridTitleColor())
                                 : g->AxisGridTitleColor();
}

TFont* TAxisBarTitleVz::DefaultFont() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    TFont* f = g ? g->AxisGridTitleFont() : nullptr;
    return f ? f : FAxisBar->Font();
}

String TAxisBarTitleVz::DefaultCaption() {
    if (TField* f = FAxisBar->Field()) return f->DisplayName();
    return FAxisBar->FieldName();
}

bool TAxisBarTitleVz::DefaultTitleButton() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    return g && g->AxisBarDefValues() && g->AxisBarDefValues()->Title()->TitleButton();
}

bool TAxisBarTitleVz::DefaultEndEllipsis() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    return g && g->AxisBarDefValues() && g->AxisBarDefValues()->Title()->EndEllipsis();
}

bool TAxisBarTitleVz::DefaultToolTips() {
    IAxisBarsGridVz* g = FAxisBar->Grid();
    return g && g->AxisBarDefValues() && g->AxisBarDefValues()->Title()->ToolTips();
}

TAlignment TAxisBarTitleVz::Alignment() { return Assigned(cvTitleAlignment) ? FAlignment : DefaultAlignment(); }
TColor TAxisBarTitleVz::Color() { return Assigned(cvTitleColor) ? FColor : DefaultColor(); }
String TAxisBarTitleVz::Caption() { return Assigned(cvTitleCaption) ? FCaption : DefaultCaption(); }
bool TAxisBarTitleVz::EndEllipsis() { return Assigned(cvTitleEndEllipsis) ? FEndEllipsis : DefaultEndEllipsis(); }
bool TAxisBarTitleVz::TitleButton() { return Assigned(cvTitleButton) ? FTitleButton : DefaultTitleButton(); }
bool TAxisBarTitleVz::ToolTips() { return Assigned(cvTitleToolTips) ? FToolTips : DefaultToolTips(); }

TFont* TAxisBarTitleVz::Font() {
    if (!Assigned(cvTitleFont)) {
        TFont* def = DefaultFont();
        if (def != &FFont && TitleFontsDiffer(FFont, *def)) SyncFontSilently();
    }
    return &FFont;
}

void TAxisBarTitleVz::SetAlignment(TAlignment Value) {
    if (Assigned(cvTitleAlignment) && Value == FAlignment) return;
    FAlignment = Value;
    Include(cvTitleAlignment);
    FAxisBar->NotifyChanged(false);
}

void TAxisBarTitleVz::SetColor(TColor Value) {
    if (Assigned(cvTitleColor) && Value == FColor) return;
    FColor = Value;
    Include(cvTitleColor);
    FAxisBar->NotifyChanged(false);
}

void TAxisBarTitleVz::SetTitleButton(bool Value) {
    if (Assigned(cvTitleButton) && Value == FTitleButton) return;
    FTitleButton = Value;
    Include(cvTitleButton);
    FAxisBar->NotifyChanged(false);
}

void TAxisBarTitleVz::SetEndEllipsis(bool Value) {
    if (Assigned(cvTitleEndEllipsis) && Value == FEndEllipsis) return;
    FEndEllipsis = Value;
    Include(cvTitleEndEllipsis);
    FAxisBar->NotifyChanged(false);
}

void TAxisBarTitleVz::SetToolTips(bool Value) {
    if (Assigned(cvTitleToolTips) && Value == FToolTips) return;
    FToolTips = Value;
    Include(cvTitleToolTips);
}

void TAxisBarTitleVz::SetCaption(const String& Value) {
    if (FAxisBar->IsDefaultBar()) {
        IAxisBarsGridVz* g = FAxisBar->Grid();
        TAxisGridDataLinkVz* link = g ? g->AxisGridDataLink() : nullptr;
        if (link && link->Active())
            if (TField* f = FAxisBar->Field()) f->SetDisplayLabel(Value);
        return;
    }
    if (Assigned(cvTitleCaption) && Value == FCaption) return;
    FCaption = Value;
    Include(cvTitleCaption);
    FAxisBar->NotifyChanged(false);
}

void TAxisBarTitleVz::SetImageIndex(int Value) {
    FImageIndex = Value;
    IAxisBarsGridVz* g = FAxisBar->Grid();
    TCollection* c = FAxisBar->Collection();
    if (g && !(c && c->UpdateCount() > 0)) {
        g->BeginLayout();
        g->EndLayout();
    }
}

void TAxisBarTitleVz::SetPopupMenu(TPopupMenu* Value) {
    if (Value == FPopupMenu) return;
    FPopupMenu = Value;
    IAxisBarsGridVz* g = FAxisBar->Grid();
    if (Value && g && g->AxisGridComponent()) Value->FreeNotification(g->AxisGridComponent());
}

bool TAxisBarTitleVz::IsAlignmentStored() { return Assigned(cvTitleAlignment) && FAlignment != DefaultAlignment(); }
bool TAxisBarTitleVz::IsColorStored() { return Assigned(cvTitleColor) && FColor != DefaultColor(); }
bool TAxisBarTitleVz::IsCaptionStored() { return Assigned(cvTitleCaption) && FCaption != DefaultCaption(); }
bool TAxisBarTitleVz::IsFontStored() { return Assigned(cvTitleFont); }
bool TAxisBarTitleVz::IsTitleButtonStored() { return Assigned(cvTitleButton) && FTitleButton != DefaultTitleButton(); }
bool TAxisBarTitleVz::IsEndEllipsisStored() { return Assigned(cvTitleEndEllipsis) && FEndEllipsis != DefaultEndEllipsis(); }
bool TAxisBarTitleVz::IsToolTipsStored() { return Assigned(cvTitleToolTips) && FToolTips != DefaultToolTips(); }

void TAxisBarTitleVz::RestoreDefaults() {
    const bool fontWasAssigned = Assigned(cvTitleFont);
    for (TAxisBarVzValue v : {cvTitleColor, cvTitleCaption, cvTitleAlignment, cvTitleFont, cvTitleButton,
                              cvTitleEndEllipsis, cvTitleToolTips, cvTitleOrientation})
        FAxisBar->FAssignedValues.Exclude(v);
    FCaption.clear();
    SyncFontSilently();
    FAxisBar->NotifyChanged(fontWasAssigned);
}

void TAxisBarTitleVz::Assign(TPersistent* Source) {
    auto* s = dynamic_cast<TAxisBarTitleVz*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    if (s->Assigned(cvTitleAlignment)) SetAlignment(s->Alignment());
    if (s->Assigned(cvTitleColor)) SetColor(s->Color());
    if (s->Assigned(cvTitleCaption)) SetCaption(s->Caption());
    if (s->Assigned(cvTitleFont)) SetFont(s->Font());
    SetHint(s->Hint());
    SetPopupMenu(s->PopupMenu());
    SetImageIndex(s->ImageIndex());
    SetTitleButton(s->TitleButton());
    SetEndEllipsis(s->EndEllipsis());
    SetToolTips(s->ToolTips());
}
