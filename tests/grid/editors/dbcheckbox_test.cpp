// The data-aware check box over an in-memory dataset and unbound: which texts read as checked,
// unchecked or grayed, toggling by click and space bar, writing on exit and at once from code,
// and a write that fails.
#include "grid/editors/dbcheckboxvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

namespace {

using namespace sdelka::test;

class DBCheckBox : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 120);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Flag"_S, ftString, 5);
        T->FieldDefs()->Add(u"Done"_S, ftBoolean);
        T->CreateDataSet();
        T->AppendRecord({Variant(u"Y"_S), Variant(true)});
        T->AppendRecord({Variant(u""_S), Null()});
        T->AppendRecord({Variant(u"?"_S), Variant(false)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Box = New<TDBCheckBoxVz>(Form);
        Box->SetParent(Form);
        Box->SetBounds(10, 10, 120, 20);
        Box->SetCaption(u"Готово"_S);
        Other = New<TDBCheckBoxVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 40, 120, 20);
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Bind(const String& FieldName) {
        Box->SetDataSource(Src);
        Box->SetDataField(FieldName);
    }
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBCheckBoxVz* Box = nullptr;
    TDBCheckBoxVz* Other = nullptr;
};

TEST(CheckBoxValues, MatchingIgnoresCaseAndAnEmptyLastItemTakesEmptyText) {
    struct Case {
        const char16_t* values;
        const char16_t* text;
        bool match;
    };
    const Case cases[] = {
        {u"y;да;1", u"Y", true}, {u"y;да;1", u"ДА", true}, {u"y;да;1", u"n", false},
        {u"n;нет;", u"", true},  {u"n;нет", u"", false},   {u"", u"", true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CheckBoxValueMatchesVz(String::fromUtf16(c.values), String::fromUtf16(c.text)), c.match)
            << String::fromUtf16(c.values).toStdString() << " / " << String::fromUtf16(c.text).toStdString();
}

TEST_F(DBCheckBox, TextFieldsReadThroughTheValueLists) {
    Box->SetValueChecked(u"y;да"_S);
    Box->SetValueUnchecked(u"n;"_S);
    Bind(u"Flag"_S);
    EXPECT_EQ(Box->State(), cbChecked);  // "Y" against "y"
    T->Next();
    EXPECT_EQ(Box->State(), cbUnchecked);  // empty text, the list ends with ';'
    T->Next();
    EXPECT_EQ(Box->State(), cbGrayed);
    Box->SetValueUnchecked(u"n"_S);
    T->Prior();
    EXPECT_EQ(Box->State(), cbGrayed);  // empty text, no empty item
}

TEST_F(DBCheckBox, BooleanFieldsReadAsBooleansWhileTheListsAreTheDefaults) {
    Bind(u"Done"_S);
    EXPECT_EQ(Box->State(), cbChecked);
    T->Next();
    EXPECT_EQ(Box->State(), cbGrayed);
    T->Next();
    EXPECT_EQ(Box->State(), cbUnchecked);
    // Other lists compare the field's text.
    Box->SetValueChecked(u"False"_S);
    Box->SetValueUnchecked(u"True"_S);
    EXPECT_EQ(Box->State(), cbChecked);
}

TEST_F(DBCheckBox, ClicksToggleAndTheValueIsWrittenOnExit) {
    Bind(u"Flag"_S);
    Box->SetValueChecked(u"Y"_S);
    Box->SetValueUnchecked(u"N"_S);
    T->Next();
    T->Next();  // "?" → grayed
    Form->Show();
    Application->ProcessMessages();
    ASSERT_EQ(Box->State(), cbGrayed);
    ClickWindow(Box->Handle());
    Application->ProcessMessages();
    EXPECT_EQ(Box->State(), cbChecked);  // grayed goes to checked
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_EQ(T->FieldByName(u"Flag"_S)->AsString(), u"?"_S);  // not yet written
    ClickWindow(Box->Handle());
    Application->ProcessMessages();
    EXPECT_EQ(Box->State(), cbUnchecked);  // no grayed step without AllowGrayed
    ClickWindow(Box->Handle());
    Application->ProcessMessages();
    EXPECT_EQ(Box->State(), cbChecked);

    Other->SetFocus();  // leaving writes the first item of the list
    Application->ProcessMessages();
    EXPECT_EQ(T->FieldByName(u"Flag"_S)->AsString(), u"Y"_S);
    T->Post();
    EXPECT_EQ(T->FieldByName(u"Flag"_S)->AsString(), u"Y"_S);
}

TEST_F(DBCheckBox, TheSpaceBarTogglesAndGrayedIsAStepWhenAllowed) {
    Bind(u"Done"_S);
    Box->SetAllowGrayed(true);
    T->Last();  // False
    Form->Show();
    Box->SetFocus();
    Application->ProcessMessages();
    SendKeyToWindow(Box->Handle(), Qt::Key_Space, Qt::NoModifier, u" "_S);
    Application->ProcessMessages();
    EXPECT_EQ(Box->State(), cbGrayed);
    SendKeyToWindow(Box->Handle(), Qt::Key_Space, Qt::NoModifier, u" "_S);
    Application->ProcessMessages();
    EXPECT_EQ(Box->State(), cbChecked);
    T->Post();  // the post asks the box for its value
    EXPECT_TRUE(T->FieldByName(u"Done"_S)->AsBoolean());
}

TEST_F(DBCheckBox, StateSetInCodeIsWrittenAtOnce) {
    Bind(u"Done"_S);
    Box->SetState(cbUnchecked);
    EXPECT_EQ(T->State(), dsEdit);
    EXPECT_FALSE(T->FieldByName(u"Done"_S)->AsBoolean());
    Box->SetState(cbGrayed);
    EXPECT_TRUE(T->FieldByName(u"Done"_S)->IsNull());
    T->Cancel();
    EXPECT_EQ(Box->State(), cbChecked);

    // A read-only field refuses; the box reads the data again.
    T->FieldByName(u"Done"_S)->SetReadOnly(true);
    EXPECT_THROW(Box->SetState(cbUnchecked), Exception);
    T->Cancel();
    EXPECT_EQ(Box->State(), cbChecked);
}

TEST_F(DBCheckBox, AnUnboundBoxKeepsItsOwnValue) {
    EXPECT_EQ(Box->State(), cbUnchecked);
    EXPECT_TRUE(VarEqualsVz(Box->DataLink()->DataIndependentValue, Variant(false)));
    Box->SetState(cbGrayed);
    EXPECT_TRUE(VarIsNull(Box->DataLink()->DataIndependentValue));
    Box->SetChecked(true);
    EXPECT_TRUE(VarEqualsVz(Box->DataLink()->DataIndependentValue, Variant(true)));
    int clicks = 0;
    Box->OnClick = [&](TObject*) { ++clicks; };
    Box->Toggle();
    EXPECT_EQ(Box->State(), cbUnchecked);
    EXPECT_EQ(clicks, 1);
}

TEST_F(DBCheckBox, PaintsTheBoxAndTheCaption) {
    Bind(u"Done"_S);
    Form->Show();
    Application->ProcessMessages();
    const QImage checked = Box->Handle()->grab().toImage();
    if (const QByteArray dir = qgetenv("SDELKA_SHOTS"); !dir.isEmpty())
        checked.save(QDir(QString::fromLocal8Bit(dir)).filePath(u"dbcheckbox.png"_S));
    T->Last();
    Application->ProcessMessages();
    const QImage unchecked = Box->Handle()->grab().toImage();
    // Something dark is drawn both in the box at the left and in the caption to its right, and
    // the two states differ only in the box.
    auto darkIn = [](const QImage& I, int X0, int X1) {
        int n = 0;
        for (int y = 0; y < I.height(); ++y)
            for (int x = X0; x < X1 && x < I.width(); ++x) n += qGray(I.pixel(x, y)) < 100;
        return n;
    };
    EXPECT_GT(darkIn(checked, 0, 16), darkIn(unchecked, 0, 16));
    EXPECT_GT(darkIn(checked, 20, 120), 10);
    EXPECT_EQ(darkIn(checked, 20, 120), darkIn(unchecked, 20, 120));
}

}  // namespace
