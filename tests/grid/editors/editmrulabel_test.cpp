// The edit's most-recently-used list (opening while typing, keys handed to the list, taking an
// item, closing, remembering what was written) and its caption label (the fourteen places, near
// and far spacing, the caption taken from the field, following the editor).
#include "grid/base/listboxvz.h"
#include "grid/editors/dbeditvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "support/input.h"

#include <gtest/gtest.h>

namespace {

using namespace sdelka::test;

class EditMRU : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 320, 140);
        Ed = New<TDBEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 200, 24);
        Ed->MRUList()->SetActive(true);
        for (const char16_t* s : {u"Петров", u"Иваненко", u"Иванов"}) Ed->MRUList()->Add(String::fromUtf16(s));
        Other = New<TDBEditVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 60, 200, 24);
        Form->Show();
        Ed->SetFocus();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    void Type(const String& S) {
        for (QChar c : S) SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, QString(c));
    }
    void Key(int K) { SendKeyToWindow(Ed->Handle(), K); }
    bool Open() const { return Ed->MRUList()->DroppedDown(); }
    QStringList Shown() const {
        QStringList r;
        TStrings* items = Ed->MRUListControl()->Items();
        for (int i = 0; i < items->Count(); ++i) r << items->Strings(i);
        return r;
    }
    TForm* Form = nullptr;
    TDBEditVz* Ed = nullptr;
    TDBEditVz* Other = nullptr;
};

TEST_F(EditMRU, TypingOpensTheMatchingItemsAndEnterTakesTheChosenOne) {
    Type(u"ива"_S);  // case does not matter unless the list says so
    ASSERT_TRUE(Open());
    EXPECT_EQ(Shown(), (QStringList{u"Иваненко"_S, u"Иванов"_S}));
    EXPECT_TRUE(Ed->MRUListControl()->Visible());
    EXPECT_EQ(Ed->MRUListControl()->Width(), Ed->EditRect().Width());
    EXPECT_EQ(Ed->MRUListControl()->Top(), Ed->ClientToScreen(TPoint(0, Ed->Height())).Y);
    Type(u"нов"_S);
    EXPECT_EQ(Shown(), QStringList{u"Иванов"_S});
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);
    EXPECT_EQ(Shown(), (QStringList{u"Иваненко"_S, u"Иванов"_S}));
    Key(Qt::Key_Down);  // the arrows go to the list, not to the edit
    Key(Qt::Key_Down);
    EXPECT_EQ(Ed->MRUListControl()->ItemIndex(), 1);
    Key(Qt::Key_Return);
    EXPECT_FALSE(Open());
    EXPECT_EQ(Ed->Text(), u"Иванов"_S);
}

TEST_F(EditMRU, EscAndClearingCloseWithoutTakingAnything) {
    Type(u"П"_S);
    ASSERT_TRUE(Open());
    Key(Qt::Key_Down);
    Key(Qt::Key_Escape);
    EXPECT_FALSE(Open());
    EXPECT_EQ(Ed->Text(), u"П"_S);
    Type(u"е"_S);
    ASSERT_TRUE(Open());
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Backspace);  // empty text: the list closes
    EXPECT_FALSE(Open());
    Key(Qt::Key_Backspace);  // Backspace in the empty editor offers the whole list
    ASSERT_TRUE(Open());
    EXPECT_EQ(Shown().size(), 3);
    Type(u"x"_S);  // nothing matches: the list closes
    EXPECT_FALSE(Open());
    Type(u"\b"_S);
    Other->SetFocus();  // leaving the editor closes the list
    Application->ProcessMessages();
    EXPECT_FALSE(Open());
}

TEST_F(EditMRU, WrittenTextsJoinTheListInactiveListStaysShut) {
    Type(u"Сидоров"_S);
    Key(Qt::Key_Escape);  // closes nothing (no match): Esc reads the own value back
    Ed->SetText(u"Сидоров"_S);
    EXPECT_EQ(Ed->MRUList()->Items()->Count(), 4);
    EXPECT_EQ(Ed->MRUList()->Items()->Strings(3), u"Сидоров"_S);
    Ed->MRUList()->SetActive(false);
    Ed->SetText(String());
    Type(u"С"_S);
    EXPECT_FALSE(Open());
    EXPECT_EQ(Ed->MRUList()->Items()->Count(), 4);  // an inactive list takes nothing either
}

// ---- caption label

