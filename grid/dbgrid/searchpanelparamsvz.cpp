#include "grid/dbgrid/searchpanelparamsvz.h"

namespace {
constexpr TShortCut SearchPanelDefaultShortCutVz = scCtrl | Word('F');
}  // namespace

TDBGridSearchPanelVz::TDBGridSearchPanelVz(TComponent* AOwner, ISearchPanelGridVz* AGrid)
    : TComponent(AOwner), FGrid(AGrid), FShortCut(SearchPanelDefaultShortCutVz) {}

void TDBGridSearchPanelVz::Published(TPublished<TDBGridSearchPanelVz>& P) {
    P.Boolean("CaseSensitive", &TDBGridSearchPanelVz::CaseSensitive, &TDBGridSearchPanelVz::SetCaseSensitive);
    P.Boolean("Enabled", &TDBGridSearchPanelVz::Enabled, &TDBGridSearchPanelVz::SetEnabled);
    P.Boolean("FilterEnabled", &TDBGridSearchPanelVz::FilterEnabled, &TDBGridSearchPanelVz::SetFilterEnabled);
    P.Boolean("FilterOnTyping", &TDBGridSearchPanelVz::FilterOnTyping, &TDBGridSearchPanelVz::SetFilterOnTyping);
    P.Enum("Location", &TDBGridSearchPanelVz::Location, &TDBGridSearchPanelVz::SetLocation,
           {"splGridTopVz", "splHorzScrollBarExtraPanelVz", "splExternal"});
    P.Set("OptionsPopupMenuItems", &TDBGridSearchPanelVz::OptionsPopupMenuItems,
          &TDBGridSearchPanelVz::SetOptionsPopupMenuItems,
          {"gsmuSearchScopesVz", "gsmuCaseSensitiveVz", "gsmuWholeWordsVz", "gsmuBeginsWithVz"});
    P.Boolean("PersistentShowing", &TDBGridSearchPanelVz::PersistentShowing, &TDBGridSearchPanelVz::SetPersistentShowing);
    P.Enum("SearchScope", &TDBGridSearchPanelVz::SearchScope, &TDBGridSearchPanelVz::SetSearchScope,
           {"gssCurrentColumnVz", "gssEntireGridVz"});
    P.Integer("ShortCut", &TDBGridSearchPanelVz::ShortCut, &TDBGridSearchPanelVz::SetShortCut);
    P.Boolean("CellBeginsWithMode", &TDBGridSearchPanelVz::CellBeginsWithMode,
              &TDBGridSearchPanelVz::SetCellBeginsWithMode);
    P.Boolean("WholeWords", &TDBGridSearchPanelVz::WholeWords, &TDBGridSearchPanelVz::SetWholeWords);
}

bool TDBGridSearchPanelVz::IsShortCutStored() const { return FShortCut != SearchPanelDefaultShortCutVz; }

void TDBGridSearchPanelVz::SetEnabled(bool Value) {
    if (FEnabled == Value) return;
    FEnabled = Value;
    SetVisible((FPersistentShowing || !FSearchingText.isEmpty()) && Value);
}

void TDBGridSearchPanelVz::SetCaseSensitive(bool Value) {
    if (FCaseSensitive == Value) return;
    FCaseSensitive = Value;
    if (FGrid) FGrid->SearchPanelInvalidate();
}

void TDBGridSearchPanelVz::SetFilterEnabled(bool Value) {
    if (FFilterEnabled == Value) return;
    FFilterEnabled = Value;
    if (FGrid) FGrid->SearchPanelReplaceControl();
}

void TDBGridSearchPanelVz::SetLocation(TSearchPanelLocationVz Value) {
    if (FLocation == Value) return;
    FLocation = Value;
    if (FGrid) FGrid->SearchPanelReplaceControl();
}

void TDBGridSearchPanelVz::SetOptionsPopupMenuItems(TDBGridSearchPanelOptionMenuItemsVz Value) {
    if (FOptionsPopupMenuItems == Value) return;
    FOptionsPopupMenuItems = Value;
    if (FGrid) FGrid->SearchPanelResetVisibleControls();
}

void TDBGridSearchPanelVz::SetPersistentShowing(bool Value) {
    if (FPersistentShowing == Value) return;
    FPersistentShowing = Value;
    if ((Value || !FSearchingText.isEmpty()) && FEnabled) SetVisible(true);
    else if (!Value && !Active()) SetVisible(false);
}

void TDBGridSearchPanelVz::SetSearchScope(TDBGridSearchPanelScopeVz Value) {
    if (FSearchScope == Value) return;
    FSearchScope = Value;
    if (FGrid) FGrid->SearchPanelInvalidate();
}

