#include "app/lists.h"

#include "app/cards.h"
#include "app/datamodule.h"
#include "app/directories.h"
#include "app/excelhelper.h"
#include "app/form1.h"
#include "app/form11.h"
#include "app/form2.h"
#include "app/recordcard.h"
#include "app/sqlrun.h"
#include "app/workers.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>

TForm3* Form3 = nullptr;
TForm4* Form4 = nullptr;
TForm5* Form5 = nullptr;
TForm8* Form8 = nullptr;
TForm26* Form26 = nullptr;

namespace {

TDataSet* SharedDataSet(TADOQuery* TDataModule6::*Member) {
    return DataModule6 ? DataModule6->*Member : nullptr;
}

}  // namespace

// ---- the shared list ---------------------------------------------------------------------------

void TDirectoryList::BuildList(const char* Name, const String& Caption, TDataSet* DataSet,
                               std::initializer_list<TColumnLayout> Columns, const char* const Captions[4]) {
    SetName(QString::fromLatin1(Name));
    SetCaption(Caption);
    SetPosition(poScreenCenter);
    SetClientWidth(577);
    SetClientHeight(420);

    DataSource1 = New<TDataSource>(this);
    DataSource1->SetName(QStringLiteral("DataSource1"));
    DataSource1->SetDataSet(DataSet);

    DBGrid1 = NewControl<TDBGrid>(this, this, "DBGrid1", 8, 8, 561, 330);
    DBGrid1->SetOptions({dgTitles, dgIndicator, dgColumnResize, dgColLines, dgRowLines, dgTabs, dgRowSelect,
                         dgAlwaysShowSelection});
    DBGrid1->SetReadOnly(true);
    DBGrid1->SetDataSource(DataSource1);
    for (const auto& c : Columns) {
        TColumn* col = DBGrid1->Columns()->Add();
        col->SetFieldName(QString::fromLatin1(c.Field));
        col->Title()->SetCaption(QString::fromUtf8(c.Title));
        if (c.Width) col->SetWidth(c.Width);
        col->SetVisible(c.Visible);
    }

    Edit1 = NewControl<TEdit>(this, this, "Edit1", 8, 346, 561, 24);
    Edit1->OnChange = TNotifyEvent(this, &TDirectoryList::Edit1Change);
    Edit1->OnKeyDown = TKeyEvent(this, &TDirectoryList::Edit1KeyDown);

    TButton** buttons[] = {&Button1, &Button2, &Button3, &Button4};
    const char* names[] = {"Button1", "Button2", "Button3", "Button4"};
    for (int i = 0; i < 4; ++i) {
        TButton* b = NewControl<TButton>(this, this, names[i], 8 + i * 142, 380, 135, 30);
        b->SetCaption(QString::fromUtf8(Captions[i]));
        *buttons[i] = b;
    }
    Button4->SetCancel(true);
    Button4->SetModalResult(mrCancel);
    Button4->OnClick = TNotifyEvent(this, &TDirectoryList::Button4Click);
    OnActivate = TNotifyEvent(this, &TDirectoryList::FormActivate);
}

void TDirectoryList::Edit1Change(TObject*) {
    if (TDataSet* ds = ListDataSet()) ApplySearch(ds, FSearch, Edit1->Text(), SearchRestriction);
}

void TDirectoryList::Edit1KeyDown(TObject*, Word& Key, TShiftState) {
    TDataSet* ds = ListDataSet();
    if (Key == VK_UP || Key == VK_DOWN) {
        if (ds && ds->Active()) {
            if (Key == VK_UP)
                ds->Prior();
            else
                ds->Next();
        }
        Key = 0;
        return;
    }
    // Moving inside the field and deleting forward do nothing; characters and Backspace edit.
    if (FDiscardAllKeys && (Key == VK_LEFT || Key == VK_RIGHT || Key == VK_HOME || Key == VK_END ||
                            Key == VK_DELETE || Key == VK_PRIOR || Key == VK_NEXT || Key == VK_INSERT))
        Key = 0;
}

