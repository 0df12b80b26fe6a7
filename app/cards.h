// The auxiliary-work card (TForm24) and its day list (TForm25), and the hours input dialog of the
// helper additional pay (TForm132).
#pragma once

#include "app/form11.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/forms.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"

// Messages of the auxiliary-work card.
inline const String AuxNotFilledMessage = QStringLiteral("Все поля должны быть заполнены!");
inline const String AuxNoHoursMessage = QStringLiteral("Нужно завести количество!");

// ---- the auxiliary-work card ("Хоз. работы/среднесдельная (24)") --------------------------------
// One row of accounts_dep.fatigue of the day list's date. Its Tag is the mode: 0 a new row, any
// other value an edit of the day list's current row.
class TForm24 : public TForm {
    SDELKA_CLASS(TForm24, TForm)
protected:
    explicit TForm24(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm24() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;            // "Закрыто мастером"
    TEdit* Edit1 = nullptr;                    // "ФИО", read-only
    TButton* Button3 = nullptr;                // "..." worker picker
    TEdit* Edit2 = nullptr;                    // "Номенклатура", read-only
    TButton* Button4 = nullptr;                // "..." group picker
    TDBLookupComboBox* cb_type_work = nullptr; // kind: key id, shown vid
    TEdit* Edit6 = nullptr;                    // hours
    TLabel* Label8 = nullptr;                  // "ч.    Цена"
    TDBEdit* DBEdit1 = nullptr;                // price per hour of the kind
    TLabel* Label3 = nullptr;                  // "р.    Сумма"
    TDBEdit* DBEdit2 = nullptr;                // price times the hours
    TCheckBox* CBox1 = nullptr;                // "Ночные"
    TButton* Button1 = nullptr;                // "Записать"
    TButton* Button6 = nullptr;                // "Выход"
    TADOQuery* type_work = nullptr;            // the two kinds with their norm price (parameter cnt)
    TDataSource* DataSource1 = nullptr;        // over type_work

    int GroupId = 0;   // 0: not chosen
    int PersonId = 0;  // 0: not chosen

    void Button3Click(TObject* Sender);   // worker picker
    void Button4Click(TObject* Sender);   // group picker
    void Button1Click(TObject* Sender);   // "Записать"
    void Edit6Exit(TObject* Sender);      // the sum follows the hours
    void Edit6KeyPress(TObject* Sender, Char& Key);

    // The chosen kind (0 when none).
    int Kind() const;
    void SetKind(int Kind);
};

// ---- the day list ("Хоз. работы (25)") -------------------------------------------------------
class TForm25 : public TForm {
    SDELKA_CLASS(TForm25, TForm)
protected:
    explicit TForm25(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm25() override = default;

public:
    void AfterConstruction() override;

    TDBGrid* DBGrid1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TADOQuery* fatigue = nullptr;       // the rows of the date (parameter d_date)
    TButton* Button5 = nullptr;         // "Добавить"
    TButton* Button6 = nullptr;         // "Изменить"
    TButton* Button7 = nullptr;         // "Удалить"
    TButton* Button1 = nullptr;         // "Расчитать ср.сд."
    TCheckBox* CBox1 = nullptr;         // "Выходной"
    TDateTimePicker* DTPcker1 = nullptr;
    TButton* Button8 = nullptr;         // "Выход"

    int ShiftNo = 1;   // the shift the card writes; 1 each time the list is shown

    void FormActivate(TObject* Sender);
    void DTPcker1Change(TObject* Sender);
    void CBox1Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);  // also a double click on the grid
    void Button7Click(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button4Click(TObject* Sender);  // "Выход"

    // Closes and opens the rows of the list's date.
    void OpenDay();
};

// ---- the hours dialog of a helper ("Ввод данных (132)") --------------------------------------
class TForm132 : public TForm {
    SDELKA_CLASS(TForm132, TForm)
protected:
    explicit TForm132(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm132() override = default;

public:
    void AfterConstruction() override;

    TLabel* Label1 = nullptr;    // the helper's full name, bold
    TLabel* Label2 = nullptr;    // "Отработано (ч.)"
    TEdit* Edit1 = nullptr;      // hours, digits only
    TButton* Button1 = nullptr;  // "Запись"
    TButton* Button2 = nullptr;  // "Отмена"

    void Button1Click(TObject* Sender);
    void Edit1KeyPress(TObject* Sender, Char& Key);
    // The whole hours entered; 0 for an empty or unreadable entry.
    int Hours() const;
};

extern TForm24* Form24;
extern TForm25* Form25;
extern TForm132* Form132;
