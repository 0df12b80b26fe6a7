// A grid source and target in memory for the exchange format tests: a table of Variants whose
// display texts are the values as the program shows them.
#pragma once

#include "grid/addons/gridexchangevz.h"

#include <vector>

struct TTableSource : IGridExchangeSourceVz {
    std::vector<String> Titles;
    std::vector<std::vector<Variant>> Rows;
    std::vector<std::vector<String>> Texts;  // display texts; empty: the value's text
    std::vector<std::vector<String>> Footers;
    bool Titled = true;

    int ColCount() const override { return int(Titles.size()); }
    int RowCount() const override { return int(Rows.size()); }
    bool HasTitles() const override { return Titled; }
    String Title(int Col) const override { return Titles[Col]; }
    int ColumnWidth(int) const override { return 64; }
    String DisplayText(int Row, int Col) const override {
        if (!Texts.empty()) return Texts[Row][Col];
        const Variant& V = Rows[Row][Col];
        return VarIsNullish(V) ? String() : V.AsString();
    }
    Variant Value(int Row, int Col) const override { return Rows[Row][Col]; }
    int FooterRowCount() const override { return int(Footers.size()); }
    String FooterText(int F, int Col) const override { return Footers[F][Col]; }
};

// Records what an import writes; a column listed in Refuse raises on every write.
struct TTableTarget : IGridExchangeTargetVz {
    int Cols = 0;
    std::vector<std::vector<Variant>> Rows;
    std::vector<int> Refuse;
    int MaxRecords = 1 << 30;

    explicit TTableTarget(int ACols) : Cols(ACols) {}
    int ColCount() const override { return Cols; }
    bool BeginRecord() override {
        if (int(Rows.size()) >= MaxRecords) return false;
        Rows.emplace_back(Cols, Variant::Unassigned());
        return true;
    }
    void SetText(int Col, const String& Text) override { Set(Col, Variant(Text)); }
    void SetValue(int Col, const Variant& Value) override { Set(Col, Value); }
    void Set(int Col, const Variant& V) {
        for (int R : Refuse)
            if (R == Col) throw EConvertError(u"'"_S + V.AsString() + u"' is not a valid integer value"_S);
        Rows.back()[Col] = V;
    }
};

#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

// A thousand records of what a pay grid holds: names in Cyrillic (some with quotes, semicolons and
// tabs), dates, decimals and integers, with a Null in every seventh cell.
inline TTableSource PayGridSource(int Count = 1000) {
    TTableSource S;
    S.Titles = {u"Фамилия И.О."_S, u"Дата"_S, u"Сумма, руб."_S, u"Кол-во"_S};
    for (int I = 0; I < Count; ++I) {
        std::vector<Variant> Row = {
            Variant(u"Иванов-"_S + String::number(I) + (I % 5 == 0 ? u" \"Мастер\"; цех\t2"_S : String())),
            VarFromDateTime(EncodeDate(2026, 1 + I % 12, 1 + I % 28) + (I % 24) / 24.0),
            Variant(I * 12.34 + 0.05), Variant(I * 3 - 1500)};
        if (I % 7 == 3) Row[I % 4] = Variant::Null();
        std::vector<String> Text;
        Text.push_back(VarIsNull(Row[0]) ? String() : Row[0].AsString());
        Text.push_back(VarIsNull(Row[1]) ? String() : FormatDateTime(u"dd.mm.yyyy hh:nn"_S, Row[1].AsDateTime()));
        Text.push_back(VarIsNull(Row[2]) ? String() : FormatFloat(u"#,##0.00"_S, Row[2].AsExtended()));
        Text.push_back(VarIsNull(Row[3]) ? String() : Row[3].AsString());
        S.Rows.push_back(Row);
        S.Texts.push_back(Text);
    }
    return S;
}