void TDirectoryList::FormActivate(TObject*) {
    if (FFocusSearchOnActivate && Edit1->CanFocus()) SetActiveControl(Edit1);
}

void TDirectoryList::Button4Click(TObject*) { Close(); }

int TDirectoryList::CurrentId(const char* Field) const {
    TDataSet* ds = ListDataSet();
    return ds->FieldByName(QString::fromLatin1(Field))->AsInteger();
}

bool TDirectoryList::DeliverPick(const String& Text) {
    return Receiver && Receiver(CurrentId(), Text, ListDataSet());
}

void TDirectoryList::ShowModalPicking(TPickReceiver Pick) {
    Receiver = std::move(Pick);
    try {
        ShowModal();
    } catch (...) {
        Receiver = nullptr;
        throw;
    }
    Receiver = nullptr;
}

void TDirectoryList::PreparePicker(TButton* Pick, TButton* Add, TButton* Del) {
    Pick->SetCaption(QStringLiteral("Выбрать"));
    Pick->SetDefault(true);
    Pick->SetVisible(true);
    if (Add) Add->SetVisible(false);
    Del->SetVisible(false);
    Edit1->SetVisible(true);
    Edit1->Clear();
    Edit1Change(Edit1);
}

void TDirectoryList::PrepareDirectory(TButton* Edit, TButton* Add, TButton* Del, const String& EditCaption) {
    Edit->SetCaption(EditCaption);
    Edit->SetDefault(false);
    Add->SetVisible(true);
    Del->SetVisible(true);
}

namespace {
const char* const ListButtons[4] = {"Добавить", "Изменить", "Удалить", "Выход"};
}

// ---- workers -----------------------------------------------------------------------------------

void TForm5::AfterConstruction() {
    BuildList("Form5", QStringLiteral("Список рабочих"), SharedDataSet(&TDataModule6::Workers),
              {{"fio", "ФИО", 300, true}, {"s_staffpos_hl", "Должность", 220, true}}, ListButtons);
    FSearch = {QStringLiteral("fio"), smPrefix, false};
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm5::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm5::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm5::Button3Click);
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm5::DBGrid1DblClick);
    OnActivate = TNotifyEvent(this, &TForm5::FormActivate5);
    inherited::AfterConstruction();
}

void TForm5::FormActivate5(TObject* Sender) {
    PickAccepted = 0;
    FormActivate(Sender);
}

void TForm5::Button1Click(TObject*) {
    TDataSet* workers = ListDataSet();
    Form2->Edit1->Clear();
    Form2->SetCaption(QStringLiteral("Заведение данных нового работника"));
    Form2->SetTag(1);
    Form2->ReopenLookups();
    Form2->ShowModal();
    Reopen(workers);
}

void TForm5::Button2Click(TObject*) {
    TDataSet* workers = ListDataSet();
    if (!workers || !workers->Active() || workers->IsEmpty()) return;
    PickAccepted = 1;
    const int recNo = workers->RecNo();
    const int id = CurrentId();
    const String fio = workers->FieldByName(QStringLiteral("fio"))->AsString();
    switch (Tag()) {
    case pmDirectory:
        Form2->SetCaption(QStringLiteral("Изменение данных работника"));
        Form2->SetTag(2);
        Form2->ReopenLookups();
        Form2->Edit1->SetText(Trim(fio));
        Form2->PersonId = id;
        Form2->ShowModal();
        ReopenAtRecNo(workers, recNo);
        break;
    default: PickAccepted = DeliverPick(fio) ? 1 : 0; break;
    }
    if (PickAccepted == 1) Close();
}

