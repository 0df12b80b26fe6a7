// The five directory lists: workers (TForm5), products (TForm3), operations and prices (TForm4),
// operation kinds (TForm8) and nomenclature groups (TForm26). Each is a directory when opened from
// the main menu (mode 0) and a picker when a card opens it in a picker mode (its Tag): the picked
// row's ids and texts go straight into the caller's fields and the list closes. The Show…/Pick…
// methods are what the callers do before showing a list and after it returns.
#pragma once

#include "app/pickers.h"
#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

class TDirectoryList : public TForm {
    SDELKA_CLASS(TDirectoryList, TForm)
protected:
    explicit TDirectoryList(TComponent* AOwner) : TForm(AOwner) {}
    ~TDirectoryList() override = default;

public:
    TDBGrid* DBGrid1 = nullptr;
    TDataSource* DataSource1 = nullptr;
    TEdit* Edit1 = nullptr;       // the search field
    TButton* Button1 = nullptr;
    TButton* Button2 = nullptr;
    TButton* Button3 = nullptr;
    TButton* Button4 = nullptr;   // "Выход"

    // The dataset the list shows.
    TDataSet* ListDataSet() const { return DataSource1->DataSet(); }
    // A filter a picker caller keeps on the list while it searches ("b_excluded=0").
    String SearchRestriction;
    // What receives the pick while the list is shown as a picker (empty otherwise).
    TPickReceiver Receiver;

    // Handlers shared by the lists.
    void Edit1Change(TObject* Sender);
    void Edit1KeyDown(TObject* Sender, Word& Key, TShiftState Shift);
    void FormActivate(TObject* Sender);
    void Button4Click(TObject* Sender);

protected:
    struct TColumnLayout {
        const char* Field;
        const char* Title;
        int Width;
        bool Visible;
    };
    // Builds the window: grid over DataSet with the columns, search field, buttons
    // (Captions of Button1..Button4 in their order).
    void BuildList(const char* Name, const String& Caption, TDataSet* DataSet,
                   std::initializer_list<TColumnLayout> Columns, const char* const Captions[4]);
    TListSearch FSearch;
    // The products list discards only Up and Down in the search field; the others every key-down.
    bool FDiscardAllKeys = true;
    // Activation focuses the visible search field (all but the groups list).
    bool FFocusSearchOnActivate = true;
    // Current row's integer field.
    int CurrentId(const char* Field = "id") const;
    // Hands the current row to the receiver; true when the pick stands.
    bool DeliverPick(const String& Text);
    // Shows the list modally with Pick as its receiver, which goes when the list closes.
    void ShowModalPicking(TPickReceiver Pick);
    // Makes the list a picker: Pick caption "Выбрать", default and visible; Add and Delete hidden;
    // the search field visible and cleared (the whole list shows).
    void PreparePicker(TButton* Pick, TButton* Add, TButton* Del);
    // Makes the list a directory: Edit caption "Изменить", not default; Add and Delete visible.
    void PrepareDirectory(TButton* Edit, TButton* Add, TButton* Del, const String& EditCaption);
};

// ---- workers list ("Список рабочих") ---------------------------------------------------------
class TForm5 : public TDirectoryList {
    SDELKA_CLASS(TForm5, TDirectoryList)
protected:
    explicit TForm5(TComponent* AOwner) : TDirectoryList(AOwner) {}
    ~TForm5() override = default;

public:
    void AfterConstruction() override;

    // 1 from the press of the edit/pick button on a list with rows; in helper mode 11 only when
    // the hours dialog was confirmed. 0 each time the list is shown.
    int PickAccepted = 0;

    void FormActivate5(TObject* Sender);
    void Button1Click(TObject* Sender);   // "Добавить"
    void Button2Click(TObject* Sender);   // "Изменить" / "Выбрать"
    void Button3Click(TObject* Sender);   // "Удалить"
    void DBGrid1DblClick(TObject* Sender);

    // The main menu's "Рабочие".
    void ShowDirectory();
    // A picker for a card: pmRecordCard, pmHelper or pmAuxCard (the helper mode keeps "Добавить"
    // hidden). The worker's full name is handed over as it is stored. Returns PickAccepted.
    int ShowPicker(int Mode, TPickReceiver Pick);
};

// ---- products list ("Изделия (3)") ------------------------------------------------------------
class TForm3 : public TDirectoryList {
    SDELKA_CLASS(TForm3, TDirectoryList)
protected:
    explicit TForm3(TComponent* AOwner) : TDirectoryList(AOwner) {}
    ~TForm3() override = default;

public:
    void AfterConstruction() override;

    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void DBGrid1DblClick(TObject* Sender);

    void ShowDirectory();
    void ShowPicker(TPickReceiver Pick);   // mode 1: product of the operation card
};

// ---- operations and prices list ("Цены (4)") --------------------------------------------------
class TForm4 : public TDirectoryList {
    SDELKA_CLASS(TForm4, TDirectoryList)
protected:
    explicit TForm4(TComponent* AOwner) : TDirectoryList(AOwner) {}
    ~TForm4() override = default;

public:
    void AfterConstruction() override;

    TButton* Button5 = nullptr;      // "Excel"
    TCheckBox* CheckBox1 = nullptr;  // "Цены"

    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    // "Excel": every operation (with or without norms) with its new price into a new workbook
    // that is left open in the spreadsheet application.
    void Button5Click(TObject* Sender);
    void DBGrid1DblClick(TObject* Sender);

    void ShowDirectory();
    // Mode 1: the record card's operation; OperationId 0 starts on the first row, otherwise on
    // that operation. Oper stays open on the chosen row.
    void ShowPicker(int OperationId, TPickReceiver Pick);
};

// ---- operation kinds list ("Виды операций (8)") -----------------------------------------------
class TForm8 : public TDirectoryList {
    SDELKA_CLASS(TForm8, TDirectoryList)
protected:
    explicit TForm8(TComponent* AOwner) : TDirectoryList(AOwner) {}
    ~TForm8() override = default;

public:
    void AfterConstruction() override;

    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void DBGrid1DblClick(TObject* Sender);

    void ShowDirectory();
    void ShowPicker(TPickReceiver Pick);   // mode 1: kind of the operation card
};

// ---- nomenclature groups list ("Номенклатура (26)") -------------------------------------------
class TForm26 : public TDirectoryList {
    SDELKA_CLASS(TForm26, TDirectoryList)
protected:
    explicit TForm26(TComponent* AOwner) : TDirectoryList(AOwner) {}
    ~TForm26() override = default;

public:
    void AfterConstruction() override;

    TADOQuery* item = nullptr;   // the groups (level-2 classifier items) with s_excl "V" when excluded

    void Button1Click(TObject* Sender);   // "Удалить"
    void Button2Click(TObject* Sender);   // "Добавить"
    void Button3Click(TObject* Sender);   // "Изменить" / "Выбрать"
    void DBGrid1DblClick(TObject* Sender);

    void ShowDirectory();
    void ShowPicker(TPickReceiver Pick);   // mode 24: group of the auxiliary-work card, groups in use only
};

extern TForm3* Form3;
extern TForm4* Form4;
extern TForm5* Form5;
extern TForm8* Form8;
extern TForm26* Form26;
