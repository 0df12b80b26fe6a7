// Saving and restoring the column layout: one text record per column in an INI section (key
// "GridName.FieldName", value "Index,Width,SortMarker,Visible,SortIndex,DropDownRows,DropDownWidth,
// InRowLinePos,InRowLineHeight"), the grid's record "RowHeight,RowLines" under "(Default)", and the
// same values as named entries of a settings keeper.
#include "grid/dbgrid/dbgridvz.h"

#include "grid/core/settingskeepervz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "platform/db/datasource.h"
#include "platform/rtl/inifiles.h"
#include "platform/rtl/registry.h"
#include "platform/rtl/sysutils.h"

#include <algorithm>
#include <map>
#include <optional>

namespace {
const String GridRecordKey = u"(Default)"_S;

// The words of a record, split at runs of blanks and commas; a word that is no number is empty.
std::vector<std::optional<int>> SplitLayoutRecordVz(const String& Value) {
    std::vector<std::optional<int>> words;
    String cur;
    auto flush = [&] {
        if (cur.isEmpty()) return;
        bool ok = false;
        const int v = cur.toInt(&ok);
        words.push_back(ok ? std::optional<int>(v) : std::nullopt);
        cur.clear();
    };
    for (QChar ch : Value) {
        if (ch == u' ' || ch == u',' || ch == u'\t') flush();
        else cur += ch;
    }
    flush();
    return words;
}

std::optional<int> WordAt(const std::vector<std::optional<int>>& W, std::size_t I) {
    return I < W.size() ? W[I] : std::nullopt;
}

const char16_t* SortMarkerIdentVz(TSortMarkerVz M) {
    switch (M) {
    case smDownVz: return u"smDownVz";
    case smUpVz: return u"smUpVz";
    default: return u"smNoneVz";
    }
}

std::optional<TSortMarkerVz> SortMarkerFromIdentVz(const String& S) {
    if (S == u"smNoneVz"_S) return smNoneVz;
    if (S == u"smDownVz"_S) return smDownVz;
    if (S == u"smUpVz"_S) return smUpVz;
    return std::nullopt;
}

std::optional<bool> BoolFromIdentVz(const String& S) {
    if (S.compare(u"True"_S, Qt::CaseInsensitive) == 0) return true;
    if (S.compare(u"False"_S, Qt::CaseInsensitive) == 0) return false;
    return std::nullopt;
}

// Switches auto-fit off and takes the grid's update bracket for a restore; both come back on every
// way out, and auto-fit then re-records the initial widths from the restored widths.
class TLayoutRestoreScopeVz {
public:
    explicit TLayoutRestoreScopeVz(TCustomDBGridVz* G) : FGrid(G), FAutoFit(G->AutoFitColWidths()) {
        if (FAutoFit) FGrid->SetAutoFitColWidths(false);
        FGrid->BeginUpdate();
    }
    ~TLayoutRestoreScopeVz() {
        try {
            FGrid->EndUpdate();
            if (FAutoFit) FGrid->SetAutoFitColWidths(true);
            else FGrid->LayoutChanged();
        } catch (...) {
        }
    }
    TLayoutRestoreScopeVz(const TLayoutRestoreScopeVz&) = delete;
    TLayoutRestoreScopeVz& operator=(const TLayoutRestoreScopeVz&) = delete;

private:
    TCustomDBGridVz* FGrid;
    bool FAutoFit;
};
}  // namespace

// The columns that own a record: one per field name, the first column of each field; a column
// without a field name has no key.
static std::vector<TColumnVz*> KeyedColumnsVz(TDBGridColumnsVz* Cols) {
    std::vector<TColumnVz*> r;
    for (int i = 0; i < Cols->Count(); ++i) {
        TColumnVz* c = Cols->Items(i);
        if (c->FieldName().isEmpty()) continue;
        const bool dup = std::any_of(r.begin(), r.end(), [&](TColumnVz* o) {
            return o->FieldName().compare(c->FieldName(), Qt::CaseInsensitive) == 0;
        });
        if (!dup) r.push_back(c);
    }
    return r;
}

