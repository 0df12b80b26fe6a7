// A form with a data-aware edit that carries buttons, a most-recently-used list and a caption
// label, and a data-aware combo box, both over an in-memory table, to look at and drive under a
// real X server. What the script needs is printed on standard output, one line each:
//   edit X Y W H | combo X Y W H      the controls' rectangles on the screen
//   button X Y                        the middle of the combo's drop-down button on the screen
//   mru open N ITEM... | mru closed   the edit's MRU list opened with N items, or closed
//   list open N | list closed         the combo's list opened with N rows, or closed
//   listitem N X Y                    the middle of row N of the open list on the screen
//   text NAME TEXT                    the text of the edit or the combo changed
//   record NAME DEPT                  the table's record after Ctrl+S posted it
//   shot FILE                         F12 saved the screen to FILE (EDITDEMO_SHOT, numbered)
#include "grid/base/listboxvz.h"
#include "grid/editors/dbcomboboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>

#include <cstdio>

namespace {

void Out(const QString& Line) {
    std::printf("%s\n", Line.toUtf8().constData());
    std::fflush(stdout);
}

QString Rect(TControl* C) {
    const TPoint p = C->ClientToScreen(TPoint(0, 0));
    return QStringLiteral("%1 %2 %3 %4").arg(p.X).arg(p.Y).arg(C->Width()).arg(C->Height());
}

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetName(u"MainForm"_S);
    form->SetCaption(u"Editors"_S);
    form->SetBounds(60, 60, 420, 230);

    auto* table = New<TMemTableVz>(form);
    table->FieldDefs()->Add(u"Name"_S, ftString, 40);
    table->FieldDefs()->Add(u"Dept"_S, ftString, 40);
    table->CreateDataSet();
    table->FieldByName(u"Name"_S)->SetDisplayLabel(u"Фамилия"_S);
    table->FieldByName(u"Dept"_S)->SetDisplayLabel(u"Цех"_S);
    table->AppendRecord({Variant(u"Сидоров"_S), Variant(u"Механический цех"_S)});
    table->First();
    auto* src = New<TDataSource>(form);
    src->SetDataSet(table);

    auto* edit = New<TDBEditVz>(form);
    edit->SetName(u"edName"_S);
    edit->SetParent(form);
    edit->SetBounds(110, 30, 260, 24);
    edit->SetDataSource(src);
    edit->SetDataField(u"Name"_S);
    edit->EditButton()->SetVisible(true);
    edit->EditButton()->SetStyle(ebsEllipsisVz);
    TEditButtonVz* clear = edit->EditButtons()->Add();
    clear->SetStyle(ebsMinusVz);
    clear->SetHint(u"Очистить"_S);
    clear->OnClick = [edit](TObject*, bool& Handled) {
        edit->Clear();
        Handled = true;
    };
    edit->UpdateEditButtonsState();
    edit->MRUList()->SetActive(true);
    for (const char16_t* s : {u"Петров", u"Иваненко", u"Иванов", u"Ивашкин"}) edit->MRUList()->Add(String::fromUtf16(s));
    edit->ControlLabelLocation()->SetPosition(lpLeftCenterVz);
    edit->ControlLabel()->SetLabelVisible(true);

    auto* combo = New<TDBComboBoxVz>(form);
    combo->SetName(u"cbDept"_S);
    combo->SetParent(form);
    combo->SetBounds(110, 80, 260, 24);
    for (const char16_t* s : {u"Механический цех", u"Сборочный цех", u"Литейный цех", u"Инструментальный участок",
                              u"Склад готовой продукции"})
        combo->Items()->Add(String::fromUtf16(s));
    combo->SetDataSource(src);
    combo->SetDataField(u"Dept"_S);
    combo->SetLimitTextToListValues(true);
    combo->ControlLabelLocation()->SetPosition(lpLeftCenterVz);
    combo->ControlLabel()->SetLabelVisible(true);

