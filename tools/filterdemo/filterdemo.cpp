// The data grid's filter row over an in-memory table of parts, to look at and drive under a real
// X server. Lines on standard output, so that a script driving the window can check them:
//   rows N: NAME,NAME,...   on F11: the records the grid shows now
//   editing COLUMN          on F11: the filter cell being edited
//   filter COLUMN TEXT      on F11: each column's filter text that is not empty
//   cell COLUMN X Y         on F10: the screen point of a column's filter cell (its text part)
//   button COLUMN X Y       on F10: the screen point of a column's filter button
//   item TEXT X Y           on F9: the screen point of each item of the open filter list
//   error MESSAGE           an error the application would have shown in a message box
// With --shot FILE, F12 saves a screenshot of the whole screen to FILE (PNG).
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/filterrowvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/datasource.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"

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

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    // An error is printed rather than shown, so that a script sees it and is not stopped by a box.
    Application->OnException = [](TObject*, const Exception& E) { Print(u"error "_S + E.Message()); };
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption(QStringLiteral("Filter row"));
    form->SetBounds(0, 0, 560, 320);

    auto* parts = New<TMemTableVz>(form);
    parts->FieldDefs()->Add(u"Name"_S, ftWideString, 20);
    parts->FieldDefs()->Add(u"Qty"_S, ftInteger);
    parts->FieldDefs()->Add(u"Shop"_S, ftWideString, 20);
    parts->CreateDataSet();
    const struct {
        const char16_t* Name;
        int Qty;
        const char16_t* Shop;
    } rows[] = {{u"Болт", 5, u"Литейный"}, {u"Гайка", 3, u"Сборочный"}, {u"Шайба", 7, u"Литейный"},
                {u"Болт", 1, u"Сборочный"}, {u"Винт", 9, u"Литейный"}, {u"Шпилька", 2, u"Сборочный"},
                {u"Болт", 12, u"Литейный"}};
    for (const auto& r : rows)
        parts->AppendRecord({Variant(String::fromUtf16(r.Name)), Variant(r.Qty), Variant(String::fromUtf16(r.Shop))});
    parts->First();
    auto* src = New<TDataSource>(form);
    src->SetDataSet(parts);

    auto* grid = New<TDBGridVz>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(src);
    grid->STFilter()->SetVisible(true);
    grid->Columns()->Items(0)->SetWidth(140);
    grid->Columns()->Items(2)->SetWidth(140);

    form->OnActivate = [grid](TObject*) { grid->SetFocus(); };
    form->SetKeyPreview(true);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) shot = QString::fromLocal8Bit(argv[i + 1]);
    form->OnKeyDown = [grid, parts, shot](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F11) {
            Key = 0;
            String names;
            int n = 0;
            const TBookmark at = parts->Bookmark();
            for (parts->First(); !parts->Eof(); parts->Next(), ++n)
                names += (n ? u","_S : String()) + parts->FieldByName(u"Name"_S)->AsString();
            parts->GotoBookmark(at);
            Print(u"rows "_S + IntToStr(n) + u": "_S + names);
            if (grid->FilterEditMode()) Print(u"editing "_S + grid->Columns()->Items(grid->FilterCol())->FieldName());
            for (int i = 0; i < grid->Columns()->Count(); ++i)
                if (!grid->GetColumnFilterText(i).isEmpty())
                    Print(u"filter "_S + grid->Columns()->Items(i)->FieldName() + u' ' + grid->GetColumnFilterText(i));
        } else if (Key == VK_F10) {
            Key = 0;
            for (int i = 0; i < grid->Columns()->Count(); ++i) {
                const TRect r = grid->CellRect(grid->DataColToGridCol(i), grid->TopDataOffset() - 1);
                const TPoint text = grid->ClientToScreen(TPoint(r.Left + 10, (r.Top + r.Bottom) / 2));
                const TPoint button = grid->ClientToScreen(TPoint(r.Right - 6, (r.Top + r.Bottom) / 2));
                const String name = grid->Columns()->Items(i)->FieldName();
                Print(u"cell "_S + name + u' ' + IntToStr(text.X) + u' ' + IntToStr(text.Y));
                Print(u"button "_S + name + u' ' + IntToStr(button.X) + u' ' + IntToStr(button.Y));
            }
        } else if (Key == VK_F9 && grid->FilterEdit() && grid->FilterEdit()->ListVisible()) {
            Key = 0;
            TPopupListboxGridVz* list = grid->FilterEdit()->PopupListbox()->ListGrid();
            for (int i = 0; i < list->Count(); ++i) {
                const TRect r = list->ItemRect(i);
                const TPoint p = list->ClientToScreen(TPoint(r.Left + 6, (r.Top + r.Bottom) / 2));
                Print(u"item "_S + list->GetItemText(i) + u' ' + IntToStr(p.X) + u' ' + IntToStr(p.Y));
            }
        } else if (Key == VK_F12 && !shot.isEmpty()) {
            Key = 0;
            QGuiApplication::primaryScreen()->grabWindow(0).save(shot);
            Print(u"shot "_S + shot);
        }
    };
    Application->Run();
    DoneApplication();
    return 0;
}
