// Scroll bars, track bars, up-downs and date pickers: ranges as the framework counts them, the
// events of user actions and of code, the picker's calendar and keys.
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/gui/rangectrls.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/dateutils.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QDateTimeEdit>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSlider>
#include <QTableView>

namespace {

using sdelka::test::Click;
using sdelka::test::SendKey;

class RangeCtrlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        SetResponder(&Resp);
        Form = New<TForm>(nullptr);
        Form->SetBorderStyle(bsNone);
        Form->SetBounds(0, 0, 320, 240);
    }
    void TearDown() override {
        FreeAndNil(Form);
        SetResponder(nullptr);
        SetClock(nullptr);
        Application->ProcessMessages();
    }
    template <class T>
    T* Add(int L, int T_, int W, int H) {
        T* c = New<T>(Form);
        c->SetBounds(L, T_, W, H);
        c->SetParent(Form);
        return c;
    }
    TScriptedResponder Resp;
    TForm* Form = nullptr;
};

// ---- scroll bar --------------------------------------------------------------------------------

TEST_F(RangeCtrlsTest, ScrollBarActionsFollowMinMaxPageSize) {
    auto* sb = Add<TScrollBar>(0, 0, 200, 17);
    sb->SetParams(0, 0, 99);
    sb->SetPageSize(10);
    sb->SetLargeChange(10);
    sb->SetSmallChange(3);
    EXPECT_EQ(sb->MaxPosition(), 90);
    sb->SetPosition(95);  // beyond the reach of the thumb
    EXPECT_EQ(sb->Position(), 90);
    struct Case {
        TScrollCode Code;
        int From, Track, Expected;
    } cases[] = {
        {scLineDown, 0, 0, 3}, {scLineUp, 2, 0, 0},     {scPageDown, 85, 0, 90}, {scPageUp, 50, 0, 40},
        {scTop, 50, 0, 0},     {scBottom, 0, 0, 90},    {scTrack, 0, 42, 42},    {scPosition, 0, 120, 90},
        {scEndScroll, 7, 0, 7},
    };
    for (const Case& c : cases) {
        sb->SetPosition(c.From);
        sb->DoScroll(c.Code, c.Track);
        EXPECT_EQ(sb->Position(), c.Expected) << "code " << c.Code;
    }
    EXPECT_THROW(sb->SetParams(0, 10, 5), EInvalidOperation);
    EXPECT_THROW(sb->SetPageSize(200), EInvalidOperation);
    sb->SetPageSize(0);
    sb->SetPosition(99);
    EXPECT_EQ(sb->Position(), 99);  // no page: Max is reachable
}

TEST_F(RangeCtrlsTest, ScrollBarUserActionGoesThroughOnScrollWhichMayChangeIt) {
    auto* sb = Add<TScrollBar>(0, 0, 200, 17);
    sb->SetParams(10, 0, 50);
    sb->SetSmallChange(5);
    std::vector<std::pair<int, int>> log;  // code, proposed position
    int changes = 0;
    sb->OnChange = [&](TObject*) { ++changes; };
    sb->OnScroll = [&](TObject*, TScrollCode Code, int& Pos) {
        log.emplace_back(Code, Pos);
        if (Code == scLineDown && Pos > 20) Pos = 20;  // the handler holds it back
    };
    Form->Show();
    auto* q = static_cast<QScrollBar*>(sb->Handle());
    q->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(sb->Position(), 15);
    EXPECT_EQ(q->value(), 15);
    q->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    q->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(sb->Position(), 20);
    EXPECT_EQ(q->value(), 20);
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0], std::make_pair(int(scLineDown), 15));
    EXPECT_EQ(log[1], std::make_pair(int(scEndScroll), 15));
    EXPECT_EQ(log[4], std::make_pair(int(scLineDown), 25));
    EXPECT_EQ(changes, 2);
    sb->SetPosition(0);  // by code: OnChange, no OnScroll
    EXPECT_EQ(changes, 3);
    EXPECT_EQ(log.size(), 6u);
}

// ---- track bar ---------------------------------------------------------------------------------

TEST_F(RangeCtrlsTest, TrackBarKeepsPositionInRangeAndReportsChanges) {
    auto* tb = Add<TTrackBar>(0, 0, 150, 30);
    std::vector<int> changes;
    tb->OnChange = [&](TObject*) { changes.push_back(tb->Position()); };
    tb->SetPosition(4);
    tb->SetPosition(40);  // clipped to Max 10
    tb->SetMax(8);        // the position follows
    Form->Show();
    auto* q = static_cast<QSlider*>(tb->Handle());
    EXPECT_EQ(q->value(), 8);
    q->triggerAction(QAbstractSlider::SliderSingleStepSub);  // the user moves it
    EXPECT_EQ(tb->Position(), 7);
    EXPECT_EQ(changes, (std::vector<int>{4, 10, 8, 7}));
    tb->SetOrientation(trVertical);
    EXPECT_EQ(tb->Width(), 30);
    EXPECT_EQ(q->orientation(), Qt::Vertical);
}

