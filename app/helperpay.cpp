#include "app/helperpay.h"

#include "app/cards.h"
#include "app/datamodule.h"
#include "app/daycell.h"
#include "app/form1.h"
#include "app/form11.h"
#include "app/lists.h"
#include "app/pickers.h"
#include "app/sqlrun.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/rtlmath.h"
#include "platform/rtl/sysutils.h"

double HelperFactor(int Kind) { return Kind == 1 ? 1.2 : 0.7; }

double HelperRate(int Kind, double Price, int Quantity, int Defects, int Hours) {
    return RoundTo(HelperFactor(Kind) * Price * (Quantity - Defects) / Hours, -2);
}

void AddHelper(TADOConnection* Connection, int RecordKey, int PersonId, double Rate, int Hours) {
    SqlExecute(Connection,
               QStringLiteral("insert into accounts_dep.person_temp(id_smena, id_person, f_count, f_time) "
                              "values(:id_smena, :id_person, :f_count, :f_time)"),
               {{QStringLiteral("id_smena"), RecordKey},
                {QStringLiteral("id_person"), PersonId},
                {QStringLiteral("f_count"), Rate},
                {QStringLiteral("f_time"), Hours}},
               {{QStringLiteral("f_count"), ftFloat}});
}

void RemoveHelper(TADOConnection* Connection, int TempId) {
    SqlExecute(Connection, QStringLiteral("DELETE FROM accounts_dep.person_temp WHERE id=:id"),
               {{QStringLiteral("id"), TempId}});
}

void DropHelpers(TADOConnection* Connection, int RecordKey) {
    SqlExecute(Connection, QStringLiteral("DELETE FROM accounts_dep.person_temp WHERE id_smena=:id_smena"),
               {{QStringLiteral("id_smena"), RecordKey}});
}

int SaveHelpers(TADOConnection* Connection, const THelperRecord& Rec) {
    TTransactionScope transaction(Connection);
    // the collected rows are taken and written in one statement: a helper collected meanwhile by
    // another card of the same key is either moved whole or stays collected
    const int rows = SqlExecute(
        Connection,
        QStringLiteral(
            "with moved as (delete from accounts_dep.person_temp where id_smena=:id_smena "
            "returning id, id_person, f_count, f_time) "
            "insert into accounts_dep.SMENA(w_id, i_id, o_id, cena, kol_vo, brak, data, smena, color, time, vvod,ok, "
            "prize, id_doc, id_doc_item, f_gds_qty_use, id_gds_use, id_cons_use) "
            "select id_person, :i_id, 7779, f_time*f_count, 1, 0, :data, :smena, :color, f_time, :vvod, 'no', 0, "
            ":id_doc, :id_doc_item, :qty_use, :gds_use, :cons_use from moved order by id"),
        {{QStringLiteral("id_smena"), Rec.RecordKey},
         {QStringLiteral("i_id"), Rec.ProductId},
         {QStringLiteral("data"), VarFromDateTime(DateOf(Rec.Date))},
         {QStringLiteral("smena"), Rec.Shift},
         {QStringLiteral("color"), Rec.Colour},
         {QStringLiteral("vvod"), VarFromDateTime(DateOf(Rec.Today))},
         {QStringLiteral("id_doc"), Rec.DocId},
         {QStringLiteral("id_doc_item"), Rec.DocItemId},
         {QStringLiteral("qty_use"), Rec.QtyUse},
         {QStringLiteral("gds_use"), Rec.GdsUse},
         {QStringLiteral("cons_use"), Rec.ConsUse}},
        {{QStringLiteral("vvod"), ftDateTime}, {QStringLiteral("qty_use"), ftFloat}});
    transaction.Commit();
    return rows;
}

// ---- the record card's helper section ----------------------------------------------------------