void TCustomDBGridVz::SaveColumnRecords(const TLayoutWriteVz& Write) {
    for (TColumnVz* c : KeyedColumnsVz(Columns())) {
        const String v = Format(u"%d,%d,%d,%d,%d,%d,%d,%d,%d"_S,
                                {c->Index(), c->Width(), static_cast<int>(c->Title()->SortMarker()), c->Visible() ? 1 : 0,
                                 c->Title()->SortIndex(), static_cast<int>(c->DropDownRows()), c->DropDownWidth(),
                                 c->InRowLinePos(), c->InRowLineHeight()});
        Write(Name() + u"."_S + c->FieldName(), v);
    }
}

void TCustomDBGridVz::SaveColumnsLayout(TCustomIniFile* ACustIni, const String& Section) {
    SaveColumnRecords([&](const String& Key, const String& Value) { ACustIni->WriteString(Section, Key, Value); });
}

void TCustomDBGridVz::RestoreColumnRecords(const TLayoutReadVz& Read, TColumnVzRestoreParams P) {
    const std::vector<TColumnVz*> keyed = KeyedColumnsVz(Columns());
    std::map<TColumnVz*, int> target, pendingSort;
    for (int i = 0; i < Columns()->Count(); ++i) target[Columns()->Items(i)] = i;
    for (TColumnVz* c : keyed) {
        const String rec = Read(Name() + u"."_S + c->FieldName());
        if (rec.isEmpty()) {
            pendingSort[c] = 0;
            continue;
        }
        const auto w = SplitLayoutRecordVz(rec);
        if (auto v = WordAt(w, 0)) target[c] = *v;
        if (P.Contains(crpColWidthsVz))
            if (auto v = WordAt(w, 1)) c->SetWidth(*v);
        if (P.Contains(crpSortMarkerVz)) {
            if (auto v = WordAt(w, 2); v && *v >= 0 && *v <= 2) c->Title()->SetSortMarker(static_cast<TSortMarkerVz>(*v));
            pendingSort[c] = WordAt(w, 4).value_or(0);
        }
        if (P.Contains(crpColVisibleVz))
            if (auto v = WordAt(w, 3)) c->SetVisible(*v != 0);
        if (P.Contains(crpDropDownRowsVz))
            if (auto v = WordAt(w, 5)) c->SetDropDownRows(static_cast<unsigned>(std::max(0, *v)));
        if (P.Contains(crpDropDownWidthVz))
            if (auto v = WordAt(w, 6)) c->SetDropDownWidth(*v);
        if (P.Contains(crpRowPanelColPlacementVz)) {
            if (auto v = WordAt(w, 7)) c->SetInRowLinePos(*v);
            if (auto v = WordAt(w, 8)) c->SetInRowLineHeight(*v);
        }
    }
    if (P.Contains(crpSortMarkerVz)) {
        // Indexes are written in the collection's own update, so they are taken as they were saved.
        Columns()->BeginUpdate();
        try {
            for (TColumnVz* c : keyed)
                if (c->Title()->SortMarker() != smNoneVz) c->Title()->SetSortIndex(pendingSort[c]);
                else c->Title()->SetSortIndex(0);
        } catch (...) {
            Columns()->EndUpdate();
            throw;
        }
        Columns()->EndUpdate();
        SetSortMarkedColumns();
    }
    if (P.Contains(crpColIndexVz)) {
        std::vector<TColumnVz*> all;
        for (int i = 0; i < Columns()->Count(); ++i) all.push_back(Columns()->Items(i));
        for (int pos = 0; pos < Columns()->Count(); ++pos)
            for (TColumnVz* c : all)
                if (target[c] == pos) {
                    c->SetIndex(pos);
                    break;
                }
    }
    // Counts a layout brings along stay inside what the grid holds.
    const int n = Columns()->Count();
    if (FFrozenCols > std::max(0, n - 1)) FFrozenCols = std::max(0, n - 1);
    if (ContraColCount() > std::max(0, ColCount() - FixedColCount() - 1))
        SetContraColCount(std::max(0, ColCount() - FixedColCount() - 1));
}

