// The text-search dialog of the preview window: a text and the match-case choice. Only the
// search button confirms; closing the dialog any other way cancels the search.
#pragma once

#include "platform/gui/forms.h"

class TLabel;
class TEdit;
class TCheckBox;
class TSpeedButton;

class TSearchDlg : public TForm {
    SDELKA_CLASS(TSearchDlg, TForm)
protected:
    explicit TSearchDlg(TComponent* AOwner) : TForm(AOwner) {}
    ~TSearchDlg() override = default;

public:
    void AfterConstruction() override;
    void FormCreate(TObject* Sender);
    // The edit's text (GetText is the control's own caption reader).
    String GetSearchText() const;
    bool GetCase() const;
    void SpeedButton1Click(TObject* Sender);  // cancel
    void SpeedButton2Click(TObject* Sender);  // search

    TLabel* Label1 = nullptr;
    TEdit* Edit1 = nullptr;
    TCheckBox* CheckBox1 = nullptr;
    TSpeedButton* SpeedButton1 = nullptr;
    TSpeedButton* SpeedButton2 = nullptr;
    // True unless the search button closed the dialog.
    bool cancel = true;
};
