#include "app/directories.h"

#include "app/datamodule.h"
#include "app/dirstore.h"
#include "app/recordcard.h"
#include "app/sqlrun.h"
#include "platform/db/fields.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

TForm7* Form7 = nullptr;
TForm9* Form9 = nullptr;
TForm10* Form10 = nullptr;
TForm22* Form22 = nullptr;
TForm29* Form29 = nullptr;

void SetUpAppForm(TForm* Form, const char* Name, const String& Caption, int ClientWidth, int ClientHeight) {
    Form->SetName(QString::fromLatin1(Name));
    Form->SetCaption(Caption);
    Form->SetPosition(poScreenCenter);
    Form->SetClientWidth(ClientWidth);
    Form->SetClientHeight(ClientHeight);
}

namespace {

const String FillAllFields = QStringLiteral("Все поля должны быть заполнены!");
const String DeleteCaption = QStringLiteral("Удаление");
const String NotANumberMessage = QStringLiteral("В поле «Расценка» должно быть число!");

void ShowFieldsError(TForm* Form) {
    MessageBox(Form->Handle(), FillAllFields, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
}

bool AskYes(const String& Text) {
    return MessageBox(nullptr, Text, DeleteCaption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

// A group box with labelled rows; the label of row i sits left of the field at Top.
TLabel* RowLabel(TForm* Form, TWinControl* Parent, const char* Name, const char* Caption, int Top) {
    TLabel* l = NewControl<TLabel>(Form, Parent, Name, 10, Top + 3, 110, 20);
    l->SetCaption(QString::fromUtf8(Caption));
    return l;
}

// "Записать" (default) and the cancel button at the card's foot.
void CardButtons(TForm* Form, TButton*& Save, TButton*& Cancel, const char* CancelName, const char* CancelCaption,
                 int Top, int Right) {
    Save = NewControl<TButton>(Form, Form, "Button1", Right - 188, Top, 90, 30);
    Save->SetCaption(QStringLiteral("Записать"));
    Save->SetDefault(true);
    Cancel = NewControl<TButton>(Form, Form, CancelName, Right - 90, Top, 90, 30);
    Cancel->SetCaption(QString::fromUtf8(CancelCaption));
    Cancel->SetCancel(true);
    Cancel->SetModalResult(mrCancel);
}

int CurrentInt(TDataSet* DataSet, const char* Field) {
    return DataSet->FieldByName(QString::fromLatin1(Field))->AsInteger();
}

bool HasRow(TDataSet* DataSet) { return DataSet && DataSet->Active() && !DataSet->IsEmpty(); }

}  // namespace

// ---- product card ------------------------------------------------------------------------------

void TForm7::AfterConstruction() {
    SetUpAppForm(this, "Form7", QStringLiteral("Изделие"), 420, 190);
    SetBorderStyle(bsDialog);
    item = New<TADOQuery>(this);
    item->SetName(QStringLiteral("item"));
    if (DataModule6) item->SetConnection(DataModule6->ADO_DB);
    item->SQL()->SetText(QStringLiteral("select * from cmn_classifier.item order by s_caption"));
    item->SetFilter(QStringLiteral("id_level=2 and b_excluded=0"));
    item->SetFiltered(true);
    DS_item = New<TDataSource>(this);
    DS_item->SetName(QStringLiteral("DS_item"));
    DS_item->SetDataSet(item);

    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 404, 130);
    GroupBox1->SetCaption(QStringLiteral("Данные об изделии"));
    RowLabel(this, GroupBox1, "Label1", "Марка", 22);
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 120, 22, 274, 24);
    RowLabel(this, GroupBox1, "Label2", "Расценка", 56);
    Edit2 = NewControl<TEdit>(this, GroupBox1, "Edit2", 120, 56, 120, 24);
    Edit2->OnKeyPress = TKeyPressEvent(this, &TForm7::Edit2KeyPress);
    RowLabel(this, GroupBox1, "Label3", "Ном. группа", 90);
    cb_item = NewControl<TDBLookupComboBox>(this, GroupBox1, "cb_item", 120, 90, 274, 24);
    cb_item->SetListSource(DS_item);
    cb_item->SetKeyField(QStringLiteral("id"));
    cb_item->SetListField(QStringLiteral("s_caption"));
    CardButtons(this, Button1, Button2, "Button2", "Отмена", 150, 412);
    Button1->OnClick = TNotifyEvent(this, &TForm7::Button1Click);
    OnActivate = TNotifyEvent(this, &TForm7::FormActivate);
    inherited::AfterConstruction();
}

void TForm7::FormActivate(TObject*) {
    if (Edit1->CanFocus()) SetActiveControl(Edit1);
}

void TForm7::Edit2KeyPress(TObject*, Char& Key) {
    if (Key == u'.' || Key == u',')
        Key = u'.';
    else if (!(Key >= u'0' && Key <= u'9') && Key != Char(u'\b'))
        Key = Char(u'\0');
}

void TForm7::Button1Click(TObject*) {
    const String mark = Trim(Edit1->Text());
    const Variant group = cb_item->KeyValue();
    if (mark.isEmpty() || Trim(Edit2->Text()).isEmpty() || VarIsNull(group) || VarIsEmpty(group)) {
        ShowFieldsError(this);
        return;
    }
    double massa = 0;
    if (!TypedNumber(Edit2->Text(), massa)) {
        MessageBox(Handle(), NotANumberMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    try {
        if (!SaveProduct(DataModule6->ADO_DB, Tag() == 1 ? 0 : ProductId, mark, massa, group)) {
            MessageBox(Handle(), DuplicateProductMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
            return;
        }
        Reopen(DataModule6->Izdel);
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    SetModalResult(mrOk);
}

void TForm7::ShowNew() {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("cmn_gds_and_srv.gds_and_srv"), QStringLiteral("s_caption"));
    Edit1->Clear();
    Edit2->Clear();
    SetCaption(QStringLiteral("Заведение нового изделия (7)"));
    SetTag(1);
    ProductId = 0;
    item->Open();
    ShowModal();
    item->Close();
}

void TForm7::ShowEdit(TDataSet* Izdel) {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("cmn_gds_and_srv.gds_and_srv"), QStringLiteral("s_caption"));
    SetCaption(QStringLiteral("Изменение данных изделия (7)"));
    SetTag(2);
    ProductId = CurrentInt(Izdel, "id");
    Edit1->SetText(Trim(Izdel->FieldByName(QStringLiteral("marka"))->AsString()));
    Edit2->SetText(Trim(Izdel->FieldByName(QStringLiteral("massa"))->AsString()));
    item->Open();
    cb_item->SetKeyValue(Izdel->FieldByName(QStringLiteral("id_class_item"))->AsVariant());
    ShowModal();
    item->Close();
}

void DeleteProductAsked(TDataSet* Izdel) {
    if (!HasRow(Izdel)) return;
    const int id = CurrentInt(Izdel, "id");
    if (IsReservedRow(id)) return;
    try {
        Word y, m, d;
        DecodeDate(Date(), y, m, d);
        const TProductUse use = ProductUse(id, EncodeDate(2000, m == 1 ? 12 : m - 1, 1));
        const bool operations =
            use.Operations > 0 && AskYes(QStringLiteral("По изделию есть расценки они будут удалены!!!"));
        bool records = false, product = false;
        if (use.Records > 0)
            records = product = AskYes(QStringLiteral(
                "По изделию есть операции в текущем, предыдущем месяцах и ранее, они будут удалены. Удалить изделие? "));
        else
            product = AskYes(QStringLiteral("Удалить изделие? "));
        if (operations || records || product) DeleteProductParts(id, operations, records, product);
    } catch (...) {
        Application->HandleException(Izdel);
    }
    Reopen(Izdel);
}

// ---- operation kind card -----------------------------------------------------------------------

void TForm9::AfterConstruction() {
    SetUpAppForm(this, "Form9", String(), 420, 110);
    SetBorderStyle(bsDialog);
    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 404, 56);
    GroupBox1->SetCaption(QStringLiteral("Вид операции"));
    RowLabel(this, GroupBox1, "Label1", "Операция", 22);
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 120, 22, 274, 24);
    Edit1->SetMaxLength(50);
    CardButtons(this, Button1, Button2, "Button2", "Отмена", 72, 412);
    Button1->OnClick = TNotifyEvent(this, &TForm9::Button1Click);
    OnActivate = TNotifyEvent(this, &TForm9::FormActivate);
    inherited::AfterConstruction();
}

void TForm9::FormActivate(TObject*) {
    if (Edit1->CanFocus()) SetActiveControl(Edit1);
}

void TForm9::Button1Click(TObject*) {
    const String name = Trim(Edit1->Text());
    if (name.isEmpty()) {
        ShowFieldsError(this);
        return;
    }
    try {
        if (!SaveOperationKind(DataModule6->ADO_DB, Tag() == 1 ? 0 : KindId, name)) {
            MessageBox(Handle(), DuplicateKindMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
            return;
        }
        Reopen(DataModule6->Vid_oper);
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    SetModalResult(mrOk);
}

void TForm9::ShowNew() {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("accounts_dep.vid_oper"), QStringLiteral("vid"));
    Edit1->Clear();
    SetCaption(QStringLiteral("Заведение нового вида операций"));
    SetTag(1);
    KindId = 0;
    ShowModal();
}

void TForm9::ShowEdit(TDataSet* VidOper) {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("accounts_dep.vid_oper"), QStringLiteral("vid"));
    SetCaption(QStringLiteral("Изменение данных вида операции"));
    SetTag(2);
    KindId = CurrentInt(VidOper, "id");
    Edit1->SetText(Trim(VidOper->FieldByName(QStringLiteral("vid"))->AsString()));
    ShowModal();
}

void DeleteKindAsked(TDataSet* VidOper) {
    if (!HasRow(VidOper)) return;
    const int id = CurrentInt(VidOper, "id");
    if (IsReservedRow(id) || !AskYes(QStringLiteral("Удалить вид операции?"))) return;
    try {
        if (!DeleteOperationKind(id)) MessageBox(nullptr, KindInUseMessage, DeleteCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
        Application->HandleException(VidOper);
    }
    Reopen(VidOper);
}

// ---- operation and price card ------------------------------------------------------------------

void TForm10::AfterConstruction() {
    SetUpAppForm(this, "Form10", String(), 440, 170);
    SetBorderStyle(bsDialog);
    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 424, 120);
    GroupBox1->SetCaption(QStringLiteral("Цена операции"));
    RowLabel(this, GroupBox1, "Label1", "Марка изделия", 22);
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 120, 22, 260, 24);
    Edit1->SetReadOnly(true);
    Button3 = NewControl<TButton>(this, GroupBox1, "Button3", 386, 22, 28, 24);
    Button3->SetCaption(QStringLiteral("..."));
    Button3->OnClick = TNotifyEvent(this, &TForm10::Button3Click);
    RowLabel(this, GroupBox1, "Label2", "Операция", 54);
    Edit2 = NewControl<TEdit>(this, GroupBox1, "Edit2", 120, 54, 260, 24);
    Edit2->SetReadOnly(true);
    Button4 = NewControl<TButton>(this, GroupBox1, "Button4", 386, 54, 28, 24);
    Button4->SetCaption(QStringLiteral("..."));
    Button4->OnClick = TNotifyEvent(this, &TForm10::Button4Click);
    RowLabel(this, GroupBox1, "Label3", "Вид", 86);
    ComboBox1 = NewControl<TComboBox>(this, GroupBox1, "ComboBox1", 120, 86, 260, 24);
    ComboBox1->SetStyle(csDropDownList);
    ComboBox1->Items()->Add(QStringLiteral("Готовая продукция"));
    ComboBox1->Items()->Add(QStringLiteral("Заготовки"));
    CardButtons(this, Button1, Button2, "Button2", "Отмена", 134, 432);
    Button1->OnClick = TNotifyEvent(this, &TForm10::Button1Click);
    OnActivate = TNotifyEvent(this, &TForm10::FormActivate);
    inherited::AfterConstruction();
}

