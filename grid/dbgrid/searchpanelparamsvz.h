// The grid's search panel settings and state (the grid's SearchPanel): what the panel searches,
// how, whether it shows, and the text being searched. The panel control itself belongs to the
// grid add-ons; the settings reach the grid only through ISearchPanelGridVz.
#pragma once

#include "grid/dbgrid/textsearchvz.h"
#include "platform/gui/graphics.h"
#include "platform/gui/shortcuts.h"
#include "platform/rtl/classes.h"

// What the search panel settings ask of the grid.
class ISearchPanelGridVz {
public:
    virtual void SearchPanelInvalidate() = 0;              // repaint the grid
    virtual void SearchPanelInvalidateRow() = 0;           // repaint the current row
    virtual void SearchPanelReplaceControl() = 0;          // re-place the panel control
    virtual void SearchPanelResetVisibleControls() = 0;    // the panel control's option buttons
    virtual bool SearchEditorMode() = 0;
    virtual void SetSearchEditorMode(bool Value) = 0;
    // The panel control: shown, its find editor visible and focused, its text, its height.
    virtual bool SearchPanelControlShowing() = 0;
    virtual bool SearchPanelEditorFocused() = 0;
    virtual void SearchPanelFocusEditor() = 0;
    virtual void SearchPanelSetEditorText(const String& Text, bool Empty) = 0;
    virtual int SearchPanelControlHeight() = 0;
    virtual void SearchPanelFocusGrid() = 0;
    // Brings the column's cell of the current row into view (row select) or selects the column.
    virtual void SearchPanelShowColumn(int Index) = 0;
    // The grid's LocateText (through its centre) with its own cell test.
    virtual bool SearchPanelLocateText(const String& FieldName, const String& Text, TLocateTextOptionsVz Options,
                                       TLocateTextDirectionVz Direction, TLocateTextMatchingVz Matching,
                                       TLocateTextTreeFindRangeVz TreeFindRange, int TimeOut) = 0;
    virtual void ApplySearchFilter(const String& Text) = 0;
    virtual void ClearSearchFilter() = 0;

protected:
    ~ISearchPanelGridVz() = default;
};

enum TSearchPanelLocationVz { splGridTopVz, splHorzScrollBarExtraPanelVz, splExternal };
enum TDBGridSearchPanelOptionMenuItemVz { gsmuSearchScopesVz, gsmuCaseSensitiveVz, gsmuWholeWordsVz, gsmuBeginsWithVz };
using TDBGridSearchPanelOptionMenuItemsVz = TSet<TDBGridSearchPanelOptionMenuItemVz>;
enum TDBGridSearchPanelScopeVz { gssCurrentColumnVz, gssEntireGridVz };

class TDBGridSearchPanelVz : public TComponent {
    SDELKA_CLASS(TDBGridSearchPanelVz, TComponent)
protected:
    TDBGridSearchPanelVz(TComponent* AOwner, ISearchPanelGridVz* AGrid);
    explicit TDBGridSearchPanelVz(TComponent* AOwner) : TDBGridSearchPanelVz(AOwner, nullptr) {}
    ~TDBGridSearchPanelVz() override = default;

public:
    static void Published(TPublished<TDBGridSearchPanelVz>& P);

    ISearchPanelGridVz* Grid() const { return FGrid; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool Value);
    bool FilterEnabled() const { return FFilterEnabled; }
    void SetFilterEnabled(bool Value);
    bool FilterOnTyping() const { return FFilterOnTyping; }
    void SetFilterOnTyping(bool Value) { FFilterOnTyping = Value; }
    TSearchPanelLocationVz Location() const { return FLocation; }
    void SetLocation(TSearchPanelLocationVz Value);
    TDBGridSearchPanelOptionMenuItemsVz OptionsPopupMenuItems() const { return FOptionsPopupMenuItems; }
    void SetOptionsPopupMenuItems(TDBGridSearchPanelOptionMenuItemsVz Value);
    bool PersistentShowing() const { return FPersistentShowing; }
    void SetPersistentShowing(bool Value);
    TDBGridSearchPanelScopeVz SearchScope() const { return FSearchScope; }
    void SetSearchScope(TDBGridSearchPanelScopeVz Value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut Value) { FShortCut = Value; }
    bool IsShortCutStored() const;
    bool CellBeginsWithMode() const { return FCellBeginsWithMode; }
    void SetCellBeginsWithMode(bool Value);
    bool WholeWords() const { return FWholeWords; }
    void SetWholeWords(bool Value);

    bool Active();
    void SetActive(bool Value);
    // What activation does to the panel (the grid calls it when its search editor mode changes).
    void SetActiveState(bool Value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool Value);
    const String& SearchingText() const { return FSearchingText; }
    void SetSearchingText(const String& Value);
    void StoreSearchingText(const String& Text) { FSearchingText = Text; }
    int FoundColumnIndex() const { return FFoundColumnIndex; }
    void SetFoundColumnIndex(int Value);

    virtual TColor GetFoundTextColor() { return TColor(0x96FFFF); }         // RGB(255,255,150)
    virtual TColor GetCurrentFoundTextColor() { return TColor(0x5796FD); }  // RGB(253,150,87)

    bool FindNext();
    bool FindPrev();
    bool RestartFind(int TimeOut);
    void ApplySearchFilter();
    void CancelSearchFilter();
    // The height the grid keeps above its cells for the panel.
    int InGridVertCaptureSize();

private:
    bool Editing();
    TLocateTextOptionsVz FindOptions(bool WithWholeWords) const;

    ISearchPanelGridVz* FGrid;
    bool FEnabled = false;
    bool FCaseSensitive = false;
    bool FFilterEnabled = true;
    bool FFilterOnTyping = false;
    TSearchPanelLocationVz FLocation = splGridTopVz;
    TDBGridSearchPanelOptionMenuItemsVz FOptionsPopupMenuItems = {gsmuSearchScopesVz, gsmuCaseSensitiveVz,
                                                                  gsmuWholeWordsVz, gsmuBeginsWithVz};
    bool FPersistentShowing = true;
    TDBGridSearchPanelScopeVz FSearchScope = gssEntireGridVz;
    TShortCut FShortCut;
    bool FCellBeginsWithMode = false;
    bool FWholeWords = false;
    bool FActive = false;
    bool FVisible = false;
    String FSearchingText;
    int FFoundColumnIndex = 0;
};
