// TDBGrid on the layer's test dataset, shown offscreen: the selected row follows the cursor and
// moves it, cells draw through OnDrawColumnCell with the selection colours, cells edit in place,
// and the keyboard moves, appends, cancels and deletes.
#include "platform/dbctrls/dbgrids.h"
#include "platform/testing/memdata.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/testing/scriptedresponder.h"
#include "support/testutil.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPixmap>

#include <cstdlib>

namespace {

using sdelka::test::SendKey;

using sdelka::test::ProcessEvents;

// Types into the widget that has the focus (the grid's editor once it opens), or into W.
void TypeIntoFocus(QWidget* W, const QString& Text) {
    for (QChar c : Text) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : W;
        SendKey(target, c.isDigit() ? Qt::Key_0 + c.digitValue() : Qt::Key_A, Qt::NoModifier, QString(c));
    }
}

void Click(QWidget* W, const TRect& R, bool Double = false) {
    QPointF p((R.Left + R.Right) / 2.0, (R.Top + R.Bottom) / 2.0);
    QMouseEvent press(QEvent::MouseButtonPress, p, W->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(W, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, W->mapToGlobal(p), Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(W, &release);
    if (Double) {
        QMouseEvent dbl(QEvent::MouseButtonDblClick, p, W->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(W, &dbl);
        QCoreApplication::sendEvent(W, &release);
    }
}

// One OnDrawColumnCell call as the handler saw it.
struct TDrawn {
    int Row;  // the link's active record while drawing
    int DataCol;
    String FieldName;
    String Value;
    TColor FontColor;
    TColor BrushColor;
    bool Selected;
};

class DBGridTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Table = New<TTestTableDataSet>(nullptr);
        Table->FieldDefs()->Add(u"ID"_S, ftInteger);
        Table->FieldDefs()->Add(u"NAME"_S, ftString, 20);
        Table->FieldDefs()->Add(u"HOURS"_S, ftFloat);
        Table->CreateDataSet();
        for (int i = 1; i <= 30; ++i) Table->AppendRecord({i, u"Работник "_S + QString::number(i), i * 0.5});
        Table->First();
        Src = New<TDataSource>(nullptr);
        Src->SetDataSet(Table);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 420, 260);
        Grid = New<TDBGrid>(Form);
        Grid->SetBounds(0, 0, 400, 200);
        Grid->SetParent(Form);
        Grid->SetDataSource(Src);
    }
    void TearDown() override {
        FreeAndNil(Form);
        FreeAndNil(Src);
        FreeAndNil(Table);
        SetResponder(nullptr);
        ProcessEvents();
    }
    void ShowAndFocus() {
        Form->Show();
        Grid->SetFocus();
        ProcessEvents();
    }
    int CurrentId() { return Table->FieldByName(u"ID"_S)->AsInteger(); }
    // Paints the grid once, recording what OnDrawColumnCell sees.
    std::vector<TDrawn> Draw() {
        std::vector<TDrawn> out;
        Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int DataCol, TColumn* Column, TGridDrawState State) {
            out.push_back({Grid->DataLink()->ActiveRecord(), DataCol, Column->FieldName(), Column->Field()->AsString(),
                           Grid->Canvas()->Font()->Color(), Grid->Canvas()->Brush()->Color(), State.Contains(gdSelected)});
        };
        Grid->Handle()->grab();
        Grid->OnDrawColumnCell.Clear();
        return out;
    }

    TScriptedResponder Resp;
    TTestTableDataSet* Table = nullptr;
    TDataSource* Src = nullptr;
    TForm* Form = nullptr;
    TDBGrid* Grid = nullptr;
};