// ---- up-down -----------------------------------------------------------------------------------

TEST_F(RangeCtrlsTest, UpDownStepsItsEditAndReadsTypedNumbersBack) {
    auto* ed = Add<TEdit>(10, 10, 80, 21);
    auto* ud = New<TUpDown>(Form);
    ud->SetParent(Form);
    ud->SetMax(2000);
    ud->SetIncrement(500);
    ud->SetAssociate(ed);
    EXPECT_EQ(ed->Width(), 80 - ud->Width());
    EXPECT_EQ(ud->Left(), ed->Left() + ed->Width());
    EXPECT_EQ(ed->Text(), u"0"_S);
    std::vector<int> clicks;
    ud->OnClick = [&](TObject*, TUDBtnType B) { clicks.push_back(B); };
    Form->Show();
    Click(ud->Handle(), QPoint(ud->Width() / 2, 3));  // the upper button
    ud->DoButtonClick(btNext);
    ud->DoButtonClick(btNext);
    EXPECT_EQ(ed->Text(), QString("1") + FormatSettings.ThousandSeparator + "500");
    ed->SetText(u"1990"_S);  // typed by the user
    ud->DoButtonClick(btNext);
    EXPECT_EQ(ud->Position(), 2000);  // stops at Max without Wrap
    ud->SetWrap(true);
    ud->DoButtonClick(btNext);
    EXPECT_EQ(ud->Position(), 0);
    bool allow = false;
    ud->OnChanging = [&](TObject*, bool& A) { A = allow; };
    ud->DoButtonClick(btNext);
    EXPECT_EQ(ud->Position(), 0);
    EXPECT_EQ(clicks, (std::vector<int>{btNext, btNext, btNext, btNext, btNext}));
    auto* ud2 = New<TUpDown>(Form);
    ud2->SetParent(Form);
    EXPECT_THROW(ud2->SetAssociate(ed), Exception);
}

// ---- date and time picker ----------------------------------------------------------------------

