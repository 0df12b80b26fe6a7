// The date/time edit over a date-time field: typing (uncorrected while typing, corrected on
// leaving, the field's time kept), stepping with arrows and the wheel around month ends, leap
// years and two-digit years, the separator key, the drop-down calendar (picked parts merged, Esc
// keeps the value), and the errors of bad formats and bad texts set in code.
#include "grid/editors/datetimepickervz.h"
#include "grid/editors/dbdateeditvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/formatsettings.h"
#include "support/input.h"

#include <gtest/gtest.h>

#include <QApplication>

namespace dbdateedit_test {

using namespace sdelka::test;

TDateTime DT(int Y, int M, int D, int H = 0, int N = 0, int S = 0) { return EncodeDateTime(Y, M, D, H, N, S, 0); }
std::string Str(TDateTime V) { return FormatDateTime("yyyy-mm-dd hh:nn:ss", V).toStdString(); }

class DBDateEdit : public ::testing::Test {
protected:
    void SetUp() override {
        Saved = FormatSettings;
        SetClock([] { return DT(2026, 12, 11, 14, 30); });
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
        FormatSettings = Saved;
        SetClock(nullptr);
    }
    // A form with the edit bound to a date-time field holding Value, and another edit to leave to.
    void Make(TDateTime Value, const String& ShortDate = u"dd.mm.yyyy"_S) {
        FormatSettings.ShortDateFormat = ShortDate;
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 120);
        T = New<TMemTableVz>(Form);
        T->FieldDefs()->Add(u"Made"_S, ftDateTime);
        T->CreateDataSet();
        T->AppendRecord({VarFromDateTime(Value)});
        T->First();
        Src = New<TDataSource>(Form);
        Src->SetDataSet(T);
        Ed = New<TDBDateTimeEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 150, 22);
        Ed->SetDataSource(Src);
        Ed->SetDataField(u"Made"_S);
        Other = New<TDBEditVz>(Form);
        Other->SetParent(Form);
        Other->SetBounds(10, 40, 150, 22);
        Form->Show();
        Ed->SetFocus();
        Application->ProcessMessages();
    }
    void Type(const String& S) {
        for (QChar c : S) SendKeyToWindow(Ed->Handle(), 0, Qt::NoModifier, QString(c));
    }
    void Key(int K, Qt::KeyboardModifiers Mods = Qt::NoModifier) { SendKeyToWindow(Ed->Handle(), K, Mods); }
    void Leave() {
        Other->SetFocus();
        Application->ProcessMessages();
    }
    TDateTime Made() { return T->FieldByName(u"Made"_S)->AsDateTime(); }

    TFormatSettings Saved;
    TForm* Form = nullptr;
    TMemTableVz* T = nullptr;
    TDataSource* Src = nullptr;
    TDBDateTimeEditVz* Ed = nullptr;
    TDBEditVz* Other = nullptr;
};

TEST_F(DBDateEdit, MaskAndFormatFollowTheLocaleShortDate) {
    Make(DT(2024, 1, 31, 17, 45, 12));
    EXPECT_EQ(Ed->EditFormat(), u"DD/MM/YYYY"_S);
    EXPECT_EQ(Ed->EditMask(), u"!99/99/9999;1; "_S);
    EXPECT_EQ(Ed->DateTimeFormat(), u"DD/MM/YYYY"_S);
    EXPECT_EQ(Ed->EditText(), u"31.01.2024"_S);
    Ed->SetKind(dtkDateTimeVz);
    EXPECT_EQ(Ed->EditText(), u"31.01.2024 17:45:12"_S);
    // The time separator typed in the hour selects the minutes.
    Ed->SetSelStart(11);
    Ed->SetSelLength(0);
    Type(u":"_S);
    EXPECT_EQ(Ed->SelStart(), 14);
    EXPECT_EQ(Ed->SelLength(), 2);
    Type(u"."_S);  // the next date separator after the caret: none, back to the day
    EXPECT_EQ(Ed->SelStart(), 0);
    EXPECT_EQ(Ed->SelLength(), 2);
}