void TForm5::Button3Click(TObject*) {
    TDataSet* workers = ListDataSet();
    if (!workers || !workers->Active() || workers->IsEmpty()) return;
    if (MessageBox(Handle(), QStringLiteral("Удалить работника?"), QStringLiteral("Удаление"),
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    const int recNo = workers->RecNo();
    if (!DeleteWorker(DataModule6->ADO_DB, CurrentId()))
        MessageBox(Handle(), WorkerInUseMessage, QStringLiteral("Удаление"), MB_OK | MB_ICONERROR);
    ReopenAtRecNo(workers, recNo);
}

void TForm5::DBGrid1DblClick(TObject* Sender) { Button2Click(Sender); }

void TForm5::ShowDirectory() {
    SetTag(pmDirectory);
    ListDataSet()->Open();
    PrepareDirectory(Button2, Button1, Button3, QStringLiteral("Изменить"));
    ShowModal();
    ListDataSet()->Close();
}

int TForm5::ShowPicker(int Mode, TPickReceiver Pick) {
    SetTag(Mode);
    ListDataSet()->Open();
    PreparePicker(Button2, Mode == pmHelper ? nullptr : Button1, Button3);
    ShowModalPicking(std::move(Pick));
    ListDataSet()->Close();
    return PickAccepted;
}

// ---- products ----------------------------------------------------------------------------------

void TForm3::AfterConstruction() {
    BuildList("Form3", QStringLiteral("Изделия (3)"), SharedDataSet(&TDataModule6::Izdel),
              {{"marka", "Марка изделия", 230, true}, {"nom", "Номенклатурная группа", 200, true},
               {"massa", "Коробки", 80, true}},
              ListButtons);
    FSearch = {QStringLiteral("marka"), smPrefix, false};
    FDiscardAllKeys = false;
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm3::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm3::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm3::Button3Click);
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm3::DBGrid1DblClick);
    inherited::AfterConstruction();
}

void TForm3::Button1Click(TObject*) {
    const int recNo = ListDataSet()->Active() ? ListDataSet()->RecNo() : 0;
    Form7->ShowNew();
    GoToRecNo(ListDataSet(), recNo);
}

void TForm3::Button2Click(TObject*) {
    TDataSet* izdel = ListDataSet();
    if (!izdel || !izdel->Active() || izdel->IsEmpty() || IsReservedRow(CurrentId())) return;
    if (Tag() == pmDirectory) {
        const int recNo = izdel->RecNo();
        Form7->ShowEdit(izdel);
        GoToRecNo(izdel, recNo);
        return;
    }
    if (DeliverPick(izdel->FieldByName(QStringLiteral("marka"))->AsString())) Close();
}

void TForm3::Button3Click(TObject*) {
    TDataSet* izdel = ListDataSet();
    if (!izdel || !izdel->Active() || izdel->IsEmpty() || IsReservedRow(CurrentId())) return;
    DeleteProductAsked(izdel);
}

void TForm3::DBGrid1DblClick(TObject* Sender) { Button2Click(Sender); }

void TForm3::ShowDirectory() {
    SetTag(pmDirectory);
    ListDataSet()->Open();
    PrepareDirectory(Button2, Button1, Button3, QStringLiteral("Изменить"));
    ShowModal();
    ListDataSet()->Close();
}

void TForm3::ShowPicker(TPickReceiver Pick) {
    SetTag(pmRecordCard);
    ListDataSet()->Open();
    PreparePicker(Button2, Button1, Button3);
    ShowModalPicking(std::move(Pick));
    Button2->SetDefault(false);
    Edit1->SetVisible(false);
    ListDataSet()->Close();
}

// ---- operations and prices ---------------------------------------------------------------------