void TDBGridSearchPanelVz::SetCellBeginsWithMode(bool Value) {
    if (FCellBeginsWithMode == Value) return;
    FCellBeginsWithMode = Value;
    if (FGrid) FGrid->SearchPanelInvalidate();
}

void TDBGridSearchPanelVz::SetWholeWords(bool Value) {
    if (FWholeWords == Value) return;
    FWholeWords = Value;
    if (FGrid) FGrid->SearchPanelInvalidate();
}

void TDBGridSearchPanelVz::SetVisible(bool Value) {
    if (FVisible == Value) return;
    FVisible = Value;
    if (FGrid) FGrid->SearchPanelReplaceControl();
}

void TDBGridSearchPanelVz::SetSearchingText(const String& Value) {
    if (FSearchingText == Value) return;
    FSearchingText = Value;
    if (FLocation != splExternal && FGrid) FGrid->SearchPanelSetEditorText(Value, Value.isEmpty());
    if (FPersistentShowing || !Value.isEmpty()) SetVisible(true);
    if (FGrid) FGrid->SearchPanelInvalidate();
}

bool TDBGridSearchPanelVz::Active() {
    if (FLocation == splExternal || !FGrid) return FActive;
    return FGrid->SearchEditorMode();
}

void TDBGridSearchPanelVz::SetActive(bool Value) {
    if (FLocation == splExternal || !FGrid) SetActiveState(Value);
    else FGrid->SetSearchEditorMode(Value);
}

bool TDBGridSearchPanelVz::Editing() {
    if (FLocation == splExternal || !FGrid) return FActive;
    return FGrid->SearchPanelControlShowing() && FGrid->SearchPanelEditorFocused();
}

void TDBGridSearchPanelVz::SetActiveState(bool Value) {
    const bool editing = Editing();
    if (Value && !editing) {
        if (FLocation != splExternal) {
            SetVisible(true);
            if (FGrid && FGrid->SearchPanelControlShowing()) FGrid->SearchPanelFocusEditor();
        }
        FActive = true;
        if (FGrid) FGrid->SearchPanelInvalidate();
    } else if (!Value && editing) {
        if (FLocation != splExternal) {
            if (FGrid) FGrid->SearchPanelFocusGrid();
            if (!FPersistentShowing && FSearchingText.isEmpty()) SetVisible(false);
        }
        FActive = false;
        if (FGrid) FGrid->SearchPanelInvalidate();
    }
}

void TDBGridSearchPanelVz::SetFoundColumnIndex(int Value) {
    if (FFoundColumnIndex == Value) return;
    if (FGrid) FGrid->SearchPanelShowColumn(Value);
    FFoundColumnIndex = Value;
    if (FGrid) FGrid->SearchPanelInvalidateRow();
}

TLocateTextOptionsVz TDBGridSearchPanelVz::FindOptions(bool WithWholeWords) const {
    TLocateTextOptionsVz o = {ltoCaseInsensitiveVz, ltoIgnoteCurrentPosVz, ltoStopOnEscapeVz, ltoRestartAfterLastHitVz,
                              ltoStopKeyMessageVz};
    if (FSearchScope == gssEntireGridVz) o.Include(ltoAllFieldsVz);
    if (WithWholeWords && FWholeWords) o.Include(ltoWholeWordsVz);
    return o;
}

bool TDBGridSearchPanelVz::FindNext() {
    if (!FGrid) return false;
    return FGrid->SearchPanelLocateText(String(), FSearchingText, FindOptions(true), ltdDownVz,
                                        FSearchingText.isEmpty() ? ltmWholeVz : ltmAnyPartVz, lttInAllNodesVz, 0);
}

bool TDBGridSearchPanelVz::FindPrev() {
    if (!FGrid) return false;
    return FGrid->SearchPanelLocateText(String(), FSearchingText, FindOptions(false), ltdUpVz,
                                        FSearchingText.isEmpty() ? ltmWholeVz : ltmAnyPartVz, lttInAllNodesVz, 0);
}

bool TDBGridSearchPanelVz::RestartFind(int TimeOut) {
    if (!FGrid) return false;
    return FGrid->SearchPanelLocateText(String(), FSearchingText, FindOptions(false), ltdAllVz,
                                        FSearchingText.isEmpty() ? ltmWholeVz : ltmAnyPartVz, lttInAllNodesVz, TimeOut);
}

void TDBGridSearchPanelVz::ApplySearchFilter() {
    if (FGrid) FGrid->ApplySearchFilter(FSearchingText);
}

void TDBGridSearchPanelVz::CancelSearchFilter() {
    if (FGrid) FGrid->ClearSearchFilter();
}

int TDBGridSearchPanelVz::InGridVertCaptureSize() {
    return FVisible && FLocation == splGridTopVz && FGrid ? FGrid->SearchPanelControlHeight() : 0;
}
