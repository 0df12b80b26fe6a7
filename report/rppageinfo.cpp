#include "report/rppageinfo.h"

TPageItemRec* TRpLinkPage::FindItemByControlandRecord(const String& ControlName, Integer RecordNumber) const {
    for (int i = 0; i < linkitems->Count(); ++i) {
        TPageItemRec* item = linkitems->Items(i);
        if (item->controlname == ControlName && item->recordnumber == RecordNumber) return item;
    }
    return nullptr;
}

TPageItemRec* TRpLinkPage::HitTest(double X, double Y) const {
    for (int i = 0; i < linkitems->Count(); ++i) {
        TPageItemRec* item = linkitems->Items(i);
        if (item->left < X && X < item->left + item->width && item->top < Y && Y < item->top + item->height)
            return item;
    }
    return nullptr;
}

void TRpPageInfoList::Initialise() {
    // The last link page stays alive: the report still writes into it.
    pilist->SetOwnsObjects(false);
    const int n = pilist->Count();
    if (n >= 2) {
        for (int i = 0; i < n - 1; ++i) pilist->Items(i)->Free();
    }
    pilist->Clear();
    pilist->SetOwnsObjects(true);
}

TRpLinkPage* TRpPageInfoList::getPageRec(int N) const {
    if (N < 0 || N >= pilist->Count()) return nullptr;
    return pilist->Items(N);
}
