// The cards of the reference directories: products (TForm7), operation kinds (TForm9), operations
// and prices (TForm10) with the norms of an operation (TForm22), and nomenclature groups (TForm29).
// Each card's mode is its Tag: 1 new, 2 edit. The Show… methods are what the directory lists do
// to open a card; the Delete… routines are the lists' deletes with their questions.
#pragma once

#include "app/form2.h"
#include "app/lists.h"
#include "app/thinform.h"
#include "platform/dbctrls/dbctrls.h"
#include "platform/dbctrls/dbgrids.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/listctrls.h"

// ---- product card "Изделие" ---------------------------------------------------------------------
class TForm7 : public TForm {
    SDELKA_CLASS(TForm7, TForm)
protected:
    explicit TForm7(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm7() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;          // "Данные об изделии"
    TEdit* Edit1 = nullptr;                  // "Марка"
    TEdit* Edit2 = nullptr;                  // "Расценка": massa
    TDBLookupComboBox* cb_item = nullptr;    // the nomenclature group
    TADOQuery* item = nullptr;               // the groups in use
    TDataSource* DS_item = nullptr;
    TButton* Button1 = nullptr;              // "Записать"
    TButton* Button2 = nullptr;              // "Отмена"
    // The product being edited (mode 2).
    int ProductId = 0;

    void FormActivate(TObject* Sender);
    void Edit2KeyPress(TObject* Sender, Char& Key);
    void Button1Click(TObject* Sender);

    // The products list's "Добавить" and "Изменить" (on the current row of Izdel).
    void ShowNew();
    void ShowEdit(TDataSet* Izdel);
};

// ---- operation kind card --------------------------------------------------------------------------
class TForm9 : public TForm {
    SDELKA_CLASS(TForm9, TForm)
protected:
    explicit TForm9(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm9() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;   // "Вид операции"
    TEdit* Edit1 = nullptr;           // "Операция"
    TButton* Button1 = nullptr;       // "Записать"
    TButton* Button2 = nullptr;       // "Отмена"
    int KindId = 0;                   // the kind being edited (mode 2)

    void FormActivate(TObject* Sender);
    void Button1Click(TObject* Sender);

    void ShowNew();
    void ShowEdit(TDataSet* VidOper);
};

// ---- operation and price card -------------------------------------------------------------------
class TForm10 : public TForm {
    SDELKA_CLASS(TForm10, TForm)
protected:
    explicit TForm10(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm10() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;   // "Цена операции"
    TEdit* Edit1 = nullptr;           // "Марка изделия" (read-only, set by the products picker)
    TEdit* Edit2 = nullptr;           // "Операция" (read-only, set by the kinds picker)
    TComboBox* ComboBox1 = nullptr;   // "Вид": "Готовая продукция" / "Заготовки" (naimen)
    TButton* Button1 = nullptr;       // "Записать"
    TButton* Button2 = nullptr;       // "Отмена"
    TButton* Button3 = nullptr;       // "..." products
    TButton* Button4 = nullptr;       // "..." operation kinds
    int ProductId = 0;
    int KindId = 0;
    int OperationId = 0;              // the operation being edited (mode 2)

    void FormActivate(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);

    void ShowNew();
    void ShowEdit(TDataSet* Oper);
};

// ---- norms of one operation "Норматив" ----------------------------------------------------------
class TForm22 : public TForm {
    SDELKA_CLASS(TForm22, TForm)
protected:
    explicit TForm22(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm22() override = default;

public:
    void AfterConstruction() override;

    TADOTable* norm = nullptr;        // accounts_dep.norm, filtered to one operation
    TDataSource* DataSource1 = nullptr;
    TDBGrid* DBGrid1 = nullptr;
    TButton* Button1 = nullptr;       // "Сохранить"
    TButton* Button2 = nullptr;       // "Удалить"
    int OperationId = 0;              // the operation whose norms show

    void DBGrid1ColEnter(TObject* Sender);
    void DBGrid1ColExit(TObject* Sender);
    void NormNewRecord(TDataSet* DataSet);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);

    // The prices list's double-click with "Цены" checked: the norms of operation OperationId.
    void ShowNorms(int Operation);
};

// ---- nomenclature group card "Ведение групп (29)" -----------------------------------------------
class TForm29 : public TForm {
    SDELKA_CLASS(TForm29, TForm)
protected:
    explicit TForm29(TComponent* AOwner) : TForm(AOwner) {}
    ~TForm29() override = default;

public:
    void AfterConstruction() override;

    TGroupBox* GroupBox1 = nullptr;    // "Номенклатурная группа"
    TEdit* Edit1 = nullptr;            // "Наименование"
    TCheckBox* CheckBox1 = nullptr;    // "Не используется"
    TButton* Button1 = nullptr;        // "Записать"
    TButton* Button6 = nullptr;        // "Выход"
    int GroupId = 0;                   // the group being edited (mode 2)
    TDataSet* List = nullptr;          // the list reopened after a save

    void Button1Click(TObject* Sender);

    void ShowNew(TDataSet* Item);
    void ShowEdit(TDataSet* Item);
};

// The lists' deletes with their questions (the current row of the list's dataset); each reopens
// the list afterwards. A failing write is rolled back and its message shown.
void DeleteKindAsked(TDataSet* VidOper);
void DeleteProductAsked(TDataSet* Izdel);
void DeleteGroupAsked(TDataSet* Item);
void DeleteOperationAsked(TDataSet* Oper);

extern TForm7* Form7;
extern TForm9* Form9;
extern TForm10* Form10;
extern TForm22* Form22;
extern TForm29* Form29;