void TForm10::FormActivate(TObject*) {
    if (Button3->CanFocus()) SetActiveControl(Button3);
}

void TForm10::Button3Click(TObject*) {
    if (Form3) Form3->ShowPicker(PickInto(Edit1, &ProductId));
}

void TForm10::Button4Click(TObject*) {
    if (Form8) Form8->ShowPicker(PickInto(Edit2, &KindId));
}

void TForm10::Button1Click(TObject*) {
    if (Trim(Edit1->Text()).isEmpty() || Trim(Edit2->Text()).isEmpty()) {
        ShowFieldsError(this);
        return;
    }
    const int naimen = ComboBox1->ItemIndex() < 0 ? 0 : ComboBox1->ItemIndex();
    try {
        if (!SaveOperation(DataModule6->ADO_DB, Tag() == 1 ? 0 : OperationId, KindId, naimen, ProductId)) {
            MessageBox(Handle(), DuplicateOperationMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
            return;
        }
        Reopen(DataModule6->Oper);
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    SetModalResult(mrOk);
}

void TForm10::ShowNew() {
    Edit1->Clear();
    Edit2->Clear();
    ComboBox1->SetItemIndex(0);
    SetCaption(QStringLiteral("Заведение новой цены за операцию"));
    SetTag(1);
    OperationId = 0;
    ShowModal();
}

void TForm10::ShowEdit(TDataSet* Oper) {
    SetCaption(QStringLiteral("Изменение данных о цене за операцию"));
    SetTag(2);
    OperationId = CurrentInt(Oper, "id");
    Edit1->SetText(Trim(Oper->FieldByName(QStringLiteral("marka"))->AsString()));
    Edit2->SetText(Trim(Oper->FieldByName(QStringLiteral("vid"))->AsString()));
    ComboBox1->SetItemIndex(CurrentInt(Oper, "naimen") == 0 ? 0 : 1);
    ProductId = CurrentInt(Oper, "i_id");
    KindId = CurrentInt(Oper, "oper_vid");
    ShowModal();
}

void DeleteOperationAsked(TDataSet* Oper) {
    if (!HasRow(Oper)) return;
    const int id = CurrentInt(Oper, "id");
    if (IsReservedRow(id) || !AskYes(QStringLiteral("Удалить операцию?"))) return;
    try {
        if (!DeleteOperation(id)) MessageBox(nullptr, OperationInUseMessage, DeleteCaption, MB_OK | MB_ICONERROR);
    } catch (...) {
        Application->HandleException(Oper);
    }
    Reopen(Oper);
}

// ---- norms -------------------------------------------------------------------------------------

void TForm22::AfterConstruction() {
    SetUpAppForm(this, "Form22", QStringLiteral("Норматив"), 360, 300);
    norm = New<TADOTable>(this);
    norm->SetName(QStringLiteral("norm"));
    if (DataModule6) norm->SetConnection(DataModule6->ADO_DB);
    norm->SetTableName(QStringLiteral("accounts_dep.norm"));
    norm->OnNewRecord = TDataSetNotifyEvent(this, &TForm22::NormNewRecord);
    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(norm);
    DBGrid1 = NewControl<TDBGrid>(this, this, "DBGrid1", 8, 8, 344, 240);
    DBGrid1->SetDataSource(DataSource1);
    const char* fields[] = {"norma", "price", "prize"};
    const char* titles[] = {"Норматив", "Цена", "Премия, %"};
    for (int i = 0; i < 3; ++i) {
        TColumn* c = DBGrid1->Columns()->Add();
        c->SetFieldName(QString::fromLatin1(fields[i]));
        c->Title()->SetCaption(QString::fromUtf8(titles[i]));
        c->SetWidth(100);
    }
    DBGrid1->OnColEnter = TNotifyEvent(this, &TForm22::DBGrid1ColEnter);
    DBGrid1->OnColExit = TNotifyEvent(this, &TForm22::DBGrid1ColExit);
    Button1 = NewControl<TButton>(this, this, "Button1", 164, 260, 90, 30);
    Button1->SetCaption(QStringLiteral("Сохранить"));
    Button1->SetDefault(true);
    Button1->SetCancel(true);
    Button1->OnClick = TNotifyEvent(this, &TForm22::Button1Click);
    Button2 = NewControl<TButton>(this, this, "Button2", 262, 260, 90, 30);
    Button2->SetCaption(QStringLiteral("Удалить"));
    Button2->OnClick = TNotifyEvent(this, &TForm22::Button2Click);
    inherited::AfterConstruction();
}

// Every new norm row belongs to the operation shown, however the grid started it.
void TForm22::NormNewRecord(TDataSet* DataSet) {
    DataSet->FieldByName(QStringLiteral("o_id"))->SetAsInteger(OperationId);
}

void TForm22::DBGrid1ColEnter(TObject*) {
    if (norm->State() == dsInsert || norm->State() == dsEdit) return;
    // an empty table starts a new row (its o_id comes from NormNewRecord), else the row is edited
    if (norm->IsEmpty())
        norm->Append();
    else
        norm->Edit();
}

void TForm22::DBGrid1ColExit(TObject*) {
    if (!norm->Modified()) return;
    try {
        norm->Post();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TForm22::Button2Click(TObject*) {
    if (!norm->Active() || norm->IsEmpty()) return;
    if (norm->State() == dsInsert || norm->State() == dsEdit) norm->Cancel();
    const int count = SqlSelectValue(DataModule6->ADO_DB,
                                     QStringLiteral("select count(*) from accounts_dep.norm where o_id=:o_id"),
                                     {{QStringLiteral("o_id"), OperationId}})
                          .AsInteger();
    if (count <= 1) return;  // the last norm of an operation stays
    try {
        norm->Delete();
    } catch (...) {
        Application->HandleException(this);
    }
}

void TForm22::Button1Click(TObject*) {
    try {
        if ((norm->State() == dsInsert || norm->State() == dsEdit) && norm->Modified())
            norm->Post();
        else if (norm->State() == dsInsert || norm->State() == dsEdit)
            norm->Cancel();
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    TDataSet* oper = DataModule6->Oper;
    const int recNo = oper->Active() ? oper->RecNo() : 0;
    ReopenAtRecNo(oper, recNo);
    SetModalResult(mrOk);
}

void TForm22::ShowNorms(int Operation) {
    OperationId = Operation;
    norm->Close();
    norm->SetFilter(QStringLiteral("o_id=%1").arg(Operation));
    norm->SetFiltered(true);
    norm->Open();
    // prices with two to three decimals: 12,50 and 12,125
    if (auto* price = dynamic_cast<TNumericField*>(norm->FindField(QStringLiteral("price"))))
        price->SetDisplayFormat(QStringLiteral("#0.00#"));
    ShowModal();
    if (norm->State() == dsInsert || norm->State() == dsEdit) norm->Cancel();
    norm->Close();
}

// ---- nomenclature group card -------------------------------------------------------------------

void TForm29::AfterConstruction() {
    SetUpAppForm(this, "Form29", QStringLiteral("Ведение групп (29)"), 420, 130);
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDesktopCenter);
    GroupBox1 = NewControl<TGroupBox>(this, this, "GroupBox1", 8, 8, 404, 80);
    GroupBox1->SetCaption(QStringLiteral("Номенклатурная группа"));
    RowLabel(this, GroupBox1, "Label1", "Наименование", 22);
    Edit1 = NewControl<TEdit>(this, GroupBox1, "Edit1", 120, 22, 274, 24);
    CheckBox1 = NewControl<TCheckBox>(this, GroupBox1, "CheckBox1", 120, 52, 200, 20);
    CheckBox1->SetCaption(QStringLiteral("Не используется"));
    CardButtons(this, Button1, Button6, "Button6", "Выход", 94, 412);
    Button1->OnClick = TNotifyEvent(this, &TForm29::Button1Click);
    inherited::AfterConstruction();
}

void TForm29::Button1Click(TObject*) {
    if (Trim(Edit1->Text()).isEmpty()) {
        ShowFieldsError(this);
        return;
    }
    try {
        SaveGroup(Tag() == 1 ? 0 : GroupId, Trim(Edit1->Text()), CheckBox1->Checked());
        if (List) Reopen(List);
    } catch (...) {
        Application->HandleException(this);
        return;
    }
    SetModalResult(mrOk);
}

void TForm29::ShowNew(TDataSet* Item) {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("cmn_classifier.item"), QStringLiteral("s_caption"));
    List = Item;
    Edit1->Clear();
    SetTag(1);
    GroupId = 0;
    ShowModal();
}

void TForm29::ShowEdit(TDataSet* Item) {
    LimitToColumn(Edit1, DataModule6->ADO_DB, QStringLiteral("cmn_classifier.item"), QStringLiteral("s_caption"));
    List = Item;
    SetTag(2);
    GroupId = CurrentInt(Item, "id");
    Edit1->SetText(Trim(Item->FieldByName(QStringLiteral("s_caption"))->AsString()));
    CheckBox1->SetChecked(CurrentInt(Item, "b_excluded") != 0);
    ShowModal();
}

void DeleteGroupAsked(TDataSet* Item) {
    if (!HasRow(Item)) return;
    const int id = CurrentInt(Item, "id");
    try {
        const TGroupUse use = GroupUse(id);
        if (use.Products > 0) {
            MessageBox(nullptr, QStringLiteral("В номенклатурной группе есть изделия."), DeleteCaption, MB_OK | MB_ICONERROR);
            return;
        }
        if (use.Auxiliary > 0 || use.Records > 0) {
            MessageBox(nullptr, QStringLiteral("В номенклатурной группе есть операции."), DeleteCaption,
                       MB_OK | MB_ICONERROR);
            return;
        }
        if (AskYes(QStringLiteral("Удалить позицию из списка?"))) DeleteGroup(id);
    } catch (...) {
        Application->HandleException(Item);
    }
    const int recNo = Item->RecNo();
    ReopenAtRecNo(Item, recNo);
}