void TCustomDBGridVz::RestoreColumnsLayout(TCustomIniFile* ACustIni, const String& Section, TColumnVzRestoreParams P) {
    TLayoutRestoreScopeVz scope(this);
    RestoreColumnRecords([&](const String& Key) { return ACustIni->ReadString(Section, Key, String()); }, P);
}

void TCustomDBGridVz::SaveColumnsLayoutIni(const String& IniFileName, const String& Section, bool DeleteSection) {
    TMemIniFile ini(IniFileName);
    if (DeleteSection) ini.EraseSection(Section);
    SaveColumnsLayout(&ini, Section);
    ini.UpdateFile();
}

void TCustomDBGridVz::RestoreColumnsLayoutIni(const String& IniFileName, const String& Section,
                                              TColumnVzRestoreParams P) {
    TMemIniFile ini(IniFileName);
    RestoreColumnsLayout(&ini, Section, P);
}

void TCustomDBGridVz::SaveGridLayout(TCustomIniFile* ACustIni, const String& Section) {
    SaveColumnsLayout(ACustIni, Section);
    ACustIni->WriteString(Section, GridRecordKey, Format(u"%d,%d"_S, {FRowHeight, FRowLines}));
}

void TCustomDBGridVz::RestoreGridLayout(TCustomIniFile* ACustIni, const String& Section, TDBGridVzRestoreParams P) {
    TLayoutRestoreScopeVz scope(this);
    RestoreColumnRecords([&](const String& Key) { return ACustIni->ReadString(Section, Key, String()); },
                         GridToColumnRestoreParamsVz(P));
    RestoreGridRecord(ACustIni->ReadString(Section, GridRecordKey, String()), P);
}

void TCustomDBGridVz::RestoreGridRecord(const String& Record, TDBGridVzRestoreParams P) {
    if (!P.Contains(grpRowHeightVz)) return;
    const auto w = SplitLayoutRecordVz(Record);
    SetRowHeight(WordAt(w, 0).value_or(0));
    SetRowLines(WordAt(w, 1).value_or(0));
}

// ---- the registry ------------------------------------------------------------------------------

void TCustomDBGridVz::SaveColumnsLayout(TRegIniFile* ARegIni) {
    const String section = DefaultLayoutSection();
    ARegIni->EraseSection(section);
    SaveColumnRecords([&](const String& Key, const String& Value) { ARegIni->WriteString(section, Key, Value); });
}

void TCustomDBGridVz::RestoreColumnsLayout(TRegIniFile* ARegIni, TColumnVzRestoreParams P) {
    const String section = DefaultLayoutSection();
    TLayoutRestoreScopeVz scope(this);
    RestoreColumnRecords([&](const String& Key) { return ARegIni->ReadString(section, Key, String()); }, P);
}

// The grid's record is the section's unnamed value.
void TCustomDBGridVz::SaveGridLayout(TRegIniFile* ARegIni) {
    SaveColumnsLayout(ARegIni);
    ARegIni->WriteString(DefaultLayoutSection(), String(), Format(u"%d,%d"_S, {FRowHeight, FRowLines}));
}

void TCustomDBGridVz::RestoreGridLayout(TRegIniFile* ARegIni, TDBGridVzRestoreParams P) {
    const String section = DefaultLayoutSection();
    TLayoutRestoreScopeVz scope(this);
    RestoreColumnRecords([&](const String& Key) { return ARegIni->ReadString(section, Key, String()); },
                         GridToColumnRestoreParamsVz(P));
    RestoreGridRecord(ARegIni->ReadString(section, String(), String()), P);
}

void TCustomDBGridVz::SaveGridLayoutIni(const String& IniFileName, const String& Section, bool DeleteSection) {
    TMemIniFile ini(IniFileName);
    if (DeleteSection) ini.EraseSection(Section);
    SaveGridLayout(&ini, Section);
    ini.UpdateFile();
}