TEST_F(DBGridTest, DefaultColumnsFollowTheDatasetAndTheSourceSwitch) {
    ASSERT_EQ(Grid->Columns()->Count(), 3);
    EXPECT_EQ(Grid->Columns()->State(), csDefault);
    EXPECT_EQ(Grid->Columns()->Items(1)->Field(), Table->FieldByName(u"NAME"_S));
    EXPECT_EQ(Grid->Columns()->Items(1)->Title()->Caption(), u"NAME"_S);
    Table->FieldByName(u"NAME"_S)->SetDisplayLabel(u"ФИО"_S);
    EXPECT_EQ(Grid->Columns()->Items(1)->Title()->Caption(), u"ФИО"_S);
    EXPECT_EQ(Grid->Columns()->Items(2)->Alignment(), taRightJustify);  // the numeric field's

    // Another dataset at run time: the default columns are made again from its fields.
    auto* other = New<TTestTableDataSet>(nullptr);
    other->FieldDefs()->Add(u"CODE"_S, ftString, 5);
    other->CreateDataSet();
    other->AppendRecord({u"А1"_S});
    auto* src2 = New<TDataSource>(nullptr);
    src2->SetDataSet(other);
    Grid->SetDataSource(src2);
    ASSERT_EQ(Grid->Columns()->Count(), 1);
    EXPECT_EQ(Grid->Columns()->Items(0)->Field(), other->FieldByName(u"CODE"_S));
    Grid->SetDataSource(nullptr);
    EXPECT_EQ(Grid->Columns()->Count(), 0);
    Grid->SetDataSource(Src);
    EXPECT_EQ(Grid->Columns()->Count(), 3);
    src2->Free();
    other->Free();

    // Declared columns stay the caller's, bound by name, across a source switch.
    TColumn* c = Grid->Columns()->Add();
    c->SetFieldName(u"HOURS"_S);
    c->Title()->SetCaption(u"Часы"_S);
    c->SetWidth(50);
    EXPECT_EQ(Grid->Columns()->State(), csCustomized);
    ASSERT_EQ(Grid->Columns()->Count(), 1);
    Table->Close();
    Table->Open();
    ASSERT_EQ(Grid->Columns()->Count(), 1);
    EXPECT_EQ(Grid->Columns()->Items(0)->Field(), Table->FieldByName(u"HOURS"_S));
    EXPECT_EQ(Grid->Columns()->Items(0)->Width(), 50);
    Grid->Columns()->SetState(csDefault);
    EXPECT_EQ(Grid->Columns()->Count(), 3);
}

