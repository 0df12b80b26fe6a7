// TForm11: the production record card. Its Tag is the mode: 1 new record, 2 edit of the main
// window's current record, 3 copy of it (saved as a new record). The worker and the operation come
// from the workers and prices lists in picker mode; "Запись" validates the card and saves the
// record with its timesheet day cells (app/recordsave.h), then the card goes to its helper stage.
#pragma once

#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

class TForm11 : public TForm {
    SDELKA_CLASS(TForm11, TForm)
protected:
    explicit TForm11(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm11() override = default;

public:
    void AfterConstruction() override;

    // ---- the layout
    TGroupBox* GroupBox1 = nullptr;   // "Закрыто мастером"
    TEdit* Edit1 = nullptr;           // "ФИО", read-only; a click opens the worker picker
    TButton* Button3 = nullptr;       // "..." worker
    TEdit* Edit2 = nullptr;           // "Операция", read-only; a click opens the operation picker
    TButton* Button4 = nullptr;       // "..." operation
    TEdit* Edit3 = nullptr;           // "Кол-во"
    TEdit* Edit6 = nullptr;           // "Время"
    TLabel* Label6 = nullptr;         // "Цвет"
    TEdit* Edit5 = nullptr;           // colour
    TDateTimePicker* DTimeP = nullptr;  // "Дата"
    TEdit* Edit4 = nullptr;           // "Брак"
    TEdit* Edit8 = nullptr;           // "Цена база"
    TEdit* Edit7 = nullptr;           // "Цена итог"
    TEdit* Edit9 = nullptr;           // "Сумма"
    TButton* Button1 = nullptr;       // "Запись"
    TButton* Button8 = nullptr;       // "Новый"
    TButton* Button2 = nullptr;       // "Выход"
    // the helper section
    TCheckBox* CheckBox1 = nullptr;   // "Доп. оплата"
    TRadioGroup* RadioGroup1 = nullptr;  // "Подсобный рабочий" / "Оператор покраски"
    TDBGrid* DBGrid1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TButton* Button5 = nullptr;       // "Добавить"
    TButton* Button7 = nullptr;       // "Удалить"
    TButton* Button6 = nullptr;       // "Сохранить"
    TADOQuery* person = nullptr;      // the helpers of RecordKey (parameter s_id)

    // ---- state
    int WorkerId = 0;
    int OperationId = 0;
    int ProductId = 0;
    int ProductKind = 0;
    int HelperId = 0;
    int RecordKey = 0;
    int Colour = 0;
    int DocId = 0;
    int DocItemId = 0;
    double Price = 0;
    double HelperRate = 0;
    double HelperHours = 0;
    String GdsUseText, QtyUseText, ConsUseText, OkText;

    // ---- handlers
    void FormActivate(TObject* Sender);
    void Button3Click(TObject* Sender);   // worker picker
    void Button4Click(TObject* Sender);   // operation picker
    void Edit3KeyPress(TObject* Sender, Char& Key);
    void Edit4KeyPress(TObject* Sender, Char& Key);
    void Edit6Exit(TObject* Sender);
    void Button1Click(TObject* Sender);   // "Запись"
    void Button8Click(TObject* Sender);   // "Новый"

    // The colour field is usable only for a paint operation.
    void ApplyColourRule();
    // Entry stage: the record fields usable, the helper section not.
    void EnterEntryStage();
    // Helper stage after a save: the record fields locked, the helper list of RecordKey open.
    void EnterHelperStage();
};

extern TForm11* Form11;
