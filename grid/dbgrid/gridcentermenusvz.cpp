// The behaviour centre's menus: the indicator title's column list and the search panel's options.
#include "grid/core/uitextsvz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/dbgrid/searchpanelparamsvz.h"
#include "platform/gui/menus.h"

namespace {

// An item that keeps its menu open on a click (StayOpen) and knows what it stands for.
class TDBGridVzMenuItem : public TMenuItem {
    SDELKA_CLASS(TDBGridVzMenuItem, TMenuItem)
protected:
    explicit TDBGridVzMenuItem(TComponent* AOwner) : TMenuItem(AOwner) {}
    ~TDBGridVzMenuItem() override = default;

public:
    bool CloseMenuOnClickRequested() const override { return !StayOpen; }
    bool StayOpen = true;
    TDBGridSearchPanelVz* Panel = nullptr;
    int Kind = 0;
};

class TColumnVzMenuItem : public TMenuItem {
    SDELKA_CLASS(TColumnVzMenuItem, TMenuItem)
protected:
    explicit TColumnVzMenuItem(TComponent* AOwner) : TMenuItem(AOwner) {}
    ~TColumnVzMenuItem() override = default;

public:
    bool CloseMenuOnClickRequested() const override { return false; }
    TColumnVz* ColumnVz = nullptr;
};

enum TSearchPanelMenuKindVz { spmScopeVz, spmCurrentColumnVz, spmEntireGridVz, spmCaseVz, spmWordsVz, spmBeginsVz, spmCloseVz };

}  // namespace

void TDBGridVzCenter::BuildIndicatorTitleMenu(TCustomDBGridVz* Grid, TPopupMenu*& PopupMenu) {
    const auto* t = GetViZevLanguageConsts();
    if (!PopupMenu) {
        if (!FIndicatorTitleMenu) {
            FIndicatorTitleMenu = New<TPopupMenu>(nullptr);
            FIndicatorTitleMenu->SetName(u"DBGridVzIndicatorTitlePopupMenu"_S);
            FIndicatorTitleMenu->SetStayOpenItems(true);
        }
        FIndicatorTitleMenu->Items()->Clear();
        PopupMenu = FIndicatorTitleMenu;
    } else if (PopupMenu->Items()->Count() > 0) {
        TMenuItem* line = New<TMenuItem>(PopupMenu);
        line->SetCaption(u"-"_S);
        PopupMenu->Items()->Add(line);
    }
    if (!IndicatorTitleMenus.Contains(itmVisibleColumnsVz) || !Grid) return;
    TMenuItem* columns = New<TMenuItem>(PopupMenu);
    columns->SetCaption(t->VisibleColumns());
    PopupMenu->Items()->Add(columns);
    for (int i = 0; i < Grid->Columns()->Count(); ++i) {
        TColumnVz* c = Grid->Columns()->Items(i);
        String caption = c->Title()->Caption();
        if (caption.isEmpty()) continue;
        if (Grid->UseMultiTitle()) caption.replace(u'|', u" - "_S);
        auto* item = New<TColumnVzMenuItem>(PopupMenu);
        item->ColumnVz = c;
        item->SetCaption(caption);
        item->SetChecked(c->Visible());
        item->OnClick = [this](TObject* Sender) { MenuVisibleColumnClick(Sender); };
        columns->Add(item);
    }
}

void TDBGridVzCenter::MenuVisibleColumnClick(TObject* Sender) {
    auto* item = dynamic_cast<TColumnVzMenuItem*>(Sender);
    if (!item || !item->ColumnVz) return;
    TColumnVz* c = item->ColumnVz;
    TCustomDBGridVz* g = c->Grid();
    if (!g) return;
    if (c->Visible() && g->VisibleColumns().Count() < 2) return;
    if (g->IsEditorVisible()) {
        g->HideInplaceEditor();
        c->SetVisible(!c->Visible());
        g->ShowEditor();
    } else {
        g->SetFilterEditMode(false);
        c->SetVisible(!c->Visible());
    }
    item->SetChecked(!item->Checked());
}

void TDBGridVzCenter::BuildSearchPanelOptionsPopupMenu(TDBGridSearchPanelVz* Panel, TPopupMenu*& PopupMenu) {
    const auto* t = GetViZevLanguageConsts();
    if (!PopupMenu) {
        if (!FSearchPanelMenu) {
            FSearchPanelMenu = New<TPopupMenu>(nullptr);
            FSearchPanelMenu->SetStayOpenItems(true);
        }
        FSearchPanelMenu->Items()->Clear();
        PopupMenu = FSearchPanelMenu;
    }
    auto make = [&](int Kind, const String& Caption, bool Checked) {
        auto* item = New<TDBGridVzMenuItem>(PopupMenu);
        item->Kind = Kind;
        item->Panel = Panel;
        item->StayOpen = Kind != spmCloseVz;
        item->SetCaption(Caption);
        item->SetChecked(Checked);
        if (Kind != spmScopeVz) item->OnClick = [this](TObject* Sender) { MenuSearchPanelOptionsClick(Sender); };
        return item;
    };
    const TDBGridSearchPanelOptionMenuItemsVz wanted = Panel->OptionsPopupMenuItems();
    TMenuItem* root = PopupMenu->Items();
    if (wanted.Contains(gsmuSearchScopesVz)) {
        TMenuItem* scope = make(spmScopeVz, t->SearchScopeVz(), false);
        scope->Add({make(spmCurrentColumnVz, t->CurrentColumnVz(), Panel->SearchScope() == gssCurrentColumnVz),
                    make(spmEntireGridVz, t->TheEntireGridVz(), Panel->SearchScope() == gssEntireGridVz)});
        root->Add(scope);
    }
    if (wanted.Contains(gsmuCaseSensitiveVz)) root->Add(make(spmCaseVz, t->CaseSensitiveVz(), Panel->CaseSensitive()));
    if (wanted.Contains(gsmuWholeWordsVz)) root->Add(make(spmWordsVz, t->WholeWordsVz(), Panel->WholeWords()));
    if (wanted.Contains(gsmuBeginsWithVz))
        root->Add(make(spmBeginsVz, t->BeginsWithVz(), Panel->CellBeginsWithMode()));
    if (root->Count() > 0) root->Add(make(spmCloseVz, t->CloseInBracketsVz(), false));
}

void TDBGridVzCenter::MenuSearchPanelOptionsClick(TObject* Sender) {
    auto* item = dynamic_cast<TDBGridVzMenuItem*>(Sender);
    if (!item || !item->Panel) return;
    TDBGridSearchPanelVz* panel = item->Panel;
    switch (item->Kind) {
        case spmCurrentColumnVz:
        case spmEntireGridVz: {
            const bool wasChecked = item->Checked();
            item->SetChecked(!wasChecked);
            // The other scope item takes the opposite check.
            if (TMenuItem* parent = item->Parent())
                for (int i = 0; i < parent->Count(); ++i)
                    if (parent->Items(i) != item) parent->Items(i)->SetChecked(wasChecked);
            const bool current = item->Kind == spmCurrentColumnVz ? !wasChecked : wasChecked;
            panel->SetSearchScope(current ? gssCurrentColumnVz : gssEntireGridVz);
            break;
        }
        case spmCaseVz:
            item->SetChecked(!item->Checked());
            panel->SetCaseSensitive(item->Checked());
            break;
        case spmWordsVz:
            item->SetChecked(!item->Checked());
            panel->SetWholeWords(item->Checked());
            break;
        case spmBeginsVz:
            item->SetChecked(!item->Checked());
            panel->SetCellBeginsWithMode(item->Checked());
            break;
        default: break;
    }
}