TEST(ControlLabelPos, EveryPlaceNearAndFar) {
    const TRect e(100, 50, 180, 72);  // 80 x 22
    const int lw = 30, lh = 13, bl = 18;
    struct Case {
        TLabelPositionVz pos;
        TPoint nearPt;
        TPoint farPt;
    };
    // Spacing 3, Offset 2; far moves by the label's height above and below, by its width at the
    // sides.
    const Case cases[] = {
        {lpAboveLeftVz, {102, 34}, {102, 47}},          {lpAboveCenterVz, {127, 34}, {127, 47}},
        {lpAboveRightVz, {152, 34}, {152, 47}},         {lpBelowLeftVz, {102, 75}, {102, 88}},
        {lpBelowCenterVz, {127, 75}, {127, 88}},        {lpBelowRightVz, {152, 75}, {152, 88}},
        {lpLeftTopVz, {67, 52}, {97, 52}},              {lpLeftTextBaselineVz, {67, 57}, {97, 57}},
        {lpLeftCenterVz, {67, 56}, {97, 56}},           {lpLeftBottomVz, {67, 61}, {97, 61}},
        {lpRightTopVz, {183, 52}, {213, 52}},           {lpRightTextBaselineVz, {183, 57}, {213, 57}},
        {lpRightCenterVz, {183, 56}, {213, 56}},        {lpRightBottomVz, {183, 61}, {213, 61}},
    };
    TControlLabelLocationVz* loc = New<TControlLabelLocationVz>(nullptr);
    loc->SetOffset(2);
    for (const Case& c : cases) {
        loc->SetPosition(c.pos);
        loc->SetLabelSpacingBound(sbNearBoundVz);
        EXPECT_EQ(CalcLabelPosVz(e, lw, lh, loc, bl), c.nearPt) << c.pos;
        loc->SetLabelSpacingBound(sbFarBoundVz);
        EXPECT_EQ(CalcLabelPosVz(e, lw, lh, loc, bl), c.farPt) << c.pos;
    }
    loc->Free();
}

TEST(ControlLabel, FollowsTheEditorAndTakesTheFieldsName) {
    TForm* form = New<TForm>(nullptr);
    form->SetBounds(0, 0, 400, 200);
    TMemTableVz* t = New<TMemTableVz>(form);
    t->FieldDefs()->Add(u"Name"_S, ftString, 20);
    t->CreateDataSet();
    t->FieldByName(u"Name"_S)->SetDisplayLabel(u"Фамилия"_S);
    TDataSource* src = New<TDataSource>(form);
    src->SetDataSet(t);
    TDBEditVz* ed = New<TDBEditVz>(form);
    ed->SetName(u"edName"_S);
    ed->SetParent(form);
    ed->SetBounds(120, 40, 150, 24);
    TControlLabelVz* label = ed->ControlLabel();
    EXPECT_EQ(label->Parent(), nullptr);  // hidden until asked for
    label->SetLabelVisible(true);
    EXPECT_EQ(label->Parent(), form);
    EXPECT_TRUE(label->Visible());
    EXPECT_EQ(label->Caption(), u"edName"_S);  // no field: the editor's name
    ed->SetDataSource(src);
    ed->SetDataField(u"Name"_S);
    EXPECT_EQ(label->Caption(), u"Фамилия"_S);
    // Above left by default, 3 pixels over the editor.
    EXPECT_EQ(label->Left(), 120);
    EXPECT_EQ(label->Top() + label->Height() + 3, 40);

    ed->ControlLabelLocation()->SetPosition(lpLeftCenterVz);
    EXPECT_EQ(label->Left() + label->Width() + 3, 120);
    ed->ControlLabelLocation()->SetLabelSpacingBound(sbFarBoundVz);
    EXPECT_EQ(label->Left() + 3, 120);
    ed->SetBounds(150, 80, 150, 24);  // the label moves with the editor
    EXPECT_EQ(label->Left() + 3, 150);
    EXPECT_EQ(label->Top(), 80 + (ed->Height() - label->Height()) / 2);

    label->SetCaption(u"Кто"_S);  // a caption of its own stays
    t->FieldByName(u"Name"_S)->SetDisplayLabel(u"Ф.И.О."_S);
    EXPECT_EQ(label->Caption(), u"Кто"_S);
    label->SetCaption(String());  // and an empty one goes back to the field's
    EXPECT_EQ(label->Caption(), u"Ф.И.О."_S);

    ed->SetVisible(false);
    EXPECT_FALSE(label->Visible());
    FreeAndNil(form);
}

}  // namespace
