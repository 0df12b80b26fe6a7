#include "app/form2.h"

#include "app/datamodule.h"
#include "app/sqlrun.h"
#include "app/workers.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <cstdlib>

TForm2* Form2 = nullptr;

void TForm2::AfterConstruction() {
    SetName(QStringLiteral("Form2"));
    SetCaption(QStringLiteral("Работники"));
    SetBorderStyle(bsDialog);
    SetPosition(poScreenCenter);
    SetClientWidth(420);
    SetClientHeight(210);

    TADOConnection* db = DataModule6 ? DataModule6->ADO_DB : nullptr;
    auto table = [&](const char* Name, const char* Table, TADOTable*& T, TDataSource*& S, const char* Source) {
        T = New<TADOTable>(this);
        T->SetName(QString::fromLatin1(Name));
        if (db) T->SetConnection(db);
        T->SetTableName(QString::fromLatin1(Table));
        S = New<TDataSource>(this);
        S->SetName(QString::fromLatin1(Source));
        S->SetDataSet(T);
    };
    table("department", "cmn_department.department", department, DS_department, "DS_department");
    table("staffpos", "hrms_staffpos.staffpos", staffpos, DS_staffpos, "DS_staffpos");
    table("roles", "adm_role.roles", roles, DS_roles, "DS_roles");

    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 404, 156);
    GroupBox1->SetCaption(QStringLiteral("Данные о работнике"));
    const char* labels[] = {"ФИО", "Подразделение", "Должность", "Роль"};
    for (int i = 0; i < 4; ++i) {
        TLabel* l = NewControl<TLabel>(this, GroupBox1, ("Label" + std::to_string(i + 1)).c_str(), 8, 22 + i * 32, 110, 20);
        l->SetCaption(QString::fromUtf8(labels[i]));
    }
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 120, 20, 274, 24);
    auto lookup = [&](const char* Name, int Top, TDataSource* Source) {
        auto* c = NewControl<TDBLookupComboBox>(this, GroupBox1, Name, 120, Top, 274, 24);
        c->SetListSource(Source);
        c->SetKeyField(QStringLiteral("id"));
        c->SetListField(QStringLiteral("s_caption"));
        return c;
    };
    LCB_department = lookup("LCB_department", 52, DS_department);
    LCB_department->SetDropDownCount(10);
    LCB_department->OnClick = TNotifyEvent(this, &TForm2::LCB_departmentClick);
    LCB_staffpos = lookup("LCB_staffpos", 84, DS_staffpos);
    LCB_roles = lookup("LCB_roles", 116, DS_roles);

    Button1 = NewControl<TButton>(this, this, "Button1", 220, 172, 90, 30);
    Button1->SetCaption(QStringLiteral("Записать"));
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm2::Button1Click);
    Button2 = NewControl<TButton>(this, this, "Button2", 318, 172, 90, 30);
    Button2->SetCaption(QStringLiteral("Отмена"));
    Button2->SetCancel(true);
    Button2->SetModalResult(mrCancel);

    OnActivate = TNotifyEvent(this, &TForm2::FormActivate);
    OnMouseWheel = TMouseWheelEvent(this, &TForm2::FormMouseWheel);
    inherited::AfterConstruction();
}

void TForm2::ReopenLookups() {
    for (TADOTable* t : {staffpos, roles, department}) {
        t->Close();
        t->Open();
    }
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("accounts_dep.person"), QStringLiteral("fio"));
}

void TForm2::FormActivate(TObject*) {
    FDepartmentTouched = false;
    if (Edit1->CanFocus()) SetActiveControl(Edit1);
}

void TForm2::LCB_departmentClick(TObject*) { FDepartmentTouched = true; }

void TForm2::Button1Click(TObject*) {
    const String name = Trim(Edit1->Text());
    if (name.isEmpty()) {
        MessageBox(Handle(), QStringLiteral("ФИО нужно заполнить!"), QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    const String department = LCB_department->Text();
    // an edit keeps the stored position text unless a department was chosen in this card
    const bool newWorker = Tag() == 1;
    SaveWorker(DataModule6->ADO_DB, newWorker ? 0 : PersonId, name,
               newWorker || FDepartmentTouched ? std::optional<String>(department) : std::nullopt);
    SetModalResult(mrOk);  // the card closes
}

void TForm2::FormMouseWheel(TObject*, TShiftState, int WheelDelta, TPoint, bool& Handled) {
    TWinControl* focused = ActiveControl();
    if (focused != LCB_roles && focused != LCB_staffpos && focused != LCB_department) return;
    // each notch moves the focused lookup one row, down when the wheel turns towards the user,
    // as its Down and Up keys do (a user's choice: OnClick follows)
    auto* lookup = static_cast<TDBLookupComboBox*>(focused);
    const int notches = std::max(1, std::abs(WheelDelta) / 120);
    const int last = lookup->Items()->Count() - 1;
    if (last < 0) return;
    const int from = lookup->ItemIndex();
    const int to = std::clamp(from < 0 ? 0 : from + (WheelDelta < 0 ? notches : -notches), 0, last);
    if (to != from) lookup->SelectItem(to);
    Handled = true;
}