TEST_F(DBGridTest, TheSelectedRowIsTheCurrentRecordBothWays) {
    ShowAndFocus();
    int rows = Grid->VisibleRowCount();
    ASSERT_GE(rows, 5);
    EXPECT_EQ(Grid->DataLink()->BufferCount(), rows);
    EXPECT_EQ(Grid->Row(), 1);
    Table->MoveBy(3);
    EXPECT_EQ(Grid->Row(), 1 + 3);
    // Clicking a row moves the dataset to its record, and the clicked column is selected.
    int cols = 0;
    Grid->OnColEnter = [&](TObject*) { ++cols; };
    std::vector<String> cellClicks;
    Grid->OnCellClick = [&](TColumn* C) { cellClicks.push_back(C->FieldName()); };
    Click(Grid->Handle(), Grid->CellRect(2, 1 + 1));
    EXPECT_EQ(CurrentId(), 2);
    EXPECT_EQ(Grid->SelectedIndex(), 1);
    EXPECT_EQ(Grid->SelectedField(), Table->FieldByName(u"NAME"_S));
    EXPECT_EQ(cols, 1);
    EXPECT_EQ(cellClicks, std::vector<String>{u"NAME"_S});

    struct Case { int Key; Qt::KeyboardModifiers Mods; int Id; };
    const Case keys[] = {
        {Qt::Key_Down, Qt::NoModifier, 3},   {Qt::Key_Up, Qt::NoModifier, 2},
        {Qt::Key_PageDown, Qt::NoModifier, 2 + rows}, {Qt::Key_PageUp, Qt::NoModifier, 2},
        {Qt::Key_End, Qt::ControlModifier, 30},        {Qt::Key_Up, Qt::NoModifier, 29},
        {Qt::Key_Home, Qt::ControlModifier, 1},        {Qt::Key_Up, Qt::NoModifier, 1},
    };
    for (const Case& k : keys) {
        SendKey(Grid->Handle(), k.Key, k.Mods);
        EXPECT_EQ(CurrentId(), k.Id) << "key " << k.Key;
    }
    // Scrolled to the end, the window holds the last records and the current one is the last row.
    Table->Last();
    EXPECT_EQ(Grid->Row(), rows);
    Table->Prior();
    EXPECT_EQ(Grid->Row(), rows - 1);
    // OnKeyDown sees the key first and may take it.
    Grid->OnKeyDown = [](TObject*, Word& Key, TShiftState) {
        if (Key == VK_DOWN) Key = 0;
    };
    SendKey(Grid->Handle(), Qt::Key_Down);
    EXPECT_EQ(Grid->Row(), rows - 1);
    Grid->OnKeyDown.Clear();
    // The mouse wheel moves the dataset too.
    QWheelEvent wheel(QPointF(50, 50), Grid->Handle()->mapToGlobal(QPointF(50, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(Grid->Handle(), &wheel);
    EXPECT_EQ(CurrentId(), 30);
}

TEST_F(DBGridTest, CellsDrawThroughOnDrawColumnCellWithTheSelectionColours) {
    Grid->SetOptions(Grid->Options() + dgAlwaysShowSelection);
    Grid->Columns()->Items(0)->SetColor(clYellow);
    Grid->Columns()->Items(2)->Font()->SetColor(clBlue);
    Table->MoveBy(2);
    Form->Show();
    ProcessEvents();
    std::vector<TDrawn> cells = Draw();
    int rows = Grid->VisibleRowCount();
    ASSERT_EQ(static_cast<int>(cells.size()), rows * 3);
    int selected = 0;
    for (const TDrawn& d : cells) {
        // Each row is drawn with its own record current: the handler reads the row's values.
        EXPECT_EQ(d.Row, cells[static_cast<size_t>(d.Row * 3)].Row);
        if (d.FieldName == u"ID"_S) {
            EXPECT_EQ(d.Value, QString::number(d.Row + 1));
        } else if (d.FieldName == u"NAME"_S) {
            EXPECT_EQ(d.Value, u"Работник "_S + QString::number(d.Row + 1));
        }
        bool sel = d.Row == 2 && d.DataCol == 0;
        EXPECT_EQ(d.Selected, sel) << d.Row << " " << d.DataCol;
        if (sel) {
            ++selected;
            EXPECT_EQ(d.FontColor, clHighlightText);
            EXPECT_EQ(d.BrushColor, clHighlight);
        } else {
            EXPECT_EQ(d.BrushColor, d.DataCol == 0 ? clYellow : clWindow);
            EXPECT_EQ(d.FontColor, d.DataCol == 2 ? clBlue : clWindowText);
        }
    }
    EXPECT_EQ(selected, 1);
    EXPECT_EQ(Grid->DataLink()->ActiveRecord(), 2);  // restored after painting

    // Row select: every cell of the current row is selected.
    Grid->SetOptions(Grid->Options() + dgRowSelect);
    cells = Draw();
    int selRow = 0;
    for (const TDrawn& d : cells) selRow += d.Selected ? 1 : 0;
    EXPECT_EQ(selRow, 3);

    // A handler that paints the cell itself after the default text: the grid keeps its pixels.
    Grid->SetOptions(Grid->Options() - dgRowSelect);
    Grid->OnDrawColumnCell = [this](TObject*, const TRect& R, int DataCol, TColumn* Column, TGridDrawState State) {
        if (DataCol != 2) return;
        if (Grid->Canvas()->Font()->Color() != clHighlightText && Column->Field()->AsFloat() > 10) {
            Grid->Canvas()->Brush()->SetColor(TColor(12639424));
            Grid->Canvas()->Font()->SetStyle({fsBold});
        }
        Grid->DefaultDrawColumnCell(R, DataCol, Column, State);
    };
    Table->Last();
    QImage img = Grid->Handle()->grab().toImage();
    if (const char* dir = std::getenv("SDELKA_SHOTS")) img.save(QString::fromLocal8Bit(dir) + QStringLiteral("/dbgrid.png"));
    TRect last = Grid->CellRect(3, Grid->Row() - 1);  // HOURS of the record before the last: 14.5
    EXPECT_EQ(img.pixelColor(last.Right - 2, last.Top + 1), QColor(192, 220, 192));
    TRect cur = Grid->CellRect(1, Grid->Row());
    EXPECT_EQ(img.pixelColor(cur.Left + 1, cur.Top + 1), ColorToQColor(clHighlight));
    // The indicator marks the current row only.
    auto dark = [&img](const TRect& R) {
        int n = 0;
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int x = R.Left; x < R.Right; ++x) n += qGray(img.pixel(x, y)) < 64 ? 1 : 0;
        return n;
    };
    EXPECT_GT(dark(Grid->CellRect(0, Grid->Row())), 0);
    EXPECT_EQ(dark(Grid->CellRect(0, Grid->Row() - 1)), 0);
}

TEST_F(DBGridTest, DisabledControlsDoNotRepaintUntilEnabled) {
    Grid->SetOptions(Grid->Options() + dgAlwaysShowSelection);
    Form->Show();
    ProcessEvents();
    int draws = 0;
    Grid->OnDrawColumnCell = [&](TObject*, const TRect&, int, TColumn*, TGridDrawState) { ++draws; };
    Table->DisableControls();
    Table->Next();
    Table->Next();
    ProcessEvents();
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(Grid->Row(), 1);  // the grid heard nothing yet
    Table->EnableControls();
    ProcessEvents();
    EXPECT_GT(draws, 0);
    EXPECT_EQ(Grid->Row(), 1 + 2);
}

TEST_F(DBGridTest, TypingEditsTheCellAndPostingWritesTheField) {
    ShowAndFocus();
    Grid->SetSelectedIndex(1);
    Table->Next();  // record 2
    TypeIntoFocus(Grid->Handle(), u"Новый"_S);
    ASSERT_TRUE(Grid->EditorMode());
    TDBGridInplaceEdit* ed = Grid->InplaceEditor();
    ASSERT_TRUE(ed->Visible());
    EXPECT_EQ(ed->Text(), u"Новый"_S);  // the first character replaced the cell's text
    EXPECT_EQ(Table->State(), dsEdit);
    EXPECT_EQ(Table->FieldByName(u"NAME"_S)->AsString(), u"Работник 2"_S);
    Table->Post();
    EXPECT_EQ(Table->FieldByName(u"NAME"_S)->AsString(), u"Новый"_S);
    EXPECT_EQ(Table->State(), dsBrowse);

    // In the editor: type, then Down writes the text and moves on (the move posts).
    QWidget* ew = ed->Handle();
    static_cast<QLineEdit*>(ew)->end(false);
    TypeIntoFocus(ew, u"2"_S);
    SendKey(ew, Qt::Key_Down);
    EXPECT_EQ(CurrentId(), 3);
    Table->Prior();
    EXPECT_EQ(Table->FieldByName(u"NAME"_S)->AsString(), u"Новый2"_S);

    // Esc drops the editor's text, a second Esc cancels the record.
    Grid->SetSelectedIndex(2);
    SendKey(Grid->Handle(), Qt::Key_F2);
    ASSERT_TRUE(Grid->EditorMode());
    ew = ed->Handle();
    static_cast<QLineEdit*>(ew)->selectAll();
    TypeIntoFocus(ew, u"7"_S);
    EXPECT_EQ(ed->Text(), u"7"_S);
    SendKey(ew, Qt::Key_Escape);
    EXPECT_EQ(ed->Text(), u"1"_S);  // HOURS of record 2 (1,0 shown as "1")
    EXPECT_EQ(Table->State(), dsEdit);
    SendKey(Grid->Handle(), Qt::Key_Escape);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_FALSE(Grid->EditorMode());

    // Enter in the editor writes the field; a refused value raises and keeps the record editing.
    SendKey(Grid->Handle(), Qt::Key_Return);
    ASSERT_TRUE(Grid->EditorMode());
    ew = ed->Handle();
    static_cast<QLineEdit*>(ew)->selectAll();
    TypeIntoFocus(ew, u"12,5"_S);
    SendKey(ew, Qt::Key_Return);
    EXPECT_DOUBLE_EQ(Table->FieldByName(u"HOURS"_S)->AsFloat(), 12.5);
    Table->Post();
    EXPECT_DOUBLE_EQ(Table->FieldByName(u"HOURS"_S)->AsFloat(), 12.5);
}

TEST_F(DBGridTest, LeavingTheGridWritesTheEditAndDropsAnUntouchedNewRecord) {
    auto* other = New<TEdit>(Form);
    other->SetBounds(0, 210, 100, 21);
    other->SetParent(Form);
    ShowAndFocus();
    Grid->SetSelectedIndex(1);
    TypeIntoFocus(Grid->Handle(), u"Иванов"_S);
    ASSERT_TRUE(Grid->EditorMode());
    other->SetFocus();
    ProcessEvents();
    EXPECT_EQ(Table->FieldByName(u"NAME"_S)->AsString(), u"Иванов"_S);
    EXPECT_EQ(Table->State(), dsEdit);
    Table->Post();

    // dgCancelOnExit: an appended record nobody typed into goes when the focus leaves.
    Grid->SetFocus();
    Table->Last();
    SendKey(Grid->Handle(), Qt::Key_Down);
    ASSERT_EQ(Table->State(), dsInsert);
    other->SetFocus();
    ProcessEvents();
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 30);
}

TEST_F(DBGridTest, TypingIntoAnEmptyDatasetInsertsTheFirstRecord) {
    Table->EmptyTable();
    ShowAndFocus();
    EXPECT_EQ(Grid->RowCount(), 2);  // titles and one empty row
    Grid->Handle()->grab();          // paints without records
    TypeIntoFocus(Grid->Handle(), u"5"_S);
    EXPECT_EQ(Table->State(), dsInsert);
    Table->Post();
    EXPECT_EQ(Table->RecordCount(), 1);
    EXPECT_EQ(CurrentId(), 5);
}

TEST_F(DBGridTest, ReadOnlyColumnsAndGridRefuseEditing) {
    ShowAndFocus();
    Grid->SetSelectedIndex(0);
    TColumn* c = Grid->Columns()->Items(0);
    c->SetReadOnly(true);
    TypeIntoFocus(Grid->Handle(), u"9"_S);
    EXPECT_FALSE(Grid->EditorMode());
    EXPECT_EQ(Table->State(), dsBrowse);
    c->SetReadOnly(false);
    Grid->SetOptions(Grid->Options() - dgEditing);
    TypeIntoFocus(Grid->Handle(), u"9"_S);
    EXPECT_EQ(Table->State(), dsBrowse);
    Grid->SetOptions(Grid->Options() + dgEditing);
    Grid->SetReadOnly(true);
    TypeIntoFocus(Grid->Handle(), u"9"_S);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(CurrentId(), 1);
}

TEST_F(DBGridTest, DownPastTheLastRowAppendsAndUpCancelsTheEmptyRecord) {
    ShowAndFocus();
    Table->Last();
    SendKey(Grid->Handle(), Qt::Key_Down);
    EXPECT_EQ(Table->State(), dsInsert);
    EXPECT_EQ(Grid->Row(), Grid->VisibleRowCount());
    SendKey(Grid->Handle(), Qt::Key_Down);  // an untouched new record: Down stays
    EXPECT_EQ(Table->State(), dsInsert);
    SendKey(Grid->Handle(), Qt::Key_Up);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(CurrentId(), 30);
    EXPECT_EQ(Table->RecordCount(), 30);

    // Typed into the new record and moved away: it is posted.
    SendKey(Grid->Handle(), Qt::Key_Down);
    Grid->SetSelectedIndex(0);
    TypeIntoFocus(Grid->Handle(), u"31"_S);
    SendKey(Grid->InplaceEditor()->Handle(), Qt::Key_Up);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 31);
    Table->Last();
    EXPECT_EQ(CurrentId(), 31);

    // Without editing, Down at the end stays on the last record.
    Grid->SetOptions(Grid->Options() - dgEditing);
    SendKey(Grid->Handle(), Qt::Key_Down);
    EXPECT_EQ(Table->State(), dsBrowse);
    EXPECT_EQ(Table->RecordCount(), 31);
}