void TForm4::AfterConstruction() {
    BuildList("Form4", QStringLiteral("Цены (4)"), SharedDataSet(&TDataModule6::Oper),
              {{"MARKA", "Марка", 150, true},
               {"s_caption", "Ном. гр. ", 120, true},
               {"VID", "Опреция", 120, true},
               {"cena", "Цена (min)", 70, true},
               {"nmn", "Вид", 110, true},
               {"norma", "Нормы (шт.)", 70, true},
               {"id", "id", 0, false},
               {"i_id", "i_id", 0, false},
               {"oper_vid", "oper_vid", 0, false}},
              ListButtons);
    FSearch = {QStringLiteral("marka"), smContains, true};
    Button1->SetDefault(true);
    Button5 = NewControl<TButton>(this, this, "Button5", 8, 8, 80, 24);
    Button5->SetCaption(QStringLiteral("Excel"));
    CheckBox1 = NewControl<TCheckBox>(this, this, "CheckBox1", 100, 8, 80, 24);
    CheckBox1->SetCaption(QStringLiteral("Цены"));
    // the grid as wide as its columns (indicator, column lines, frame and a vertical scroll bar
    // included), the window around it
    int columns = 0;
    for (int i = 0; i < DBGrid1->Columns()->Count(); ++i)
        if (TColumn* c = DBGrid1->Columns()->Items(i); c->Visible()) columns += c->Width() + 1;
    const int gridWidth = std::max(561, columns + 12 + 4 + 18);
    DBGrid1->SetBounds(8, 40, gridWidth, 298);
    Edit1->SetWidth(gridWidth);
    SetClientWidth(gridWidth + 16);
    Button4->SetLeft(ClientWidth() - 8 - Button4->Width());
    Button1->OnClick = TNotifyEvent(this, &TForm4::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm4::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm4::Button3Click);
    Button5->OnClick = TNotifyEvent(this, &TForm4::Button5Click);
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm4::DBGrid1DblClick);
    inherited::AfterConstruction();
}

void TForm4::Button1Click(TObject*) { Form10->ShowNew(); }

void TForm4::Button2Click(TObject*) {
    TDataSet* oper = ListDataSet();
    if (!oper || !oper->Active() || oper->IsEmpty() || IsReservedRow(CurrentId())) return;
    if (Tag() == pmDirectory) {
        Form10->ShowEdit(oper);
        return;
    }
    // the operation pick of the record card
    if (DeliverPick(oper->FieldByName(QStringLiteral("vid"))->AsString())) Close();
}

void TForm4::Button5Click(TObject*) {
    TOwned<TADOQuery> rep = NewOwned<TADOQuery>(nullptr);
    rep->SetName(QStringLiteral("XLS_Rep"));
    rep->SetConnection(DataModule6->ADO_DB);
    rep->SQL()->SetText(
        QStringLiteral("select izdel.MARKA, vid_oper.VID, oper.NAIMEN,(SELECT (CASE naimen WHEN 0 THEN 'Готовая "
                       "продукция' ELSE 'Заготовки' END)) as nmn, oper.CENA_new as cena, oper.id, oper.i_id,\n"
                       " oper.VID as oper_vid from accounts_dep.OPER,accounts_dep.IZDEL,accounts_dep.VID_OPER where "
                       "OPER.i_id=IZDEL.id \nand oper.vid=vid_oper.id order by izdel.marka, vid_oper.vid, oper.naimen"));
    Screen->SetCursor(crHourGlass);
    try {
        rep->Open();
        if (ExcelOpen(String()) != 1) {
            Screen->SetCursor(crDefault);
            return;
        }
        // the first failed cell has told the user; the rest is not tried
        bool written = true;
        auto write = [&written](int Col, int Row, const String& Text) {
            written = written && ExcelWriteCell(1, Col, Row, Text) == 1;
        };
        const char* header[] = {"Марка", "Операция", "Цена", "Вид"};
        for (int c = 1; c <= 4; ++c) write(c, 1, QString::fromUtf8(header[c - 1]));
        int row = 2;
        for (rep->First(); written && !rep->Eof(); rep->Next(), ++row) {
            write(1, row, rep->FieldByName(QStringLiteral("marka"))->AsString());
            write(2, row, rep->FieldByName(QStringLiteral("vid"))->AsString());
            write(3, row, FloatToStr(rep->FieldByName(QStringLiteral("cena"))->AsFloat()));
            write(4, row,
                  rep->FieldByName(QStringLiteral("naimen"))->AsInteger() == 0 ? QStringLiteral("Готовая продукция")
                                                                               : QStringLiteral("Заготовки"));
        }
        if (written) ExcelShow(true);
    } catch (...) {
        Screen->SetCursor(crDefault);
        throw;
    }
    Screen->SetCursor(crDefault);
}