void TCustomDBGridVz::RestoreGridLayoutIni(const String& IniFileName, const String& Section, TDBGridVzRestoreParams P) {
    TMemIniFile ini(IniFileName);
    RestoreGridLayout(&ini, Section, P);
}

// ---- settings keeper ---------------------------------------------------------------------------

TSettingsKeeperVz* TCustomDBGridVz::WriteSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions,
                                                  TColumnVzSettingsKeeperOptions ColumnOptions) {
    WriteGridSettings(Keeper, GridOptions);
    auto* cols = New<TSettingsKeeperVz>();
    try {
        WriteColumnsSettings(cols, ColumnOptions);
        Keeper->Add(u"Columns"_S, cols);
    } catch (...) {
        cols->Free();
        throw;
    }
    return Keeper;
}

void TCustomDBGridVz::WriteGridSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions) {
    if (GridOptions.Contains(gskoRowHeightVz)) {
        Keeper->Add(u"RowHeight"_S, FRowHeight);
        Keeper->Add(u"RowLines"_S, FRowLines);
    }
}

void TCustomDBGridVz::WriteColumnsSettings(TSettingsKeeperVz* Keeper, TColumnVzSettingsKeeperOptions ColumnOptions) {
    for (TColumnVz* c : KeyedColumnsVz(Columns())) {
        auto* k = New<TSettingsKeeperVz>();
        try {
            WriteColumnSettings(k, c, ColumnOptions);
            Keeper->Add(c->FieldName(), k);
        } catch (...) {
            k->Free();
            throw;
        }
    }
}

void TCustomDBGridVz::WriteColumnSettings(TSettingsKeeperVz* Keeper, TColumnVz* Column,
                                          TColumnVzSettingsKeeperOptions O) {
    if (O.Contains(cskoColIndexVz)) Keeper->Add(u"ColIndex"_S, Column->Index());
    if (O.Contains(cskoColWidthsVz)) Keeper->Add(u"ColWidth"_S, Column->Width());
    if (O.Contains(cskoSortMarkerVz)) {
        Keeper->Add(u"TitleSortMarker"_S, SortMarkerIdentVz(Column->Title()->SortMarker()));
        Keeper->Add(u"TitleSortIndex"_S, Column->Title()->SortIndex());
    }
    if (O.Contains(cskoColVisibleVz)) Keeper->Add(u"Visible"_S, Column->Visible() ? u"True" : u"False");
    if (O.Contains(cskoDropDownRowsVz)) Keeper->Add(u"DropDownRows"_S, static_cast<int>(Column->DropDownRows()));
    if (O.Contains(cskoDropDownWidthVz)) Keeper->Add(u"DropDownWidth"_S, Column->DropDownWidth());
    if (O.Contains(cskoRowPanelColPlacementVz)) {
        Keeper->Add(u"InRowLinePos"_S, Column->InRowLinePos());
        Keeper->Add(u"InRowLineHeight"_S, Column->InRowLineHeight());
    }
    if (O.Contains(cskoColSTFilterVz)) Keeper->Add(u"STFilterExpressionStr"_S, Column->GetSTFilter()->ExpressionStr());
}

void TCustomDBGridVz::ReadSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions,
                                   TColumnVzSettingsKeeperOptions ColumnOptions) {
    ReadGridSettings(Keeper, GridOptions);
    TSettingsKeeperVz* cols = nullptr;
    if (Keeper->TryGetSubsettingsValue(u"Columns"_S, cols)) ReadColumnsSettings(cols, ColumnOptions);
}

void TCustomDBGridVz::ReadGridSettings(TSettingsKeeperVz* Keeper, TDBGridVzSettingsKeeperOptions GridOptions) {
    if (!GridOptions.Contains(gskoRowHeightVz)) return;
    Integer v = 0;
    if (Keeper->TryGetIntegerValue(u"RowHeight"_S, v)) SetRowHeight(v);
    if (Keeper->TryGetIntegerValue(u"RowLines"_S, v)) SetRowLines(v);
}

