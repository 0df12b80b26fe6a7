#include "report/rpsearchdlg.h"

#include "platform/gui/buttons.h"
#include "platform/gui/stdctrls.h"

void TSearchDlg::AfterConstruction() {
    SetName(QStringLiteral("SearchDlg"));
    SetCaption(QStringLiteral("Raport Preview : Text Search"));
    SetBorderStyle(bsDialog);
    SetBorderIcons({});
    SetPosition(poScreenCenter);
    Font()->SetName(QStringLiteral("Tahoma"));
    SetClientWidth(305);
    SetClientHeight(118);
    Label1 = NewControl<TLabel>(this, this, "Label1", 16, 16, 120, 13);
    Label1->SetCaption(QStringLiteral("Search for :"));
    Edit1 = NewControl<TEdit>(this, this, "Edit1", 16, 34, 273, 21);
    CheckBox1 = NewControl<TCheckBox>(this, this, "CheckBox1", 16, 62, 150, 17);
    CheckBox1->SetCaption(QStringLiteral("Match Case"));
    SpeedButton2 = NewControl<TSpeedButton>(this, this, "SpeedButton2", 128, 86, 77, 25);
    SpeedButton2->SetCaption(QStringLiteral("Search"));
    SpeedButton2->OnClick = TNotifyEvent(this, &TSearchDlg::SpeedButton2Click);
    SpeedButton1 = NewControl<TSpeedButton>(this, this, "SpeedButton1", 212, 86, 77, 25);
    SpeedButton1->SetCaption(QStringLiteral("Cancel"));
    SpeedButton1->OnClick = TNotifyEvent(this, &TSearchDlg::SpeedButton1Click);
    OnCreate = TNotifyEvent(this, &TSearchDlg::FormCreate);
    inherited::AfterConstruction();
}

void TSearchDlg::FormCreate(TObject*) {
    Label1->SetCaption(QStringLiteral("Search Text"));
    CheckBox1->SetCaption(QStringLiteral("Match case"));
    SpeedButton2->SetCaption(QStringLiteral("Search"));
    SpeedButton1->SetCaption(QStringLiteral("Cancel"));
    SetCaption(QStringLiteral("Search for Text"));
}

String TSearchDlg::GetSearchText() const { return Edit1->Text(); }
bool TSearchDlg::GetCase() const { return CheckBox1->Checked(); }

void TSearchDlg::SpeedButton1Click(TObject*) {
    cancel = true;
    SetModalResult(mrCancel);
}

void TSearchDlg::SpeedButton2Click(TObject*) {
    cancel = false;
    SetModalResult(mrOk);
}
