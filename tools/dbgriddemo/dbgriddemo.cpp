// The data grid over an in-memory table of piece-work lines, to look at and drive under a real X
// server: columns ID, "Name" (Cyrillic part names), "Qty" and "Price", several records selectable,
// titles that sort when clicked. It tells a driving script where things are and what it holds:
//   F10: "cell COL ROW X Y" (screen centre of data column COL, data row ROW; column -1 is the
//        indicator), "title COL X Y" (a title's upper part), "strip COL X Y" (the strip at the
//        bottom of a title that selects columns), "border COL X Y" (a title's right edge)
//   F11: "current ID", "selection KIND", "marked ID,ID,...", "width FIELD N" per column,
//        "first ID QTY" (the table's first record), "sort FIELD MARKER" per sorted column
//   F8:  the keyboard's report: "key current ID", "key column N" (the selected column),
//        "key marked ID,ID,...", "key search TEXT" (the in-place search's text, "-" when none runs),
//        "key page N" (the rows a page key moves)
//   F9:  row selection on or off
// With --shot FILE, F12 saves a screenshot of the whole screen to FILE (PNG).
#include "grid/dbgrid/dbgridvz.h"
#include "grid/dbgrid/gridselectvz.h"
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

const char* KindName(TDBGridVzSelectionType K) {
    switch (K) {
    case gstRecordBookmarks: return "records";
    case gstRectangle: return "rectangle";
    case gstColumns: return "columns";
    case gstAll: return "all";
    case gstNon: break;
    }
    return "none";
}

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption(QStringLiteral("Data grid"));
    form->SetBounds(0, 0, 560, 320);

    auto* table = New<TMemTableVz>(form);
    table->FieldDefs()->Add(u"ID"_S, ftInteger);
    table->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
    table->FieldDefs()->Add(u"Qty"_S, ftInteger);
    table->FieldDefs()->Add(u"Price"_S, ftFloat);
    table->CreateDataSet();
    const char16_t* names[] = {u"Болт", u"Гайка", u"Шайба", u"Винт", u"Заклёпка", u"Шпилька"};
    for (int i = 1; i <= 30; ++i)
        table->AppendRecord({Variant(i), Variant(String::fromUtf16(names[i % 6])), Variant((i * 7) % 11),
                             Variant(i * 1.5)});
    table->First();
    auto* src = New<TDataSource>(form);
    src->SetDataSet(table);

    auto* grid = New<TDBGridVz>(form);
    grid->SetName(u"Grid"_S);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetOptions(grid->Options() + dgMultiSelect - dgEditing);
    grid->SetOptionsVz(grid->OptionsVz() + dghAutoSortMarking + dghMultiSortMarking + dghIncSearch);
    grid->SetDataSource(src);
    grid->Columns()->BeginUpdate();
    for (const char16_t* f : {u"ID", u"Name", u"Qty", u"Price"}) {
        TColumnVz* c = grid->Columns()->Add();
        c->SetFieldName(String::fromUtf16(f));
        c->SetWidth(100);
        c->Title()->SetTitleButton(true);
    }
    grid->Columns()->EndUpdate();

    auto id = [table] { return table->FieldByName(u"ID"_S)->AsString(); };
    form->OnActivate = [grid](TObject*) { grid->SetFocus(); };
    form->SetKeyPreview(true);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) shot = QString::fromLocal8Bit(argv[i + 1]);
    form->OnKeyDown = [grid, table, shot, id](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F10) {
            Key = 0;
            auto at = [grid](const char* What, int Col, int GridCol, int GridRow, int DX, int DY) {
                const TRect r = grid->CellRect(GridCol, GridRow);
                const TPoint p = grid->ClientToScreen(
                    TPoint(DX == 0 ? (r.Left + r.Right) / 2 : DX > 0 ? r.Right - DX : r.Left - DX,
                           DY == 0 ? (r.Top + r.Bottom) / 2 : DY > 0 ? r.Bottom - DY : r.Top - DY));
                Print(QStringLiteral("%1 %2 %3 %4").arg(QString::fromLatin1(What)).arg(Col).arg(p.X).arg(p.Y));
            };
            for (int c = -1; c < grid->Columns()->Count(); ++c)
                for (int r = 0; r < 8; ++r) {
                    const TRect cr = grid->CellRect(c < 0 ? 0 : grid->DataColToGridCol(c), grid->DataRowToGridRow(r));
                    const TPoint p = grid->ClientToScreen(TPoint((cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2));
                    Print(QStringLiteral("cell %1 %2 %3 %4").arg(c).arg(r).arg(p.X).arg(p.Y));
                }
            for (int c = 0; c < grid->Columns()->Count(); ++c) {
                at("title", c, grid->DataColToGridCol(c), 0, 0, -4);
                at("strip", c, grid->DataColToGridCol(c), 0, 0, 3);
                at("border", c, grid->DataColToGridCol(c), 0, 1, -6);
            }
        } else if (Key == VK_F9) {
            Key = 0;
            if (grid->Options().Contains(dgRowSelect)) grid->SetOptions(grid->Options() - dgRowSelect);
            else grid->SetOptions(grid->Options() + dgRowSelect);
        } else if (Key == VK_F8) {
            Key = 0;
            Print(u"key current "_S + id());
            Print(QStringLiteral("key column %1").arg(grid->SelectedIndex()));
            String marked;
            const TBookmark back = table->Bookmark();
            table->DisableControls();
            for (int i = 0; i < grid->SelectedRows()->Count(); ++i) {
                table->GotoBookmark(grid->SelectedRows()->Items(i));
                marked += (i ? u","_S : String()) + id();
            }
            table->GotoBookmark(back);
            table->EnableControls();
            Print(u"key marked "_S + marked);
            Print(u"key search "_S + (grid->InplaceSearching() ? grid->InplaceSearchText() : u"-"_S));
            Print(QStringLiteral("key page %1").arg(grid->VisibleDataRowCount()));
        } else if (Key == VK_F11) {
            Key = 0;
            Print(u"current "_S + id());
            Print(QStringLiteral("selection %1").arg(QString::fromLatin1(KindName(grid->Selection()->SelectionType()))));
            String marked;
            const TBookmark back = table->Bookmark();
            table->DisableControls();
            for (int i = 0; i < grid->SelectedRows()->Count(); ++i) {
                table->GotoBookmark(grid->SelectedRows()->Items(i));
                marked += (i ? u","_S : String()) + id();
            }
            table->First();
            const String first = id() + u' ' + table->FieldByName(u"Qty"_S)->AsString();
            table->GotoBookmark(back);
            table->EnableControls();
            Print(u"marked "_S + marked);
            for (int c = 0; c < grid->Columns()->Count(); ++c) {
                TColumnVz* col = grid->Columns()->Items(c);
                Print(QStringLiteral("width %1 %2").arg(col->FieldName()).arg(col->Width()));
                if (col->Title()->SortMarker() != smNoneVz)
                    Print(QStringLiteral("sort %1 %2").arg(col->FieldName(),
                                                           col->Title()->SortMarker() == smUpVz ? u"up"_S : u"down"_S));
            }
            Print(u"first "_S + first);
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