void TCustomDBGridVz::ReadColumnsSettings(TSettingsKeeperVz* Keeper, TColumnVzSettingsKeeperOptions ColumnOptions) {
    TLayoutRestoreScopeVz scope(this);
    std::vector<TSettingsPairVz> pairs;
    for (const TSettingsPairVz& p : Keeper->ToArray()) {
        TSettingsKeeperVz* sub = nullptr;
        if (Keeper->TryGetSubsettingsValue(p.Key, sub)) pairs.push_back(p);
    }
    const auto* cmp = TSettingsKeeperVzCollectionByIndexComparer::Ordinal();
    std::stable_sort(pairs.begin(), pairs.end(),
                     [cmp](const TSettingsPairVz& a, const TSettingsPairVz& b) { return cmp->Compare(a, b) < 0; });
    bool filterChanged = false;
    for (const TSettingsPairVz& p : pairs) {
        auto* c = static_cast<TColumnVz*>(FindFieldColumn(p.Key));
        TSettingsKeeperVz* sub = nullptr;
        if (!c || !Keeper->TryGetSubsettingsValue(p.Key, sub)) continue;
        const String before = c->GetSTFilter()->ExpressionStr();
        ReadColumnSettings(sub, c, ColumnOptions);
        if (c->GetSTFilter()->ExpressionStr() != before) filterChanged = true;
    }
    SetSortMarkedColumns();
    // The filters read are applied once, after every column has its own.
    if (filterChanged && DataLink()->Active()) FilterHost()->STFilterApply();
}

void TCustomDBGridVz::ReadColumnSettings(TSettingsKeeperVz* Keeper, TColumnVz* Column,
                                         TColumnVzSettingsKeeperOptions O) {
    Integer v = 0;
    String s;
    if (O.Contains(cskoColIndexVz) && Keeper->TryGetIntegerValue(u"ColIndex"_S, v) && v >= 0 && v < Columns()->Count())
        Column->SetIndex(v);
    if (O.Contains(cskoColWidthsVz) && Keeper->TryGetIntegerValue(u"ColWidth"_S, v)) Column->SetWidth(v);
    if (O.Contains(cskoSortMarkerVz)) {
        if (Keeper->TryGetStringValue(u"TitleSortMarker"_S, s))
            if (auto m = SortMarkerFromIdentVz(s)) Column->Title()->SetSortMarker(*m);
        if (Keeper->TryGetIntegerValue(u"TitleSortIndex"_S, v)) Column->Title()->SetSortIndex(v);
    }
    if (O.Contains(cskoColVisibleVz) && Keeper->TryGetStringValue(u"Visible"_S, s))
        if (auto b = BoolFromIdentVz(s)) Column->SetVisible(*b);
    if (O.Contains(cskoDropDownRowsVz) && Keeper->TryGetIntegerValue(u"DropDownRows"_S, v))
        Column->SetDropDownRows(static_cast<unsigned>(std::max<Integer>(0, v)));
    if (O.Contains(cskoDropDownWidthVz) && Keeper->TryGetIntegerValue(u"DropDownWidth"_S, v)) Column->SetDropDownWidth(v);
    if (O.Contains(cskoRowPanelColPlacementVz)) {
        if (Keeper->TryGetIntegerValue(u"InRowLinePos"_S, v)) Column->SetInRowLinePos(v);
        if (Keeper->TryGetIntegerValue(u"InRowLineHeight"_S, v)) Column->SetInRowLineHeight(v);
    }
    if (O.Contains(cskoColSTFilterVz) && Keeper->TryGetStringValue(u"STFilterExpressionStr"_S, s)) {
        // A filter text that no longer parses (a changed field type, a hand-edited store) is
        // skipped: the rest of the layout still comes back.
        try {
            Column->GetSTFilter()->SetExpressionStr(s);
        } catch (const Exception&) {
        }
    }
}
