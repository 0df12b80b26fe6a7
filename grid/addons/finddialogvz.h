// The data grid's "find text" dialog: the user types a text, picks a column (or all of them), the
// kind of match, the direction, case and format sensitivity and, for data shown as a tree, which
// nodes to search, and steps from match to match with "find next". The search itself is the grid's
// text search through its behaviour centre; the dialog only collects its parameters. One dialog
// serves the process; it keeps its settings and the history of searched texts between uses.
#pragma once

#include "grid/dbgrid/textsearchvz.h"
#include "platform/gui/forms.h"

#include <vector>

class TButton;
class TColumnVz;
class TCustomDBGridVz;
class TDBCheckBoxVz;
class TDBComboBoxVz;
class TLabel;

// A caller-supplied entry of the column box.
struct TColumnFieldItemVz {
    String Caption;
    TColumnVz* Column = nullptr;
};

// What one "find next" asks of the grid's text search.
struct TFindDialogSearchVz {
    String FieldName;
    TLocateTextOptionsVz Options;
    TLocateTextDirectionVz Direction = ltdAllVz;
    TLocateTextMatchingVz Matching = ltmAnyPartVz;
    TLocateTextTreeFindRangeVz TreeFindRange = lttInAllNodesVz;
};

class TDBGridVzFindDlg : public TForm {
    SDELKA_CLASS(TDBGridVzFindDlg, TForm)
protected:
    explicit TDBGridVzFindDlg(TComponent* AOwner);
    ~TDBGridVzFindDlg() override;

public:
    // The shared dialog, made with the application as owner on first use.
    static TDBGridVzFindDlg* Shared();

    void Execute(TCustomDBGridVz* AGrid, const String& Text, const String& ColumnFieldName,
                 const std::vector<TColumnFieldItemVz>& ColumnFields, bool Modal);

    TCustomDBGridVz* Grid() const { return FGrid; }
    bool IsFirstTry = true;

    // "Find next": one search with the dialog's settings; InvertDirection as Ctrl held does.
    // True when the search found a cell.
    bool FindNext(bool InvertDirection);
    // The search parameters the settings give (the direction already adjusted).
    TFindDialogSearchVz SearchParams(bool InvertDirection) const;
    virtual void UpdateLanguageVars();

    TLabel* Label1 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* cbMatchType = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TDBComboBoxVz* cbText = nullptr;
    TDBComboBoxVz* cbFindIn = nullptr;
    TDBComboBoxVz* cbMatchinType = nullptr;
    TDBComboBoxVz* cbFindDirection = nullptr;
    TDBCheckBoxVz* cbCharCase = nullptr;
    TDBCheckBoxVz* cbUseFormat = nullptr;
    TButton* bFind = nullptr;
    TButton* bCancel = nullptr;
    TDBComboBoxVz* dbcTreeFindRange = nullptr;

protected:
    void DoShow() override;

private:
    void bFindClick(TObject* Sender);
    void bCancelClick(TObject* Sender);
    void cbTextChange(TObject* Sender);
    void cbFindInChange(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FillColumnsList();
    void FillFindColumnsList();
    bool AllColumnsSelected() const;
    // Replaces the shown items of a box, keeping its key items and its selected index.
    static void SetShownItems(TDBComboBoxVz* Box, std::initializer_list<String> Texts);

    TCustomDBGridVz* FGrid = nullptr;
    int FSourceHeight = 0;
    std::vector<TColumnFieldItemVz> FColumnFields;
    std::vector<TColumnVz*> FFindColumnsList;
    int FCurInListColIndex = -1;
    bool FModal = false;
};

// Opens the shared find dialog for a grid (the grid's find-dialog shortcut calls this).
void DefaultExecuteFindDialog(TCustomDBGridVz* AGrid, const String& Text, const String& ColumnFieldName,
                              const std::vector<TColumnFieldItemVz>& ColumnFields, bool Modal);