void TForm4::Button3Click(TObject*) {
    TDataSet* oper = ListDataSet();
    if (!oper || !oper->Active() || oper->IsEmpty() || IsReservedRow(CurrentId())) return;
    DeleteOperationAsked(oper);
}

void TForm4::DBGrid1DblClick(TObject* Sender) {
    if (Tag() != pmDirectory || !CheckBox1->Checked()) {
        Button2Click(Sender);
        return;
    }
    TDataSet* oper = ListDataSet();
    if (oper && oper->Active() && !oper->IsEmpty()) Form22->ShowNorms(CurrentId());
}

void TForm4::ShowDirectory() {
    SetTag(pmDirectory);
    ListDataSet()->Open();
    PrepareDirectory(Button2, Button1, Button3, QStringLiteral("Изменить"));
    ShowModal();
    ListDataSet()->Close();
}

void TForm4::ShowPicker(int OperationId, TPickReceiver Pick) {
    TDataSet* oper = ListDataSet();
    SetTag(pmRecordCard);
    oper->Open();
    PreparePicker(Button2, Button1, Button3);  // the whole list, before the row is found
    if (OperationId == 0)
        oper->First();
    else
        oper->Locate(QStringLiteral("id"), OperationId, {});
    ShowModalPicking(std::move(Pick));
    Button2->SetDefault(false);
    // the whole list again, still on the chosen operation (the record card reads its price)
    const Variant chosen = oper->Active() && !oper->IsEmpty() ? oper->FieldByName(QStringLiteral("id"))->AsVariant()
                                                              : Null();
    oper->SetFiltered(false);
    if (!VarIsNull(chosen)) oper->Locate(QStringLiteral("id"), chosen, {});
}

// ---- operation kinds ---------------------------------------------------------------------------

void TForm8::AfterConstruction() {
    BuildList("Form8", QStringLiteral("Виды операций (8)"), SharedDataSet(&TDataModule6::Vid_oper),
              {{"VID", "Операции", 400, true}}, ListButtons);
    FSearch = {QStringLiteral("vid"), smPrefix, false};
    Edit1->SetVisible(false);
    Button1->SetDefault(true);
    Button1->OnClick = TNotifyEvent(this, &TForm8::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm8::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm8::Button3Click);
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm8::DBGrid1DblClick);
    inherited::AfterConstruction();
}

void TForm8::Button1Click(TObject*) { Form9->ShowNew(); }

void TForm8::Button2Click(TObject*) {
    TDataSet* kinds = ListDataSet();
    if (!kinds || !kinds->Active() || kinds->IsEmpty() || IsReservedRow(CurrentId())) return;
    if (Tag() == pmDirectory) {
        Form9->ShowEdit(kinds);
        return;
    }
    if (DeliverPick(kinds->FieldByName(QStringLiteral("vid"))->AsString())) Close();
}

void TForm8::Button3Click(TObject*) {
    TDataSet* kinds = ListDataSet();
    if (!kinds || !kinds->Active() || kinds->IsEmpty() || IsReservedRow(CurrentId())) return;
    DeleteKindAsked(kinds);
}

void TForm8::DBGrid1DblClick(TObject* Sender) { Button2Click(Sender); }

void TForm8::ShowDirectory() {
    SetTag(pmDirectory);
    ListDataSet()->SetFiltered(false);
    ListDataSet()->Open();
    PrepareDirectory(Button2, Button1, Button3, QStringLiteral("Изменить"));
    ShowModal();
    ListDataSet()->Close();
}

void TForm8::ShowPicker(TPickReceiver Pick) {
    SetTag(pmRecordCard);
    ListDataSet()->Open();
    PreparePicker(Button2, Button1, Button3);
    ShowModalPicking(std::move(Pick));
    Button2->SetDefault(false);
    Edit1->SetVisible(false);
    ListDataSet()->Close();
}

