#include "report/rppageinfo.h"

#include <gtest/gtest.h>

namespace {
TPageItemRec* Item(const char* Name, int Record, double L, double T, double W, double H) {
    auto* item = New<TPageItemRec>();
    item->controlname = QString::fromUtf8(Name);
    item->controlclass = QStringLiteral("TRpLabel");
    item->recordnumber = Record;
    item->left = L;
    item->top = T;
    item->width = W;
    item->height = H;
    return item;
}
}  // namespace

TEST(RpPageInfo, HitTestIsStrictAndFirstAddedWins) {
    TRpLinkPage page;
    TPageItemRec* first = Item("A", 1, 10, 10, 20, 20);
    TPageItemRec* second = Item("B", 1, 10, 10, 20, 20);
    page.addItemRec(first);
    page.addItemRec(second);
    struct Case {
        double x, y;
        TPageItemRec* hit;
    } cases[] = {{11, 11, first}, {29, 29, first}, {10, 15, nullptr}, {30, 15, nullptr},
                 {15, 10, nullptr}, {15, 30, nullptr}, {20, 20, first}};
    for (const Case& c : cases) EXPECT_EQ(page.HitTest(c.x, c.y), c.hit) << c.x << "," << c.y;
    EXPECT_EQ(page.getItemRec(1), second);
}

TEST(RpPageInfo, FindByControlAndRecordIsCaseSensitive) {
    TRpLinkPage page;
    TPageItemRec* a1 = Item("Label1", 1, 0, 0, 1, 1);
    TPageItemRec* a2 = Item("Label1", 2, 0, 0, 1, 1);
    TPageItemRec* a2bis = Item("Label1", 2, 5, 5, 1, 1);
    page.addItemRec(a1);
    page.addItemRec(a2);
    page.addItemRec(a2bis);
    EXPECT_EQ(page.FindItemByControlandRecord(QStringLiteral("Label1"), 2), a2);
    EXPECT_EQ(page.FindItemByControlandRecord(QStringLiteral("label1"), 2), nullptr);
    EXPECT_EQ(page.FindItemByControlandRecord(QStringLiteral("Label1"), 3), nullptr);
}

TEST(RpPageInfo, PageListLookupAndInitialiseKeepsTheCurrentPage) {
    TRpPageInfoList list;
    TRpLinkPage* p0 = New<TRpLinkPage>();
    TRpLinkPage* p1 = New<TRpLinkPage>();
    TRpLinkPage* current = New<TRpLinkPage>();
    p0->addItemRec(Item("X", 1, 0, 0, 1, 1));
    list.addPageRec(p0);
    list.addPageRec(p1);
    list.addPageRec(current);
    EXPECT_EQ(list.getPageRec(0), p0);
    EXPECT_EQ(list.getPageRec(2), current);
    EXPECT_EQ(list.getPageRec(3), nullptr);
    EXPECT_EQ(list.getPageRec(-1), nullptr);

    list.Initialise();  // frees p0 and p1 (ASan would report them otherwise), keeps current alive
    EXPECT_EQ(list.Count(), 0);
    current->addItemRec(Item("Y", 1, 0, 0, 1, 1));  // the report still writes into it
    list.addPageRec(current);
    list.Initialise();  // a single entry is not freed
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(current->Count(), 1);
    current->Free();
}
