#include "grid/core/orderbyvz.h"

#include "grid/base/vizevmanagervz.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/exceptions.h"

#include <gtest/gtest.h>

namespace {

// A sort list over a fixed set of names (the empty one included), storing the resolved index in
// FieldIndex as the tree list's order list does.
class TNamesList : public TOrderByList {
    SDELKA_CLASS(TNamesList, TOrderByList)
protected:
    explicit TNamesList(bool AOwnsObjects = false) : TOrderByList(AOwnsObjects) {}
    ~TNamesList() override = default;

protected:
    int FindFieldIndex(const String& FieldName) override {
        const QStringList names{"Name", "Other Name", "Third", ""};
        return names.indexOf(FieldName);
    }
    void SetItemFieldIndex(TOrderByItemVz* Item, int FieldIndex) override { Item->FieldIndex = FieldIndex; }
};

// Direction-aware summary of the list: "0-,1+,2+".
String Summary(const TOrderByList& L) {
    QStringList parts;
    for (int i = 0; i < L.Count(); ++i)
        parts << QString::number(L[i]->FieldIndex) + (L[i]->Desc ? "-" : "+");
    return parts.join(',');
}

String ParseError(TOrderByList& L, const String& Text) {
    try {
        L.ParseOrderByStr(Text);
    } catch (const Exception& e) {
        return e.Message();
    }
    return "no error";
}

TEST(OrderByList, GetTokenSplitsSeparatorsNamesAndBrackets) {
    struct Case {
        const char* Text;
        QStringList Tokens;
    };
    const Case cases[] = {
        {"", {}},
        {"   ", {}},
        {"Name DESC", {"Name", "DESC"}},
        {"a,b;c", {"a", ",", "b", ";", "c"}},
        {"  [Other Name]  asc ,", {"Other Name", "asc", ","}},
        {"[x,y;z] d", {"x,y;z", "d"}},
        {"[unclosed name", {"unclosed name"}},
        {"\tName", {"\tName"}},  // only the space is a blank
    };
    for (const Case& c : cases) {
        QStringList got;
        int from = 1;
        for (String t = TOrderByList::GetToken(c.Text, from); !t.isEmpty(); t = TOrderByList::GetToken(c.Text, from))
            got << t;
        EXPECT_EQ(got, c.Tokens) << c.Text;
        EXPECT_EQ(from, String(c.Text).length() + 1) << c.Text;
    }

    // #0 ends a word and the text: the index stays on it.
    const String withNul = String("ab") + QChar(0) + "cd";
    int from = 1;
    EXPECT_EQ(TOrderByList::GetToken(withNul, from), String("ab"));
    EXPECT_EQ(from, 3);
    EXPECT_EQ(TOrderByList::GetToken(withNul, from), String());
    EXPECT_EQ(from, 3);
}

TEST(OrderByList, ParsesItemsAndDirections) {
    struct Case {
        const char* Text;
        const char* Items;
    };
    const Case cases[] = {
        {"Name DESC, [Other Name] asc; Third", "0-,1+,2+"},
        {"Name DESC ASC", "0-"},  // ASC after DESC does not reset it
        {"Third,", "2+"},         // trailing separator
        {"Third;Name desc;", "2+,0-"},
        {"Name ASC ASC desc", "0-"},
    };
    for (const Case& c : cases) {
        auto l = NewOwned<TNamesList>();
        l->ParseOrderByStr(c.Text);
        EXPECT_EQ(Summary(*l), String(c.Items)) << c.Text;
    }
}

TEST(OrderByList, ErrorsKeepThePreviousItems) {
    auto l = NewOwned<TNamesList>();
    l->ParseOrderByStr("Third DESC, Name");
    const TOrderByItemVz* first = (*l)[0];

    struct Case {
        const char* Text;
        const char* Message;
    };
    const Case cases[] = {
        {"Name X", " Invalid token - \"X\""},
        {"Name, Nobody DESC", " Field - \"Nobody\" not found."},
        {"name", " Field - \"name\" not found."},  // names resolve as the descendant says
        {"Name,,Third", " Field - \",\" not found."},
        {"Name DESC [Third]", " Invalid token - \"Third\""},
        // An empty bracketed name is a name, not the end of the text: the rest is not dropped.
        {"Name []", " Invalid token - \"\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseError(*l, c.Text), String(c.Message)) << c.Text;
        EXPECT_EQ(Summary(*l), String("2-,0+")) << c.Text;
        EXPECT_EQ((*l)[0], first);
    }
}

TEST(OrderByList, EmptyBracketedNameIsLookedUpNotTakenForTheEnd) {
    auto l = NewOwned<TNamesList>();
    l->ParseOrderByStr("Name, [], Third DESC");
    EXPECT_EQ(Summary(*l), String("0+,3+,2-"));

    // Where the descendant does not know the empty name, it is the unknown-field error.
    class TStrictList : public TOrderByList {
    protected:
        int FindFieldIndex(const String& FieldName) override { return FieldName == "Name" ? 0 : -1; }
    };
    auto strict = NewOwned<TStrictList>();
    EXPECT_EQ(ParseError(*strict, "Name, [], Name"), String(" Field - \"\" not found."));
}

TEST(OrderByList, ItemsAreFreedWhenReplacedClearedOrTheListGoes) {
    for (bool owns : {false, true}) {
        {
            auto l = NewOwned<TNamesList>(owns);
            l->ParseOrderByStr("Name, Third");
            l->ParseOrderByStr("[Other Name] DESC");  // the two earlier items are freed
            EXPECT_EQ(l->Count(), 1);
            EXPECT_EQ((*l)[0]->FieldIndex, 1);
            EXPECT_EQ((*l)[0]->MTFieldIndex, -1);
            l->ParseOrderByStr("  ");               // a blank text clears the list
            EXPECT_EQ(l->Count(), 0);
            l->ParseOrderByStr("Name");
            EXPECT_THROW(l->ParseOrderByStr("Name, Third Y"), Exception);  // the parsed part is freed
        }
        // The destructor freed the rest; the sanitizer reports anything left behind.
    }
}

TEST(OrderByList, BaseListKnowsNoFields) {
    auto l = NewOwned<TOrderByList>();
    EXPECT_EQ(ParseError(*l, "Name"), String(" Field - \"Name\" not found."));
    l->ParseOrderByStr("");
    EXPECT_EQ(l->Count(), 0);
}

// ---- library settings and the working-time calendar -------------------------------------------

TEST(ViZevManager, DefaultsAndInstalledManagers) {
    TViZevManager* own = GetViZevManager();
    ASSERT_NE(own, nullptr);
    EXPECT_EQ(own, GetViZevManager());
    EXPECT_EQ(own->AltDecimalSeparator(), Char('.'));
    EXPECT_TRUE(own->DateTimeCalendarPickerHighlightHolidays());
    EXPECT_TRUE(own->DateTimeCalendarPickerShowTimeSelectionPage());
    EXPECT_EQ(own->WeekWorkingDays(), (TWeekDaysVz{wwdMondayVz, wwdTuesdayVz, wwdWednesdayVz, wwdThursdayVz, wwdFridayVz}));

    TViZevManager other;
    EXPECT_EQ(SetViZevManager(&other), own);
    EXPECT_EQ(GetViZevManager(), &other);
    EXPECT_EQ(SetViZevManager(nullptr), &other);  // back to the unit's own
    EXPECT_EQ(GetViZevManager(), own);
}

TEST(WorkingTimeCalendar, WorkdaysFollowTheManagerAndHoursAreFixed) {
    TWorkingTimeCalendarVz* calendar = GetWorkingTimeCalendarVz();
    ASSERT_NE(calendar, nullptr);
    const TDateTime monday = EncodeDate(2024, 3, 4);
    const bool expected[7] = {true, true, true, true, true, false, false};
    for (int d = 0; d < 7; ++d) EXPECT_EQ(calendar->IsWorkday(monday + d + 0.75), expected[d]) << d;

    // A six-day week from another manager: Saturday becomes a workday, the calendar reads it live.
    TViZevManager sixDays;
    sixDays.SetWeekWorkingDays(sixDays.WeekWorkingDays() + wwdSaturdayVz);
    TViZevManager* previous = SetViZevManager(&sixDays);
    EXPECT_TRUE(calendar->IsWorkday(monday + 5));
    EXPECT_FALSE(calendar->IsWorkday(monday + 6));
    SetViZevManager(previous);

    TTimeRangesVz ranges{TTimeRangeVz{1, 2}, TTimeRangeVz{3, 4}};
    calendar->GetWorkingTime(monday + 6, ranges);
    ASSERT_EQ(ranges.size(), 1u);
    EXPECT_DOUBLE_EQ(ranges[0].StartTime, EncodeTime(8, 0, 0, 0));
    EXPECT_DOUBLE_EQ(ranges[0].FinishTime, EncodeTime(17, 0, 0, 0));

    auto mine = NewOwned<TWorkingTimeCalendarVz>(nullptr);
    EXPECT_EQ(SetWorkingTimeCalendarVz(mine.get()), calendar);
    EXPECT_EQ(GetWorkingTimeCalendarVz(), mine.get());
    SetWorkingTimeCalendarVz(nullptr);
    EXPECT_EQ(GetWorkingTimeCalendarVz(), calendar);
}

}  // namespace
