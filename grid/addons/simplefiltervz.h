// The custom filter dialog of a data grid column: up to two conditions, each an operator picked
// from a list and a value typed or picked from the column's values, joined by AND or OR. It reads
// the column's filter into the conditions and, on OK, writes them back as the filter's text, which
// the column filter parses. One dialog serves the process.
#pragma once

#include "grid/dbgrid/filterexprvz.h"
#include "platform/gui/forms.h"

#include <vector>

class TBevel;
class TButton;
class TColumnVz;
class TComboBox;
class TDBComboBoxVz;
class TEdit;
class TLabel;
class TRadioButton;
class TSTColumnFilterVz;
class TStrings;



// Operator tags of a condition's list; the tag, not the position, carries the meaning.
enum TSimpleFilterTagVz {
    sftNoneVz, sftEqualsVz, sftNotEqualVz, sftGreaterVz, sftGreaterOrEqualVz, sftLessVz, sftLessOrEqualVz,
    sftBeginsWithVz, sftNotBeginsWithVz, sftEndsWithVz, sftNotEndsWithVz, sftContainsVz, sftNotContainsVz,
    sftLikeVz, sftNotLikeVz, sftInListVz, sftNotInListVz, sftIsBlankVz, sftIsNotBlankVz
};

// The text of one condition: the operator's piece and the value (quoted, with its quotes doubled,
// when Quote is set and the operator compares texts or values; in brackets for the lists).
String SimpleFilterConditionTextVz(int Tag, const String& Value, bool Quote);
// The tag that shows a filter operation in the dialog, and the value text it shows with it
// (wildcards at the ends of a LIKE pattern become the tag's meaning). -1 when no item shows it.
int SimpleFilterTagOfOperationVz(TSTFilterOperatorVz Operator, String& ValueText);
// A column is a text column unless its field reads as a number, a date-time or a Boolean.
bool SimpleFilterIsTextColumnVz(TColumnVz* Column);

class TDBGridVzSimpleFilterDialog : public TForm {
    SDELKA_CLASS(TDBGridVzSimpleFilterDialog, TForm)
protected:
    explicit TDBGridVzSimpleFilterDialog(TComponent* AOwner);
    ~TDBGridVzSimpleFilterDialog() override;

public:
    // The shared dialog, made with the application as owner on first use.
    static TDBGridVzSimpleFilterDialog* Shared();

    TColumnVz* Column = nullptr;
    bool ChildrenRightToLeft = false;

    void Init();
    void InitSignComboBox(TComboBox* Box);
    void InitValuesComboBox(TDBComboBoxVz* Box, const TPoint& Pos);
    void FillColumnValueList(TStrings* Items);
    void FillDialogFromColumnFilter(TSTColumnFilterVz* Filter);
    void FillDialogFromColumnFilter1(TSTFilterOperatorVz Operator, const Variant& Operand, TDBComboBoxVz* ValueBox,
                                     TComboBox* OperatorBox);
    // Writes the conditions into the column filter (raises when the filter rejects the text).
    void SetFilterFromDialog();
    String SetFilterFromDialog1(TComboBox* OperatorBox, TDBComboBoxVz* ValueBox);
    virtual void UpdateLanguageVars();
    // The tag of the selected operator of a list (0 with nothing selected), and selecting by tag.
    int SelectedTag(TComboBox* Box) const;
    void SelectTag(TComboBox* Box, int Tag);

    TLabel* Label1 = nullptr;
    TBevel* Bevel1 = nullptr;
    TComboBox* ComboBox1 = nullptr;
    TEdit* Edit1 = nullptr;
    TRadioButton* rbAnd = nullptr;
    TRadioButton* rbOr = nullptr;
    TComboBox* ComboBox2 = nullptr;
    TEdit* Edit2 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TButton* bOk = nullptr;
    TButton* bCancel = nullptr;
    TDBComboBoxVz* DBComboBoxVz1 = nullptr;
    TDBComboBoxVz* DBComboBoxVz2 = nullptr;

private:
    void FormCloseQuery(TObject* Sender, bool& CanClose);
    std::vector<int>& TagsOf(TComboBox* Box) { return Box == ComboBox1 ? FTags1 : FTags2; }
    const std::vector<int>& TagsOf(TComboBox* Box) const { return Box == ComboBox1 ? FTags1 : FTags2; }

    std::vector<int> FTags1;
    std::vector<int> FTags2;
};

// Shows the shared dialog for a column; true when it closed with OK (the filter text written).
bool ShowSimpleFilterDialog(TColumnVz* Column);