// ---- nomenclature groups -----------------------------------------------------------------------

void TForm26::AfterConstruction() {
    item = New<TADOQuery>(this);
    item->SetName(QStringLiteral("item"));
    if (DataModule6) item->SetConnection(DataModule6->ADO_DB);
    item->SQL()->SetText(QStringLiteral("select *, case when b_excluded=1  then 'V' else '' end as s_excl from "
                                        "cmn_classifier.item where id_level=2 order by s_caption"));
    const char* const buttons[4] = {"Удалить", "Добавить", "Изменить", "Выход"};
    BuildList("Form26", QStringLiteral("Номенклатура (26)"), item,
              {{"s_caption", "Наименование", 380, true}, {"s_excl", "Не используется", 110, true}}, buttons);
    FSearch = {QStringLiteral("s_caption"), smPrefix, false};
    FFocusSearchOnActivate = false;
    SetBorderStyle(bsSingle);
    SetBorderIcons({biSystemMenu});
    SetPosition(poDesktopCenter);
    SetClientWidth(585);
    Button1->OnClick = TNotifyEvent(this, &TForm26::Button1Click);
    Button2->OnClick = TNotifyEvent(this, &TForm26::Button2Click);
    Button3->OnClick = TNotifyEvent(this, &TForm26::Button3Click);
    DBGrid1->OnDblClick = TNotifyEvent(this, &TForm26::DBGrid1DblClick);
    inherited::AfterConstruction();
}

void TForm26::Button1Click(TObject*) { DeleteGroupAsked(item); }

void TForm26::Button2Click(TObject*) {
    const int recNo = item->Active() ? item->RecNo() : 0;
    Form29->ShowNew(item);
    GoToRecNo(item, recNo);
}

void TForm26::Button3Click(TObject*) {
    if (!item->Active() || item->IsEmpty()) return;
    if (Tag() == pmAuxCard) {
        if (DeliverPick(item->FieldByName(QStringLiteral("s_caption"))->AsString())) Close();
        return;
    }
    const int recNo = item->RecNo();
    Form29->ShowEdit(item);
    GoToRecNo(item, recNo);
}

void TForm26::DBGrid1DblClick(TObject* Sender) { Button3Click(Sender); }

void TForm26::ShowDirectory() {
    SetTag(pmDirectory);
    item->Open();
    Button3->SetCaption(QStringLiteral("Изменить"));
    Button1->SetVisible(true);
    Button2->SetVisible(true);
    ShowModal();
    item->Close();
}

void TForm26::ShowPicker(TPickReceiver Pick) {
    SetTag(pmAuxCard);
    // groups in use only, also while a search text narrows the list
    SearchRestriction = QStringLiteral("b_excluded=0");
    Edit1Change(Edit1);
    Button3->SetCaption(QStringLiteral("Выбрать"));
    Button1->SetVisible(false);
    Button2->SetVisible(false);
    DBGrid1->Columns()->Items(1)->SetVisible(false);
    SetWidth(460);
    // the narrower window keeps its grid, search field and both buttons inside
    const int inner = ClientWidth() - 16;
    DBGrid1->SetWidth(inner);
    Edit1->SetWidth(inner);
    Button4->SetLeft(ClientWidth() - 8 - Button4->Width());
    Button3->SetLeft(Button4->Left() - 7 - Button3->Width());
    item->Open();
    ShowModalPicking(std::move(Pick));
    Button1->SetVisible(true);
    Button2->SetVisible(true);
    item->Close();
    DBGrid1->Columns()->Items(1)->SetVisible(true);
    SetWidth(585);
    DBGrid1->SetWidth(561);
    Edit1->SetWidth(561);
    Button3->SetLeft(8 + 2 * 142);
    Button4->SetLeft(8 + 3 * 142);
    SearchRestriction.clear();
    item->SetFiltered(false);
}