TEST_F(DBDateEdit, TypedDatesAreCorrectedOnLeavingAndKeepTheFieldsTime) {
    struct Case {
        const char16_t* shortDate;
        const char16_t* typed;
        bool nullWhileTyping;
        TDateTime written;
    };
    const Case cases[] = {
        {u"dd.mm.yyyy", u"29022024", false, DT(2024, 2, 29, 17, 45, 12)},
        {u"dd.mm.yyyy", u"29022025", true, DT(2025, 2, 28, 17, 45, 12)},
        {u"dd.mm.yyyy", u"31042026", true, DT(2026, 4, 30, 17, 45, 12)},
        {u"dd.mm.yyyy", u"15132026", true, DT(2026, 12, 15, 17, 45, 12)},
        {u"dd.mm.yy", u"010365", false, DT(2065, 3, 1, 17, 45, 12)},
        {u"dd.mm.yy", u"010366", false, DT(1966, 3, 1, 17, 45, 12)},
        {u"dd.mm.yy", u"290200", false, DT(2000, 2, 29, 17, 45, 12)},
    };
    for (const Case& c : cases) {
        Make(DT(2024, 1, 31, 17, 45, 12), String::fromUtf16(c.shortDate));
        Ed->SelectAll();
        Type(String::fromUtf16(c.typed));
        EXPECT_EQ(VarIsNull(Ed->Value()), c.nullWhileTyping) << String::fromUtf16(c.typed).toStdString();
        Leave();
        T->Post();
        EXPECT_EQ(Str(Made()), Str(c.written)) << String::fromUtf16(c.typed).toStdString();
        EXPECT_EQ(Ed->EditText(), FormatDateTime(Ed->DateTimeFormat(), c.written));
        FreeAndNil(Form);
    }
}

TEST_F(DBDateEdit, ArrowsAndTheWheelStepTheElementAtTheCaret) {
    struct Case {
        const char16_t* shortDate;
        TDateTime from;
        int caret;
        int step;  // 1 Up, -1 Down, 2 wheel away, -2 wheel toward
        const char16_t* shown;
        TDateTime left;  // after leaving
    };
    const Case cases[] = {
        {u"dd.mm.yyyy", DT(2024, 1, 31, 8), 0, 1, u"01.01.2024", DT(2024, 1, 1, 8)},
        {u"dd.mm.yyyy", DT(2024, 3, 31, 8), 3, -1, u"31.02.2024", DT(2024, 2, 29, 8)},
        {u"dd.mm.yyyy", DT(2023, 3, 31, 8), 4, -2, u"31.02.2023", DT(2023, 2, 28, 8)},
        {u"dd.mm.yyyy", DT(2024, 2, 29, 8), 7, 1, u"29.02.2025", DT(2025, 2, 28, 8)},
        {u"dd.mm.yyyy", DT(2024, 12, 1, 8), 2, 2, u"01.01.2024", DT(2024, 1, 1, 8)},  // on a separator: the month
        {u"dd.mm.yy", DT(1999, 12, 31, 8), 6, 1, u"31.12.00", DT(2000, 12, 31, 8)},
        {u"dd.mm.yy", DT(2000, 6, 15, 8), 7, -2, u"15.06.99", DT(1999, 6, 15, 8)},
    };
    for (const Case& c : cases) {
        Make(c.from, String::fromUtf16(c.shortDate));
        Ed->SetSelStart(c.caret);
        Ed->SetSelLength(0);
        if (c.step == 1) Key(Qt::Key_Up);
        else if (c.step == -1) Key(Qt::Key_Down);
        else Wheel(Ed->Handle(), QPointF(5, 5), c.step > 0 ? 1 : -1);
        EXPECT_EQ(Ed->EditText(), String::fromUtf16(c.shown)) << Str(c.from);
        EXPECT_EQ(Ed->SelLength(), Ed->SelStart() == 6 && Ed->EditFormat() == u"DD/MM/YYYY"_S ? 4 : 2);
        Leave();
        T->Post();
        EXPECT_EQ(Str(Made()), Str(c.left)) << Str(c.from);
        FreeAndNil(Form);
    }
}