namespace {

int CardInt(const String& Text) { return StrToIntDef(Trim(Text), 0); }

void HelperCheckBoxClick(TForm11* Card) {
    const bool on = Card->CheckBox1->Checked();
    for (TControl* c : std::initializer_list<TControl*>{Card->RadioGroup1, Card->Button5, Card->Button6,
                                                        Card->Button7, Card->DBGrid1})
        c->SetEnabled(on);
}

void ReopenHelpers(TForm11* Card) {
    Card->person->Close();
    Card->person->Parameters()->ParamByName(QStringLiteral("s_id"))->SetValue(Card->RecordKey);
    Card->person->Open();
}

// The workers list's helper pick: asks the chosen worker's hours; the pick stands when the
// dialog is confirmed.
bool AskHelperHours(TForm11* Card, int Id, const String& Name) {
    if (!Form132) return false;
    Form132->Label1->SetCaption(Name);
    Form132->Edit1->SetText(String());
    if (Form132->ShowModal() != mrOk) return false;
    Card->HelperId = Id;
    Card->HelperHours = Form132->Hours();
    return true;
}

void HelperAddClick(TForm11* Card) {
    const int hours = CardInt(Card->Edit6->Text());
    if (hours <= 0) {
        // no hourly earnings to derive a rate from: refused before a worker is picked
        MessageBox(Card->Handle(), HelperNoRecordHoursMessage, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
        return;
    }
    if (Form5->ShowPicker(pmHelper, [Card](int Id, const String& Name, TDataSet*) {
            return AskHelperHours(Card, Id, Name);
        }) != 1)
        return;
    const int kind = Card->RadioGroup1->ItemIndex() == 1 ? 1 : 0;
    const int quantity = CardInt(Card->Edit3->Text());
    const int defects = CardInt(Card->Edit4->Text());
    Card->HelperRate = HelperRate(kind, Card->Price, quantity, defects, hours);
    Card->person->Close();
    try {
        AddHelper(DataModule6->ADO_DB, Card->RecordKey, Card->HelperId, Card->HelperRate,
                  static_cast<int>(Card->HelperHours));
    } catch (const Exception& E) {
        // the card's own line, then what the server said
        MessageBox(Card->Handle(), HelperNotSavedMessage + u'\n' + E.Message(), QStringLiteral("Ошибка"),
                   MB_OK | MB_ICONERROR);
    }
    ReopenHelpers(Card);
}

void HelperRemoveClick(TForm11* Card) {
    TADOQuery* person = Card->person;
    if (!person->Active() || person->IsEmpty()) return;
    if (MessageBox(Card->Handle(), QStringLiteral("Удалить позицию из списка?"), QStringLiteral("Удаление"),
                   MB_YESNO | MB_ICONQUESTION) != IDYES)
        return;
    try {
        RemoveHelper(DataModule6->ADO_DB, person->FieldByName(QStringLiteral("pt_id"))->AsInteger());
    } catch (...) {
        Application->HandleException(Card);
        return;
    }
    ReopenHelpers(Card);
}

void HelperSaveClick(TForm11* Card) {
    THelperRecord rec;
    rec.RecordKey = Card->RecordKey;
    rec.ProductId = Card->ProductId;
    rec.Date = Card->DTimeP->Date();
    rec.Shift = Form1->CurrentShift;
    rec.Colour = Card->Colour;
    rec.DocId = Card->DocId;
    rec.DocItemId = Card->DocItemId;
    rec.QtyUse = StrToFloatDef(Trim(Card->QtyUseText), 0);
    rec.GdsUse = CardInt(Card->GdsUseText);
    rec.ConsUse = CardInt(Card->ConsUseText);
    rec.Today = Date();
    try {
        SaveHelpers(DataModule6->ADO_DB, rec);
    } catch (...) {
        // nothing is written; the helpers stay collected for another try
        Application->HandleException(Card);
        return;
    }
    for (TControl* c : std::initializer_list<TControl*>{Card->Edit1, Card->Edit2, Card->Edit3, Card->Edit4,
                                                        Card->Edit5, Card->Edit6, Card->Edit7, Card->Edit8,
                                                        Card->Edit9, Card->DTimeP, Card->Button1})
        c->SetEnabled(true);
    Card->person->Close();
    for (TControl* c : std::initializer_list<TControl*>{Card->DBGrid1, Card->CheckBox1, Card->RadioGroup1,
                                                        Card->Button5, Card->Button6, Card->Button7})
        c->SetEnabled(false);
    if (TADOQuery* shown = Form1->CurrentShiftQuery) ReopenKeepingRecNo(shown);
    Card->Close();
}

}  // namespace

void WireHelperSection(TForm11* Card) {
    Card->CheckBox1->OnClick = TNotifyEvent([Card](TObject*) { HelperCheckBoxClick(Card); });
    Card->Button5->OnClick = TNotifyEvent([Card](TObject*) { HelperAddClick(Card); });
    Card->Button7->OnClick = TNotifyEvent([Card](TObject*) { HelperRemoveClick(Card); });
    Card->Button6->OnClick = TNotifyEvent([Card](TObject*) { HelperSaveClick(Card); });
    // helpers collected but not saved go with the card
    Card->OnClose = TCloseEvent([Card](TObject*, TCloseAction&) {
        if (DataModule6) DropHelpers(DataModule6->ADO_DB, Card->RecordKey);
    });
}
