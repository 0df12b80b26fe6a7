// The grid add-ons' lookup drop-down, custom filter dialog and filter drop-down over in-memory
// tables, to look at and drive under a real X server. Lines on standard output, so that a script
// driving the window can check them:
//   at NAME X Y          the screen point of a control or list row (printed whenever asked: F10)
//   selected TEXT        while typing into the worker edit: the worker the drop-down is on
//   key N TEXT           Enter in the worker edit: the key written into the order record, its name
//   rows N: NAME,...     after a filter was applied: the names the parts grid shows
//   filter TEXT          the Name column's filter text
//   error MESSAGE        an error the application would have shown in a message box
// F5 opens the custom filter dialog for the Name column, F6 its filter drop-down.
// With --shot FILE, F12 saves a screenshot of the whole screen to FILE (PNG).
#include "grid/addons/filterdropdownvz.h"
#include "grid/addons/lookupgridvz.h"
#include "grid/addons/simplefiltervz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/listctrls.h"
#include "platform/gui/stdctrls.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>
#include <cstring>

namespace {

void Print(const String& Line) {
    std::printf("%s\n", Line.toUtf8().constData());
    std::fflush(stdout);
}

void PrintAt(const String& Name, TControl* C, int X, int Y) {
    const TPoint p = C->ClientToScreen(TPoint(X, Y));
    Print(u"at "_S + Name + u' ' + IntToStr(p.X) + u' ' + IntToStr(p.Y));
}

void PrintRows(TDataSet* Parts) {
    String names;
    int n = 0;
    for (Parts->First(); !Parts->Eof(); Parts->Next(), ++n)
        names += (n ? u","_S : String()) + Parts->FieldByName(u"Name"_S)->AsString();
    Parts->First();
    Print(u"rows "_S + IntToStr(n) + u": "_S + names);
}

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    Application->OnException = [](TObject*, const Exception& E) { Print(u"error "_S + E.Message()); };
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption(QStringLiteral("Lookup demo"));
    form->SetBounds(0, 0, 560, 360);

    auto* workers = New<TMemTableVz>(form);
    workers->FieldDefs()->Add(u"Id"_S, ftInteger);
    workers->FieldDefs()->Add(u"Fio"_S, ftWideString, 40);
    workers->CreateDataSet();
    const char16_t* fio[] = {u"Абрамов Андрей", u"Иванов Иван", u"Иванова Мария", u"Петров Пётр", u"Сидоров Семён",
                             u"Яковлев Юрий"};
    for (int i = 0; i < 6; ++i) workers->AppendRecord({Variant(101 + i), Variant(String::fromUtf16(fio[i]))});
    auto* workersSrc = New<TDataSource>(form);
    workersSrc->SetDataSet(workers);
    auto* order = New<TMemTableVz>(form);
    order->FieldDefs()->Add(u"WorkerId"_S, ftInteger);
    order->CreateDataSet();
    order->AppendRecord({Null()});

    auto* parts = New<TMemTableVz>(form);
    parts->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
    parts->FieldDefs()->Add(u"Qty"_S, ftInteger);
    parts->CreateDataSet();
    const char16_t* names[] = {u"O'Neil", u"Болт", u"O'Neill", u"Гайка", u"Болт М8", u"д'Артаньян"};
    for (int i = 0; i < 6; ++i) parts->AppendRecord({Variant(String::fromUtf16(names[i])), Variant(i + 1)});
    parts->First();
    auto* partsSrc = New<TDataSource>(form);
    partsSrc->SetDataSet(parts);

    auto* edit = New<TEdit>(form);
    edit->SetParent(form);
    edit->SetBounds(10, 10, 240, 22);
    auto* grid = New<TDBGridVz>(form);
    grid->SetParent(form);
    grid->SetBounds(10, 150, 540, 200);
    grid->SetDataSource(partsSrc);
    grid->Columns()->Items(0)->SetWidth(200);

    auto* box = New<TPopupDataGridBoxVz>(form);
    box->SetVisible(false);
    auto openBox = [=] {
        if (box->Visible()) return;
        box->StartInitSize();
        box->SetRowCount(5);
        box->SetShowTitles(false);
        box->SetKeyField(u"Id"_S);
        box->SetListFieldIndex(0);
        box->SetListField(u"Fio"_S);
        box->SetListSource(workersSrc);
        box->InnerDataGrid()->SetWidth(edit->Width());
        box->StopInitSize();
        box->SetClientWidth(edit->Width());
        const TPoint p = edit->ClientToScreen(TPoint(0, edit->Height()));
        box->SetBounds(p.X, p.Y, box->Width(), box->Height());
        box->Show();
    };
    edit->OnChange = [=](TObject*) {
        openBox();
        // The typed text is searched again from its start, so that a corrected prefix finds too.
        TPopupInnerDataGridVz* g = box->InnerDataGrid();
        g->ProcessSearchKey(Char(27));
        for (Char c : edit->Text()) g->ProcessSearchKey(c);
        Print(u"selected "_S + box->SelectedItem());
    };