TEST_F(RangeCtrlsTest, PickerDisplayFormatsFollowFormatSettings) {
    struct Case {
        const char* Framework;
        const char16_t* Qt;
    } cases[] = {
        {"dd.mm.yyyy", u"dd.MM.yyyy"},
        {"d mmmm yyyy 'г.'", u"d MMMM yyyy 'г.'"},
        {"hh:nn:ss", u"hh:mm:ss"},
        {"h:mm", u"h:mm"},
        {"dd/mm/yy", u"dd.MM.yy"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TDateTimePicker::QtDisplayFormat(QString::fromUtf8(c.Framework)), QString::fromUtf16(c.Qt))
            << c.Framework;
    auto* dt = Add<TDateTimePicker>(10, 10, 120, 21);
    dt->SetDate(EncodeDate(2024, 3, 5));
    Form->Show();
    auto* q = static_cast<QDateTimeEdit*>(dt->Handle());
    EXPECT_EQ(q->text(), u"05.03.2024"_S);
    dt->SetDateFormat(dfLong);
    EXPECT_EQ(static_cast<QDateTimeEdit*>(dt->Handle())->text(), u"5 марта 2024 г."_S);
}

TEST_F(RangeCtrlsTest, PickerUserEditCalendarPickAndCloseUp) {
    auto* dt = Add<TDateTimePicker>(10, 10, 120, 21);
    dt->SetDateTime(EncodeDate(2024, 3, 5) + EncodeTime(8, 30, 0, 0));
    QStringList log;
    dt->OnChange = [&](TObject*) { log << "change " + DateToStr(dt->Date()); };
    dt->OnCloseUp = [&](TObject*) { log << "closeup " + DateToStr(dt->Date()); };
    dt->OnDropDown = [&](TObject*) { log << "dropdown"; };
    dt->SetDate(EncodeDate(2024, 3, 6));  // by code: no OnChange
    Form->Show();
    auto* q = static_cast<QDateTimeEdit*>(dt->Handle());
    q->setCurrentSection(QDateTimeEdit::DaySection);
    SendKey(q, Qt::Key_Up);  // the user steps the day
    EXPECT_EQ(dt->Date(), EncodeDate(2024, 3, 7));
    EXPECT_DOUBLE_EQ(dt->Time(), EncodeTime(8, 30, 0, 0));  // the time of day is kept
    // The calendar: a different day, then the same day again.
    QCalendarWidget* cal = q->calendarWidget();
    auto pick = [&](QDate D) {
        cal->window()->show();
        cal->setSelectedDate(D);
        QTableView* view = cal->findChild<QTableView*>();
        ASSERT_NE(view, nullptr);
        SendKey(view, Qt::Key_Return);
    };
    pick(QDate(2024, 3, 20));
    EXPECT_FALSE(cal->window()->isVisible());
    pick(QDate(2024, 3, 20));
    // Neither the code's SetDate nor the same day picked again is a change; both picks close up.
    EXPECT_EQ(log, QStringList({"change 07.03.2024", "dropdown", "change 20.03.2024", "closeup 20.03.2024",
                                "dropdown", "closeup 20.03.2024"}));
}

TEST_F(RangeCtrlsTest, PickerEnterReachesOnKeyPressAndRangeIsChecked) {
    auto* dt = Add<TDateTimePicker>(10, 10, 120, 21);
    std::vector<int> keys;
    dt->OnKeyPress = [&](TObject*, Char& K) { keys.push_back(K.unicode()); };
    Form->Show();
    SendKey(dt->Handle(), Qt::Key_Return);
    EXPECT_EQ(keys, std::vector<int>{13});
    dt->SetDate(EncodeDate(2024, 1, 10));
    dt->SetMinDate(EncodeDate(2024, 1, 1));
    dt->SetMaxDate(EncodeDate(2024, 12, 31));
    EXPECT_THROW(dt->SetDate(EncodeDate(2023, 12, 31)), EDateTimeError);
    EXPECT_THROW(dt->SetDate(EncodeDate(2025, 1, 1)), EDateTimeError);
    EXPECT_EQ(dt->Date(), EncodeDate(2024, 1, 10));
    dt->SetKind(dtkTime);
    dt->SetTime(EncodeTime(14, 5, 9, 0));
    EXPECT_EQ(static_cast<QDateTimeEdit*>(dt->Handle())->text(), u"14:05:09"_S);
    EXPECT_EQ(dt->Date(), EncodeDate(2024, 1, 10));
}

// Keys of the date sections, as the user gives them: each case starts from a date with a section
// focused and gives its keys ('0'..'9', '.', '<' '>' for Left and Right, '^' 'v' for Up and
// Down, '!' for Enter, '#' for the focus leaving); the date and text shown after them must be the
// value, and a date that does not exist is refused with a message.
TEST_F(RangeCtrlsTest, PickerTypingAndStepsGiveTheDateShown) {
    struct Case {
        const char* From;
        int Section;  // 0 day, 1 month, 2 year
        const char* Keys;
        const char* Shown;     // the value, shown as the text
        const char* Refused;   // the message's date, or empty
    } const cases[] = {
        {"11.12.2026", 0, "15", "15.12.2026", ""},
        {"11.12.2026", 0, "15012027", "15.01.2027", ""},
        {"11.12.2026", 1, "12", "11.12.2026", ""},   // not 11.01.2026
        {"11.12.2026", 1, "1#", "11.01.2026", ""},   // a month of one digit is what it says
        {"11.12.2026", 0, "4>", "04.12.2026", ""},   // a day from 4 is done, the month focused
        {"11.12.2026", 0, "403", "04.03.2026", ""},
        {"11.12.2026", 0, "5.3.", "05.03.2026", ""},
        {"11.12.2026", 0, ">05", "11.05.2026", ""},
        {"31.12.2026", 0, "29022024", "29.02.2024", ""},  // 29.02.2026 on the way, not refused
        {"31.12.2026", 0, "29022025", "31.12.2026", "29.02.2025"},
        {"31.12.2026", 0, "3102", "31.12.2026", ""},       // not taken yet: still the value
        {"31.12.2026", 0, "3102#", "31.12.2026", "31.02.2026"},
        {"31.12.2026", 0, "3102!", "31.12.2026", "31.02.2026"},
        {"31.12.2026", 0, "311320", "31.12.2026", ""},
        {"31.12.2026", 0, "311320#", "31.12.2026", "31.13.20"},
        {"31.12.2026", 2, "20#", "31.12.2026", "31.12.20"},
        {"31.12.2026", 0, "3102<<^", "01.02.2026", ""},    // the day stepped in a February
        {"31.12.2026", 0, "3102^", "28.02.2027", ""},      // the year stepped
        {"31.01.2026", 1, "^", "28.02.2026", ""},
        {"31.01.2024", 1, "^", "29.02.2024", ""},
        {"29.02.2024", 2, "^", "28.02.2025", ""},
        {"29.02.2024", 2, "vvvv", "28.02.2020", ""},
        {"31.12.2026", 0, "^", "01.12.2026", ""},
        {"01.03.2026", 0, "v", "31.03.2026", ""},
        {"15.12.2026", 1, "^", "15.01.2026", ""},
        {"28.02.2026", 0, "^", "01.02.2026", ""},
        {"28.02.2024", 0, "^", "29.02.2024", ""},
        {"11.12.2026", 2, "2027", "11.12.2027", ""},
    };
    auto* dt = Add<TDateTimePicker>(10, 10, 120, 21);
    auto* other = Add<TEdit>(10, 40, 120, 21);
    Form->Show();
    QApplication::setActiveWindow(Form->Handle());
    auto* q = static_cast<QDateTimeEdit*>(dt->Handle());
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.From) + " section " + std::to_string(c.Section) + " keys " + c.Keys);
        Resp.Clear();
        dt->SetDate(StrToDate(QString::fromLatin1(c.From)));
        dt->SetFocus();
        q->setCurrentSectionIndex(c.Section);
        int changes = 0;
        dt->OnChange = [&](TObject*) { ++changes; };
        for (const char* k = c.Keys; *k; ++k) {
            switch (*k) {
            case '<': SendKey(q, Qt::Key_Left); break;
            case '>': SendKey(q, Qt::Key_Right); break;
            case '^': SendKey(q, Qt::Key_Up); break;
            case 'v': SendKey(q, Qt::Key_Down); break;
            case '!': SendKey(q, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r")); break;
            case '#': other->SetFocus(); break;
            case '.': SendKey(q, Qt::Key_Period, Qt::NoModifier, QStringLiteral(".")); break;
            default: SendKey(q, Qt::Key_0 + (*k - '0'), Qt::NoModifier, QString(QChar(*k))); break;
            }
        }
        const String shown = QString::fromLatin1(c.Shown);
        if (c.Keys == std::string("3102") || c.Keys == std::string("311320")) {
            // a date that does not exist yet: shown as typed, the value not taken from it
            EXPECT_NE(q->text(), DateToStr(dt->Date()));
            EXPECT_TRUE(q->text().startsWith(QStringLiteral("31.")));
            other->SetFocus();  // leaving refuses it, and the date from before comes back
            EXPECT_EQ(Resp.MessageCount(), 1);
            EXPECT_EQ(DateToStr(dt->Date()), shown);
        } else {
            EXPECT_EQ(DateToStr(dt->Date()), shown);
            EXPECT_EQ(q->text(), shown);
            if (*c.Refused) {
                ASSERT_EQ(Resp.MessageCount(), 1);
                EXPECT_EQ(Resp.LastCall().Text, QStringLiteral("Неверная дата: ") + QString::fromLatin1(c.Refused));
                EXPECT_EQ(Resp.LastCall().DlgType, mtError);
            } else {
                EXPECT_EQ(Resp.MessageCount(), 0);
            }
            if (shown != QString::fromLatin1(c.From)) EXPECT_GT(changes, 0);
        }
        EXPECT_EQ(q->text(), DateToStr(dt->Date()));
    }
}

