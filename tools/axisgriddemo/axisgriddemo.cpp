// The data-aware axis grid over an in-memory table of parts, to look at and drive under a real X
// server: columns ID, "Name" (with a pick list of part names), "Dept" (a department code) and
// "DeptTitle" (the department's name, looked up by the code in a second table). Each record written is printed on standard output,
// one line each, so a script that drives the window can check it:
//   post ID NAME DEPT        a record was written (DEPT is the department's name)
//   editor TEXT|SELECTED     on F11: the editor's text and its selected part
// With --shot FILE, F12 saves a screenshot of the whole screen to FILE (PNG).
#include "grid/axis/dbaxisgridinplacevz.h"
#include "platform/gui/forms.h"
#include "tests/grid/axis/testaxisgrid.h"

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
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetCaption(QStringLiteral("Axis grid"));
    form->SetBounds(0, 0, 520, 260);

    auto* depts = New<TMemTableVz>(form);
    depts->FieldDefs()->Add(u"Code"_S, ftString, 5);
    depts->FieldDefs()->Add(u"Title"_S, ftWideString, 20);
    depts->CreateDataSet();
    int code = 0;
    for (const char16_t* s : {u"Резка", u"Сварка", u"Сборка", u"Покраска"})
        depts->AppendRecord({Variant(QString::number(++code)), Variant(String::fromUtf16(s))});

    auto* parts = New<TMemTableVz>(form);
    parts->FieldDefs()->Add(u"ID"_S, ftInteger);
    parts->FieldDefs()->Add(u"Name"_S, ftWideString, 30);
    parts->FieldDefs()->Add(u"Dept"_S, ftString, 5);
    for (int i = 0; i < parts->FieldDefs()->Count(); ++i) parts->FieldDefs()->Items(i)->CreateField(parts);
    TField* look = New<TWideStringField>(parts);
    look->SetFieldName(u"DeptTitle"_S);
    look->SetFieldKind(fkLookup);
    look->SetSize(20);
    look->SetKeyFields(u"Dept"_S);
    look->SetLookupDataSet(depts);
    look->SetLookupKeyFields(u"Code"_S);
    look->SetLookupResultField(u"Title"_S);
    look->SetDataSet(parts);
    parts->CreateDataSet();
    parts->AppendRecord({Variant(1), Variant(u"Болт"_S), Variant(u"1"_S)});
    parts->AppendRecord({Variant(2), Variant(u"Гайка"_S), Variant(u"1"_S)});
    parts->AppendRecord({Variant(3), Variant(u"Шайба"_S), Variant(u"4"_S)});
    parts->First();
    parts->AfterPost = [parts](TDataSet*) {
        Print(u"post "_S + parts->FieldByName(u"ID"_S)->AsString() + u' ' + parts->FieldByName(u"Name"_S)->AsString() +
              u' ' + parts->FieldByName(u"DeptTitle"_S)->AsString());
    };
    auto* src = New<TDataSource>(form);
    src->SetDataSet(parts);

    auto* grid = New<TTestAxisGridVz>(form);
    grid->SetParent(form);
    grid->SetAlign(alClient);
    grid->SetDataSource(src);
    grid->AxisBars()->AddAllBars(true);
    TAxisBarVz* name = grid->FindFieldColumn(u"Name"_S);
    for (const char16_t* s : {u"Болт", u"Винт", u"Гайка", u"Заклёпка", u"Шайба", u"Шпилька"})
        name->PickList()->Add(String::fromUtf16(s));
    name->SetDropDownWidth(160);

    form->OnActivate = [grid](TObject*) { grid->SetFocus(); };
    form->SetKeyPreview(true);
    QString shot;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--shot") == 0) shot = QString::fromLocal8Bit(argv[i + 1]);
    form->OnKeyDown = [grid, shot](TObject*, Word& Key, TShiftState) {
        if (Key == VK_F11 && grid->InplaceEditor()) {
            Key = 0;
            Print(u"editor "_S + grid->InplaceEditor()->Text() + u'|' + grid->InplaceEditor()->SelText());
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