    TDBGridFilterDropDownForm* drop = nullptr;
    auto printDrop = [](TDBGridFilterDropDownForm* F) {
        TCustomListboxVz* l = F->FilterList();
        for (int i = 0; i < l->Items()->Count(); ++i) {
            const TRect ir = l->ItemRect(i);
            PrintAt(u"item:"_S + l->GetDisplayItemText(i).replace(u' ', u'_'), l, ir.Left + 8, (ir.Top + ir.Bottom) / 2);
        }
        PrintAt(u"dropok"_S, F->bOk, 20, 10);
    };
    form->SetKeyPreview(true);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) shot = QString::fromLocal8Bit(argv[i + 1]);
    form->OnKeyDown = [=, &drop](TObject*, Word& Key, TShiftState) {
        if (Key == VK_RETURN && box->Visible()) {
            Key = 0;
            order->Edit();
            order->FieldByName(u"WorkerId"_S)->SetValue(box->KeyValue());
            order->Post();
            box->Hide();
            Print(u"key "_S + order->FieldByName(u"WorkerId"_S)->AsString() + u' ' + box->SelectedItem());
        } else if (Key == VK_F5) {
            Key = 0;
            TColumnVz* col = grid->Columns()->Items(0);
            // In the dialog F10 tells where its controls are, F12 takes a screenshot.
            auto* d = TDBGridVzSimpleFilterDialog::Shared();
            d->SetKeyPreview(true);
            d->OnKeyDown = [d, shot](TObject*, Word& K, TShiftState) {
                if (K == VK_F10) {
                    K = 0;
                    PrintAt(u"operator1"_S, d->ComboBox1, 20, 10);
                    PrintAt(u"value1"_S, d->DBComboBoxVz1, 20, 10);
                    PrintAt(u"ok"_S, d->bOk, 20, 10);
                } else if (K == VK_F12 && !shot.isEmpty()) {
                    K = 0;
                    QGuiApplication::primaryScreen()->grabWindow(0).save(shot);
                    Print(u"shot "_S + shot);
                }
            };
            const bool ok = ShowSimpleFilterDialog(col);
            Print(u"value1 "_S + d->DBComboBoxVz1->Text());
            if (ok) {
                grid->FilterHost()->STFilterApply();
                Print(u"filter "_S + col->STFilter()->ExpressionStr());
                PrintRows(parts);
            }
        } else if (Key == VK_F6) {
            Key = 0;
            drop = GetDBGridFilterDropDownForm();
            drop->OnKeyDown = [shot](TObject*, Word& K, TShiftState) {
                if (K == VK_F12 && !shot.isEmpty()) {
                    K = 0;
                    QGuiApplication::primaryScreen()->grabWindow(0).save(shot);
                    Print(u"shot "_S + shot);
                }
            };
            drop->FillForColumn(grid->Columns()->Items(0));
            const TRect r = grid->CellRect(grid->DataColToGridCol(0), 0);
            const TPoint tl = grid->ClientToScreen(TPoint(r.Left, r.Top));
            const TPoint br = grid->ClientToScreen(TPoint(r.Right, r.Bottom));
            TDBGridFilterDropDownForm* f = drop;
            drop->ExecuteNomodal(TRect(tl.X, tl.Y, br.X, br.Y), nullptr, daLeft, nullptr, nullptr,
                                 [f, grid, parts](TCustomForm*, bool Accept, TDynVarsVz*, TDropDownFormSysParams*) {
                                     if (!Accept) return;
                                     f->ApplyCheckedValues();
                                     Print(u"filter "_S + grid->Columns()->Items(0)->STFilter()->ExpressionStr());
                                     PrintRows(parts);
                                 });
            Application->ProcessMessages();
            printDrop(drop);
        } else if (Key == VK_F10) {
            Key = 0;
            PrintAt(u"edit"_S, edit, 10, 10);
            if (drop && drop->Showing()) printDrop(drop);
        } else if (Key == VK_F12 && !shot.isEmpty()) {
            Key = 0;
            QGuiApplication::primaryScreen()->grabWindow(0).save(shot);
            Print(u"shot "_S + shot);
        }
    };
    form->OnActivate = [edit](TObject*) { edit->SetFocus(); };
    Application->Run();
    DoneApplication();
    return 0;
}
