// TForm2 ("Работники"): the worker card of the workers directory. Adds (Tag 1) or edits (Tag 2)
// one worker of accounts_dep.person: the full name and the department text shown as the position.
#pragma once

#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

class TForm2 : public TForm {
    SDELKA_CLASS(TForm2, TForm)
protected:
    explicit TForm2(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm2() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;            // "Данные о работнике"
    TEdit* Edit1 = nullptr;                    // "ФИО"
    TDBLookupComboBox* LCB_department = nullptr;  // "Подразделение"
    TDBLookupComboBox* LCB_staffpos = nullptr;    // "Должность"
    TDBLookupComboBox* LCB_roles = nullptr;       // "Роль"
    TButton* Button1 = nullptr;                // "Записать"
    TButton* Button2 = nullptr;                // "Отмена"
    TADOTable* department = nullptr;
    TADOTable* staffpos = nullptr;
    TADOTable* roles = nullptr;
    TDataSource* DS_department = nullptr;
    TDataSource* DS_staffpos = nullptr;
    TDataSource* DS_roles = nullptr;

    // The worker being edited.
    int PersonId = 0;

    // Closes and reopens the three lookup tables (staffpos, roles, department), as the list does
    // before it shows the card.
    void ReopenLookups();
    // Whether a department was chosen in the lookup since the card was shown: an edit without a
    // choice keeps the worker's stored position text.
    bool DepartmentTouched() const { return FDepartmentTouched; }

    void FormActivate(TObject* Sender);
    void Button1Click(TObject* Sender);
    void LCB_departmentClick(TObject* Sender);
    void FormMouseWheel(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled);

private:
    bool FDepartmentTouched = false;
};

extern TForm2* Form2;