TEST_F(DBGridTest, CtrlDelDeletesAfterTheConfirmation) {
    ShowAndFocus();
    Table->Next();
    Resp.Answer(mrCancel);
    SendKey(Grid->Handle(), Qt::Key_Delete, Qt::ControlModifier);
    ASSERT_EQ(Resp.CallCount(), 1);
    EXPECT_EQ(Resp.LastCall().Text, u"Delete record?"_S);
    EXPECT_EQ(Resp.LastCall().DlgType, mtConfirmation);
    EXPECT_EQ(Table->RecordCount(), 30);
    Resp.Answer(mrOk);
    SendKey(Grid->Handle(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table->RecordCount(), 29);
    EXPECT_EQ(CurrentId(), 3);
    // Switched off: no question.
    Grid->SetOptions(Grid->Options() - dgConfirmDelete);
    SendKey(Grid->Handle(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table->RecordCount(), 28);
    EXPECT_EQ(Resp.CallCount(), 2);
    // A read-only grid deletes nothing.
    Grid->SetReadOnly(true);
    SendKey(Grid->Handle(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table->RecordCount(), 28);
}

TEST_F(DBGridTest, TitlesColumnsAndClicks) {
    ShowAndFocus();
    std::vector<String> titles;
    Grid->OnTitleClick = [&](TColumn* C) { titles.push_back(C->FieldName()); };
    int dbl = 0;
    Grid->OnDblClick = [&](TObject*) { ++dbl; };
    std::vector<std::string> colEvents;
    Grid->OnColExit = [&](TObject*) { colEvents.push_back("exit " + Grid->SelectedField()->FieldName().toStdString()); };
    Grid->OnColEnter = [&](TObject*) { colEvents.push_back("enter " + Grid->SelectedField()->FieldName().toStdString()); };

    Click(Grid->Handle(), Grid->CellRect(3, 0));
    EXPECT_EQ(titles, std::vector<String>{u"HOURS"_S});
    Click(Grid->Handle(), Grid->CellRect(1, 3), true);
    EXPECT_EQ(dbl, 1);
    EXPECT_EQ(CurrentId(), 3);
    SendKey(Grid->Handle(), Qt::Key_Right);
    SendKey(Grid->Handle(), Qt::Key_Tab);
    SendKey(Grid->Handle(), Qt::Key_Tab);  // past the last column: the next row's first
    EXPECT_EQ(colEvents, (std::vector<std::string>{"exit ID", "enter NAME", "exit NAME", "enter HOURS", "exit HOURS",
                                                   "enter ID"}));
    EXPECT_EQ(CurrentId(), 4);

    // A hidden column is neither drawn nor reached; titles and indicator can go.
    Grid->Columns()->RebuildColumns();
    Grid->Columns()->Items(1)->SetVisible(false);
    EXPECT_EQ(Grid->FieldCount(), 2);
    EXPECT_EQ(Grid->Fields(1), Table->FieldByName(u"HOURS"_S));
    EXPECT_TRUE(Grid->CellRect(2, 1).IsEmpty());
    Grid->SetOptions(Grid->Options() - dgTitles - dgIndicator);
    EXPECT_EQ(Grid->CellRect(0, 0).Left, 0);
    TRect hours = Grid->CellRect(2, 2);
    EXPECT_EQ(hours.Left, Grid->CellRect(0, 2).Right + 1);  // right after ID: NAME is hidden
    TGridCoord c = Grid->MouseCoord(hours.Left + 2, hours.Top + 2);
    EXPECT_EQ(c.X, 2);
    EXPECT_EQ(c.Y, 2);
    EXPECT_EQ(Grid->GridColToColumn(2)->FieldName(), u"HOURS"_S);
}

TEST_F(DBGridTest, MultiSelectKeepsTheCtrlClickedRowsAndDeletesThem) {
    Grid->SetOptions(Grid->Options() + dgMultiSelect);
    ShowAndFocus();
    auto ctrlClick = [this](int Row) {
        TRect r = Grid->CellRect(1, Row);
        QPointF p((r.Left + r.Right) / 2.0, (r.Top + r.Bottom) / 2.0);
        QMouseEvent press(QEvent::MouseButtonPress, p, Grid->Handle()->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                          Qt::ControlModifier);
        QCoreApplication::sendEvent(Grid->Handle(), &press);
        QMouseEvent release(QEvent::MouseButtonRelease, p, Grid->Handle()->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                            Qt::ControlModifier);
        QCoreApplication::sendEvent(Grid->Handle(), &release);
    };
    ctrlClick(2);
    ctrlClick(4);
    ctrlClick(5);
    ctrlClick(5);  // a second Ctrl+click drops the row again
    EXPECT_EQ(Grid->SelectedRows()->Count(), 2);
    EXPECT_FALSE(Grid->SelectedRows()->CurrentRowSelected());
    Table->First();
    Table->Next();
    EXPECT_TRUE(Grid->SelectedRows()->CurrentRowSelected());
    Grid->SetOptions(Grid->Options() - dgConfirmDelete);
    SendKey(Grid->Handle(), Qt::Key_Delete, Qt::ControlModifier);
    EXPECT_EQ(Table->RecordCount(), 28);
    EXPECT_EQ(Grid->SelectedRows()->Count(), 0);
    EXPECT_FALSE(Table->Locate(u"ID"_S, 2, {}));
    EXPECT_FALSE(Table->Locate(u"ID"_S, 4, {}));
    // A plain click starts the selection over.
    ctrlClick(1);
    Click(Grid->Handle(), Grid->CellRect(1, 2));
    EXPECT_EQ(Grid->SelectedRows()->Count(), 0);
}

}  // namespace
