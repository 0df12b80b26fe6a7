#include "app/pickers.h"

#include "platform/rtl/sysutils.h"

String FilterQuoted(const String& Text) {
    String q = Text;
    q.replace(QStringLiteral("'"), QStringLiteral("''"));
    return u'\'' + q + u'\'';
}

String SearchFilterText(const String& Field, const String& Text, TSearchMatch Match) {
    // What the user typed is matched as it stands: its "%", "_" and "\" are no wildcards.
    String typed = Text;
    typed.replace(QStringLiteral("\\"), QStringLiteral("\\\\"));
    typed.replace(QStringLiteral("%"), QStringLiteral("\\%"));
    typed.replace(QStringLiteral("_"), QStringLiteral("\\_"));
    const String pattern = (Match == smContains ? QStringLiteral("%") : String()) + typed + QStringLiteral("%");
    return Field + QStringLiteral(" like ") + FilterQuoted(pattern);
}

void ApplySearch(TDataSet* DataSet, const TListSearch& Search, const String& Text, const String& Restriction) {
    const bool off = Search.OffWhenBlank ? Trim(Text).isEmpty() : Text.isEmpty();
    String filter;
    if (!off) filter = SearchFilterText(Search.Field, Text, Search.Match);
    if (!Restriction.isEmpty())
        filter = filter.isEmpty() ? Restriction : u'(' + Restriction + QStringLiteral(") and ") + filter;
    if (filter.isEmpty()) {
        DataSet->SetFiltered(false);
        return;
    }
    DataSet->SetFilter(filter);
    DataSet->SetFiltered(true);
}

void GoToRecNo(TDataSet* DataSet, int RecNo) {
    if (!DataSet->Active()) return;
    DataSet->First();
    if (RecNo >= 1 && DataSet->RecordCount() >= RecNo) DataSet->SetRecNo(RecNo);
}

void ReopenAtRecNo(TDataSet* DataSet, int RecNo) {
    DataSet->Close();
    DataSet->Open();
    GoToRecNo(DataSet, RecNo);
}

void Reopen(TDataSet* DataSet) {
    DataSet->Close();
    DataSet->Open();
}

TPickReceiver PickInto(TEdit* Edit, int* Id, bool TrimText) {
    return [Edit, Id, TrimText](int PickedId, const String& Text, TDataSet*) {
        if (Edit) Edit->SetText(TrimText ? Trim(Text) : Text);
        if (Id) *Id = PickedId;
        return true;
    };
}