    auto* hint = New<TLabel>(form);
    hint->SetParent(form);
    hint->SetBounds(20, 140, 380, 40);
    hint->SetCaption(u"Ctrl+S записывает запись, F12 снимает экран."_S);

    int shots = 0;
    auto keys = [&](TObject*, Word& Key, TShiftState Shift) {
        if (Key == VK_F12) {
            Key = 0;
            const QString file = QString::fromLocal8Bit(qgetenv("EDITDEMO_SHOT")).arg(++shots);
            if (!file.isEmpty() && QGuiApplication::primaryScreen()->grabWindow(0).save(file))
                Out(QStringLiteral("shot ") + file);
        } else if (Key == 'S' && Shift == TShiftState{ssCtrl}) {
            Key = 0;
            edit->UpdateData();
            combo->UpdateData();
            if (table->State() == dsEdit || table->State() == dsInsert) table->Post();
            Out(QStringLiteral("record %1|%2").arg(table->FieldByName(u"Name"_S)->AsString(),
                                                  table->FieldByName(u"Dept"_S)->AsString()));
        }
    };
    form->SetKeyPreview(true);
    form->OnKeyDown = keys;
    edit->OnChange = [edit](TObject*) { Out(QStringLiteral("text edName ") + edit->Text()); };
    combo->OnChange = [combo](TObject*) { Out(QStringLiteral("text cbDept ") + combo->Text()); };

    // Watches the two drop-downs and reports when they open (with their rows) and close.
    auto* watch = New<TTimer>(form);
    watch->SetInterval(50);
    bool mruOpen = false, listOpen = false;
    TPoint buttonAt(-1, -1);
    watch->OnTimer = [&, edit, combo](TObject*) {
        // The window manager may place the window after it was activated: say where the combo's
        // button is whenever that changes (the script takes the last position).
        TEditButtonControlVz* b = combo->GetEditButtonControlByEditButton(combo->EditButton());
        if (const TPoint c = b->ClientToScreen(TPoint(b->Width() / 2, b->Height() / 2)); c.X != buttonAt.X || c.Y != buttonAt.Y) {
            buttonAt = c;
            Out(QStringLiteral("button %1 %2").arg(c.X).arg(c.Y));
        }
        if (bool open = edit->MRUList()->DroppedDown(); open != mruOpen) {
            mruOpen = open;
            if (open) {
                TStrings* items = edit->MRUListControl()->Items();
                QString line = QStringLiteral("mru open %1").arg(items->Count());
                for (int i = 0; i < items->Count(); ++i) line += u' ' + items->Strings(i);
                Out(line);
            } else {
                Out(QStringLiteral("mru closed"));
            }
        }
        if (bool open = combo->ListVisible(); open != listOpen) {
            listOpen = open;
            if (open) {
                TPopupListboxFormVz* list = combo->PopupListbox();
                Out(QStringLiteral("list open %1").arg(list->RowCount()));
                const TPoint origin = list->ListGrid()->ClientToScreen(TPoint(0, 0));
                const int h = list->ItemHeight();
                for (int i = 0; i < list->RowCount(); ++i)
                    Out(QStringLiteral("listitem %1 %2 %3").arg(i).arg(origin.X + 40).arg(origin.Y + i * h + h / 2));
            } else {
                Out(QStringLiteral("list closed"));
            }
        }
    };
    watch->SetEnabled(true);
    form->OnActivate = [=](TObject*) {
        Out(QStringLiteral("edit ") + Rect(edit));
        Out(QStringLiteral("combo ") + Rect(combo));
        TEditButtonControlVz* b = combo->GetEditButtonControlByEditButton(combo->EditButton());
        const TPoint c = b->ClientToScreen(TPoint(b->Width() / 2, b->Height() / 2));
        Out(QStringLiteral("button %1 %2").arg(c.X).arg(c.Y));
        edit->SetFocus();
    };
    Application->Run();
    DoneApplication();
    return 0;
}
