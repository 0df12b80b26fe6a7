// The special row of lookup lists: cell texts split from one text, change reports, defaults
// taken from the owner, assignment and the key match.
#include "grid/base/specrowvz.h"

#include "platform/gui/stdctrls.h"

#include <gtest/gtest.h>

namespace {

std::vector<String> Cells(const TSpecRowVz& R) {
    std::vector<String> v;
    for (int i = 0; i < R.CellsStrings()->Count(); ++i) v.push_back(R.CellsStrings()->Strings(i));
    return v;
}

}  // namespace

TEST(SpecRowVz, CellTextsSplitAtSemicolonsOutsideQuotes) {
    struct Case {
        const char16_t* Text;
        std::vector<String> Cells;
    };
    const Case cases[] = {
        {u"a;\"b;c\"; d", {u"a"_S, u"b;c"_S, u" d"_S}},
        {u"  (нет);\"он сказал \"\"да\"\"\"", {u"(нет)"_S, u"он сказал \"да\""_S}},
        {u"x;\r\ny\tz", {u"x"_S, u"y"_S, u"z"_S}},
        {u"a;", {u"a"_S}},
        {u"\"", {u""_S}},
        {u"", {}},
    };
    for (const Case& c : cases) {
        TSpecRowVz r(nullptr);
        r.SetCellsText(String::fromUtf16(c.Text));
        EXPECT_EQ(Cells(r), c.Cells) << String::fromUtf16(c.Text).toStdString();
    }
    TSpecRowVz nul(nullptr);
    nul.SetCellsText(String::fromUtf16(u"a;b\0;c", 7));  // the text ends at #0
    EXPECT_EQ(Cells(nul), (std::vector<String>{u"a"_S, u"b"_S}));

    TSpecRowVz r(nullptr);
    r.SetCellsText(u"один;два"_S);
    EXPECT_EQ(r.GetCellText(1), u"два"_S);
    EXPECT_EQ(r.GetCellText(2), String());
    EXPECT_EQ(r.GetCellText(-1), String());
}

TEST(SpecRowVz, ChangesAreReportedOnceAndOnlyWhenSomethingDiffers) {
    TSpecRowVz r(nullptr);
    EXPECT_TRUE(VarIsNull(r.Value()));
    EXPECT_TRUE(r.ShowIfNotInKeyList());
    EXPECT_FALSE(r.Visible());
    EXPECT_EQ(r.ShortCut(), ShortCut(VK_DELETE, TShiftState{ssAlt}));
    int changes = 0;
    r.OnChanged = [&](TObject*) { ++changes; };
    r.SetVisible(false);
    r.SetValue(Null());
    EXPECT_EQ(changes, 0);
    r.SetVisible(true);
    r.SetValue(5);
    r.SetCellsText(u"a"_S);
    r.SetCellsText(u"a"_S);
    EXPECT_EQ(changes, 3);
    r.BeginUpdate();
    r.SetValue(6);
    r.SetColor(clYellow);
    r.Font()->SetSize(14);
    EXPECT_EQ(changes, 3);
    r.EndUpdate();
    EXPECT_EQ(changes, 4);
    EXPECT_TRUE(r.ColorAssigned());
    EXPECT_TRUE(r.FontAssigned());
    r.SetShortCut(0);  // no report
    EXPECT_EQ(changes, 4);
}

TEST(SpecRowVz, DefaultsComeFromTheOwnerControl) {
    auto* owner = New<TPanel>(nullptr);
    owner->SetColor(clAqua);
    owner->Font()->SetName(u"Arial"_S);
    TSpecRowVz r(owner);
    EXPECT_EQ(r.Color(), clAqua);
    EXPECT_EQ(r.Font()->Name(), u"Arial"_S);
    owner->Font()->SetSize(20);
    EXPECT_EQ(r.Font()->Size(), 20);  // kept in step until a font of its own is set
    EXPECT_FALSE(r.FontAssigned());
    r.Font()->SetSize(9);
    owner->Font()->SetSize(21);
    EXPECT_EQ(r.Font()->Size(), 9);

    TSpecRowVz copy(nullptr);
    r.SetCellsText(u"пусто"_S);
    r.SetValue(Null());
    r.SetVisible(true);
    int changes = 0;
    copy.OnChanged = [&](TObject*) { ++changes; };
    copy.Assign(&r);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(copy.Color(), clAqua);  // the source's effective colour
    EXPECT_EQ(copy.Font()->Size(), 9);
    EXPECT_EQ(copy.CellsText(), u"пусто"_S);
    EXPECT_TRUE(copy.LocateKey(Null()));
    EXPECT_FALSE(copy.LocateKey(0));
    copy.SetVisible(false);
    EXPECT_FALSE(copy.LocateKey(Null()));
    owner->Free();
}