// A click on the default button while a typed date does not exist: Enter is refused in the picker,
// and leaving it shows the value again before the click is handled.
TEST_F(RangeCtrlsTest, PickerRefusesADateThatDoesNotExistBeforeTheDefaultButton) {
    auto* dt = Add<TDateTimePicker>(10, 10, 120, 21);
    auto* ok = Add<TButton>(10, 40, 80, 24);
    ok->SetDefault(true);
    int clicks = 0;
    ok->OnClick = [&](TObject*) { ++clicks; };
    dt->SetDate(EncodeDate(2026, 4, 10));
    Form->Show();
    QApplication::setActiveWindow(Form->Handle());
    dt->SetFocus();
    auto* q = static_cast<QDateTimeEdit*>(dt->Handle());
    q->setCurrentSectionIndex(0);
    for (char k : std::string("31")) SendKey(q, Qt::Key_0 + (k - '0'), Qt::NoModifier, QString(QChar(k)));
    EXPECT_EQ(q->text(), QStringLiteral("31.04.2026"));
    SendKey(q, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(clicks, 0);
    EXPECT_EQ(Resp.MessageCount(), 1);
    EXPECT_EQ(q->text(), QStringLiteral("10.04.2026"));
    EXPECT_EQ(dt->Date(), EncodeDate(2026, 4, 10));
    // a whole valid date and Enter: the button is pressed with it
    // (the month stays focused after the refusal)
    SendKey(q, Qt::Key_Left);
    for (char k : std::string("3005")) SendKey(q, Qt::Key_0 + (k - '0'), Qt::NoModifier, QString(QChar(k)));
    EXPECT_EQ(dt->Date(), EncodeDate(2026, 5, 30));
    SendKey(q, Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(Resp.MessageCount(), 1);
}

}  // namespace