TEST_F(DBDateEdit, PickingFromTheCalendarMergesTheDateAndKeepsTheTime) {
    Make(DT(2024, 1, 31, 17, 45, 12));
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Ed->CalendarVisible());
    auto* form = dynamic_cast<TPopupDateTimeCalendarFormVz*>(Ed->GetDropDownCalendar());
    ASSERT_NE(form, nullptr);
    TDateTimeCalendarPickerVz* picker = form->Calendar();
    EXPECT_EQ(Str(picker->DateTime()), Str(DT(2024, 1, 31, 17, 45, 12)));
    // A date-only edit offers year, month and day.
    EXPECT_EQ(int(picker->CalendarViewList().size()), 4);
    Word k = VK_NEXT;  // a month on: 31 January becomes 29 February
    picker->DoKeyDown(k, {});
    k = VK_RETURN;
    picker->DoKeyDown(k, {});
    Application->ProcessMessages();
    EXPECT_FALSE(Ed->CalendarVisible());
    EXPECT_EQ(Ed->EditText(), u"29.02.2024"_S);
    Leave();
    T->Post();
    EXPECT_EQ(Str(Made()), Str(DT(2024, 2, 29, 17, 45, 12)));
    // Esc closes without taking the picked value.
    Ed->SetFocus();
    Application->ProcessMessages();
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Ed->CalendarVisible());
    picker->SetDateTime(DT(2030, 5, 5));
    Ed->CloseUp(false);
    EXPECT_FALSE(Ed->CalendarVisible());
    EXPECT_EQ(Ed->EditText(), u"29.02.2024"_S);
    // Leaving for another control closes the calendar without taking its value.
    Key(Qt::Key_Down, Qt::AltModifier);
    ASSERT_TRUE(Ed->CalendarVisible());
    picker->SetDateTime(DT(2031, 1, 1));
    Leave();
    EXPECT_FALSE(Ed->CalendarVisible());
    EXPECT_EQ(Ed->EditText(), u"29.02.2024"_S);
}

TEST_F(DBDateEdit, TheMainButtonDropsDownOrStepsAsItsStyleSays) {
    Make(DT(2024, 2, 29, 9));
    TEditButtonControlVz* button = Ed->GetEditButtonControlByEditButton(Ed->EditButton());
    ASSERT_NE(button, nullptr);
    EXPECT_TRUE(Ed->EditButton()->Visible());
    button->DoMouseDown(mbLeft, {}, 2, 2);
    button->DoMouseUp(mbLeft, {}, 2, 2);
    EXPECT_TRUE(Ed->CalendarVisible());
    EXPECT_EQ(Ed->DroppedDownButton(), Ed->EditButton());
    Ed->CloseUp(false);
    EXPECT_FALSE(Ed->DroppedDown());
    // As an up-down button it steps the element at the caret: the year of 29 February.
    Ed->EditButton()->SetStyle(ebsUpDownVz);
    button = Ed->GetEditButtonControlByEditButton(Ed->EditButton());
    Ed->SetSelStart(8);
    Ed->SetSelLength(0);
    button->DoMouseDown(mbLeft, {}, 2, 1);
    button->DoMouseUp(mbLeft, {}, 2, 1);
    EXPECT_EQ(Ed->EditText(), u"29.02.2025"_S);
    EXPECT_FALSE(Ed->CalendarVisible());
    Leave();
    T->Post();
    EXPECT_EQ(Str(Made()), Str(DT(2025, 2, 28, 9)));
}

TEST_F(DBDateEdit, BadFormatsAndTextsRaiseAndChangeNothing) {
    Make(DT(2024, 1, 31));
    for (const char16_t* bad : {u"DD/MM/YYY", u"DD/MM/DD", u"DDD"})
        EXPECT_THROW(Ed->SetEditFormat(String::fromUtf16(bad)), Exception) << String::fromUtf16(bad).toStdString();
    EXPECT_EQ(Ed->EditFormat(), u"DD/MM/YYYY"_S);
    EXPECT_EQ(Ed->EditMask(), u"!99/99/9999;1; "_S);
    try {
        Ed->SetText(u"31.13.2024"_S);
        ADD_FAILURE() << "accepted";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message(), u"Invalid datetime: \"31.13.2024\""_S);
    }
    EXPECT_EQ(Str(VarToDateTime(Ed->Value())), Str(DT(2024, 1, 31)));
    Ed->SetEditFormat(u"HH:NN"_S);
    EXPECT_EQ(Ed->Kind(), dtkCustomVz);
    Ed->SetValue(VarFromDateTime(DT(2024, 1, 31, 9, 5)));
    EXPECT_EQ(Ed->EditText(), u"09:05"_S);
}

} // namespace
