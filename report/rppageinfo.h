// Preview links of a generated report: for every page, where each printable control was drawn,
// so that the preview window can tell the report which control the mouse is over or clicked.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/system.h"

// One printed control: its rectangle in the page's device units.
class TPageItemRec : public TObject {
    SDELKA_CLASS(TPageItemRec, TObject)
public:
    TPageItemRec() = default;

    String controlname;   // component name of the printable
    String controlclass;  // its class name
    Integer recordnumber = 0;
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
    String textcontent;
};

// The link items of one page.
class TRpLinkPage : public TObject {
    SDELKA_CLASS(TRpLinkPage, TObject)
public:
    TRpLinkPage() = default;

    // Item N (0-based); EListError when out of range.
    TPageItemRec* getItemRec(int N) const { return linkitems->Items(N); }
    // Appends Item; the page takes ownership.
    void addItemRec(TPageItemRec* Item) { linkitems->Add(Item); }
    int Count() const { return linkitems->Count(); }
    // The first item, in insertion order, of that control name (case-sensitive) and record number.
    TPageItemRec* FindItemByControlandRecord(const String& ControlName, Integer RecordNumber) const;
    // The first item, in insertion order, whose rectangle holds (X, Y) strictly inside.
    TPageItemRec* HitTest(double X, double Y) const;

    TOwned<TListT<TPageItemRec, TObjectList>> linkitems = NewOwned<TListT<TPageItemRec, TObjectList>>();  // owns
    Integer pagenumber = 0;                       // not filled by the report
};

// The link pages of a report; the preview looks the items of page N up at index N.
class TRpPageInfoList : public TObject {
    SDELKA_CLASS(TRpPageInfoList, TObject)
public:
    TRpPageInfoList() = default;

    // Run at the start of each generation: frees every link page but the last, which the report
    // keeps using as its current page, and empties the list. With fewer than two entries nothing
    // is freed (the list is still emptied).
    void Initialise();
    // Link page N, or nullptr when N is not a valid index.
    TRpLinkPage* getPageRec(int N) const;
    // Appends LinkPage; the list takes ownership.
    void addPageRec(TRpLinkPage* LinkPage) { pilist->Add(LinkPage); }
    int Count() const { return pilist->Count(); }

    TOwned<TListT<TRpLinkPage, TObjectList>> pilist = NewOwned<TListT<TRpLinkPage, TObjectList>>();  // owns
};
