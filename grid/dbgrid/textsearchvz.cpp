#include "grid/dbgrid/textsearchvz.h"

#include "grid/core/coretoolsvz.h"
#include "grid/core/valueutilsvz.h"
#include "grid/dbgrid/columnfiltervz.h"
#include "grid/dbgrid/gridcentervz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/db.h"
#include "platform/rtl/sysutils.h"

#include <climits>
#include <map>

// ---- the text search -------------------------------------------------------------------------

namespace {

// One search: the columns to test, where it stands and how it steps.
class TGridTextSearchVz {
public:
    TGridTextSearchVz(ISTFilterGridVz* AGrid, TDataSet* ADataSet, TLocateTextOptionsVz AOptions)
        : G(AGrid), DS(ADataSet), Options(AOptions) {
        const ISTFilterGridVz::TSelectionKindVz kind =
            Options.Contains(ltoInsideSelectionVz) ? G->SelectionKind() : ISTFilterGridVz::gskNoneVz;
        InRows = kind == ISTFilterGridVz::gskRowsVz;
        InRect = kind == ISTFilterGridVz::gskRectVz;
        if (InRows) Rows = G->SelectedRows();
        if (InRect) G->SelectedRect(RectLeft, RectRight, RectTop, RectBottom);
        InRows = InRows && !Rows.empty();
    }

    ISTFilterGridVz* G;
    TDataSet* DS;
    TLocateTextOptionsVz Options;
    std::vector<int> Columns;
    int ColPos = 0;
    bool InRows = false;
    bool InRect = false;
    std::vector<TBookmark> Rows;
    int RowPos = 0;
    int RectLeft = 0, RectRight = -1;
    TBookmark RectTop, RectBottom;
    bool EndOfScope = false;
    bool StartOfScope = false;
    bool RecordMoved = false;

    bool AtEnd(bool Down) const {
        if (InRows || InRect) return Down ? EndOfScope : StartOfScope;
        return Down ? DS->Eof() : DS->Bof();
    }
    void FirstRow() {
        if (InRows) {
            RowPos = 0;
            DS->GotoBookmark(Rows.front());
        } else if (InRect) {
            DS->GotoBookmark(RectTop);
        } else {
            DS->First();
        }
    }
    void LastRow() {
        if (InRows) {
            RowPos = int(Rows.size()) - 1;
            DS->GotoBookmark(Rows.back());
        } else if (InRect) {
            DS->GotoBookmark(RectBottom);
        } else {
            DS->Last();
        }
    }
    void NextRecord() {
        if (InRect) {
            if (DataSetCompareBookmarksVz(DS, DS->GetBookmark(), RectBottom) != 0) {
                DS->Next();
                EndOfScope = DS->Eof();
            } else {
                EndOfScope = true;
            }
        } else if (InRows) {
            if (RowPos < int(Rows.size()) - 1) DS->GotoBookmark(Rows[size_t(++RowPos)]);
            else EndOfScope = true;
        } else {
            DS->Next();
        }
        RecordMoved = true;
    }
    void PriorRecord() {
        if (InRect) {
            if (DataSetCompareBookmarksVz(DS, DS->GetBookmark(), RectTop) != 0) {
                DS->Prior();
                StartOfScope = DS->Bof();
            } else {
                StartOfScope = true;
            }
        } else if (InRows) {
            if (RowPos > 0) DS->GotoBookmark(Rows[size_t(--RowPos)]);
            else StartOfScope = true;
        } else {
            DS->Prior();
        }
        // Upward steps run the stop checks as well, so a long upward search can be stopped.
        RecordMoved = true;
    }
    void Step(bool Down) {
        const int last = int(Columns.size()) - 1;
        if (Options.Contains(ltoAllFieldsVz)) {
            if (Down) {
                if (ColPos < last) {
                    ++ColPos;
                } else {
                    NextRecord();
                    ColPos = 0;
                }
            } else if (ColPos > 0) {
                --ColPos;
            } else {
                PriorRecord();
                ColPos = last;
            }
        } else if (Down) {
            NextRecord();
        } else {
            PriorRecord();
        }
    }
};

bool CellTextMatchesVz(const String& CellText, const String& Text, TLocateTextOptionsVz Options,
                       TLocateTextMatchingVz Matching) {
    const bool ci = Options.Contains(ltoCaseInsensitiveVz);
    if (Options.Contains(ltoWholeWordsVz) && Matching == ltmAnyPartVz)
        return FindTextPosVz(Text, CellText, ci, 1, true) > 0;
    const String cell = ci ? AnsiUpperCase(CellText) : CellText;
    const String text = ci ? AnsiUpperCase(Text) : Text;
    switch (Matching) {
        case ltmAnyPartVz: return cell.contains(text);
        case ltmWholeVz: return cell == text;
        case ltmFromBegingVz: return cell.left(text.size()) == text;
    }
    return false;
}

}  // namespace

bool LocateTextInGrid(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                      TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                      TLocateTextMatchingVz Matching, int TimeOut, const TLocateTextCheckCellVz& CheckCell) {
    if (!Grid) return false;
    TDataSet* ds = Grid->STFilterDataSet();
    if (!ds || !ds->Active() || ds->IsEmpty()) return false;
    const Int64 startTicks = GetTickCountVz();
    TGridTextSearchVz s(Grid, ds, Options);

    auto readable = [&](int i) {
        ISTFilterColumnVz* c = Grid->STFilterColumn(i);
        TDBGridVzCenter* centre = Grid->STFilterCenter();
        return c->STFilterVisible() && (!centre || centre->CanColumnValueReadAsText(Grid, c));
    };
    if (!FieldName.isEmpty()) {
        const int c = Grid->STFilterColumnOfField(FieldName);
        if (c >= 0) s.Columns.push_back(c);
    } else if (s.InRect) {
        for (int i = std::max(0, s.RectLeft); i <= s.RectRight && i < Grid->STFilterColumnCount(); ++i)
            if (readable(i)) s.Columns.push_back(i);
    } else if (Options.Contains(ltoInsideSelectionVz) && Grid->SelectionKind() == ISTFilterGridVz::gskColumnsVz) {
        for (int i : Grid->SelectedColumns())
            if (readable(i)) s.Columns.push_back(i);
    } else if (Options.Contains(ltoAllFieldsVz)) {
        for (int i = 0; i < Grid->STFilterColumnCount(); ++i)
            if (readable(i)) s.Columns.push_back(i);
    } else if (Grid->SelectedIndex() >= 0 && Grid->SelectedIndex() < Grid->STFilterColumnCount()) {
        s.Columns.push_back(Grid->SelectedIndex());
    }
    bool anyVisible = false;
    for (int i = 0; i < Grid->STFilterColumnCount(); ++i) anyVisible = anyVisible || Grid->STFilterColumn(i)->STFilterVisible();
    if (!anyVisible || s.Columns.empty()) return false;

    // Where the search stands.
    const int current = std::max(0, Grid->SearchPanelActive() ? Grid->SearchPanelFoundColumnIndex() : Grid->SelectedIndex());
    const auto at = std::find(s.Columns.begin(), s.Columns.end(), current);
    s.ColPos = at == s.Columns.end() ? 0 : int(at - s.Columns.begin());
    if (s.InRows) {
        const TBookmark bm = ds->GetBookmark();
        s.RowPos = 0;
        bool there = false;
        for (size_t i = 0; i < s.Rows.size(); ++i)
            if (DataSetCompareBookmarksVz(ds, s.Rows[i], bm) == 0) {
                s.RowPos = int(i);
                there = true;
                break;
            }
        if (!there) ds->GotoBookmark(s.Rows.front());
    }
    if (!Grid->SearchPanelActive() && Grid->RowSelectOption() && FieldName.isEmpty()) s.ColPos = 0;

    bool found = false;
    ds->DisableControls();
    try {
        Grid->SaveBookmark();
        const bool down = Direction != ltdUpVz;
        if (Direction == ltdAllVz) {
            s.FirstRow();
            s.ColPos = 0;
        } else {
            s.Step(down);
        }
        bool wrapped = false;
        for (;;) {
            if (s.AtEnd(down)) {
                if (wrapped) break;
                if (down) {
                    s.FirstRow();
                    s.ColPos = 0;
                } else {
                    s.LastRow();
                    s.ColPos = int(s.Columns.size()) - 1;
                }
                wrapped = true;
                s.EndOfScope = s.StartOfScope = false;
            }
            const int column = s.Columns[size_t(s.ColPos)];
            if (CheckCell) {
                bool hit = false;
                CheckCell(column, hit);
                found = hit;
            } else {
                ISTFilterColumnVz* c = Grid->STFilterColumn(column);
                const String cell = Options.Contains(ltoMatchFormatVz) ? c->STFilterDisplayText() : c->STFilterEditText();
                found = CellTextMatchesVz(cell, Text, Options, Matching);
            }
            if (found) {
                if (Grid->SearchPanelActive()) Grid->SetSearchPanelFoundColumnIndex(column);
                else Grid->SetSelectedIndex(column);
                break;
            }
            if (s.RecordMoved) {
                if (Options.Contains(ltoStopOnEscapeVz) && Grid->TakeEscapePending()) break;
                if (Options.Contains(ltoStopKeyMessageVz) && Grid->KeyPending()) break;
                if (TimeOut != 0 && GetTickCountVz() - startTicks > TimeOut) break;
                s.RecordMoved = false;
            }
            s.Step(down);
        }
        if (!found) {
            try {
                Grid->RestoreBookmark();
            } catch (const EDatabaseError&) {
            }
        }
    } catch (...) {
        ds->EnableControls();
        throw;
    }
    ds->EnableControls();
    return found;
}

// ---- dataset handlers ------------------------------------------------------------------------

bool TDataSetHandlerVz::LocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                                   TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                                   TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz,
                                   int TimeOut, const TLocateTextCheckCellVz& CheckCell) {
    return LocateTextInGrid(Grid, FieldName, Text, Options, Direction, Matching, TimeOut, CheckCell);
}

bool TDataSetHandlerVz::MoveRecords(ISTFilterGridVz*, TBMListVz*, int, int, bool) { return false; }
void TDataSetHandlerVz::ApplyFilter(ISTFilterGridVz*, TDataSet*, bool) {}
Variant TDataSetHandlerVz::GetDataSetValue(TDataSet*, const Variant&, const Variant&, const Variant&) { return 0; }
void TDataSetHandlerVz::ApplySorting(ISTFilterGridVz*, TDataSet*, bool) {}
void TDataSetHandlerVz::FillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items) {
    if (TDBGridVzCenter* c = Grid->STFilterCenter()) c->StandardFillSTFilterListDataValues(Grid, Column, Items);
}
void TDataSetHandlerVz::FillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column,
                                                      TStrings* Items) {
    if (TDBGridVzCenter* c = Grid->STFilterCenter())
        c->StandardFillSTFilterListCommandValues(Grid, Column, Items, true, true);
}

namespace {

// The in-memory dataset's handler: the column filters become one of the table's extra filters
// (so the application's own Filter stays as it is), the sort markers its sort order.
class TMemTableDataSetHandlerVz : public TDataSetHandlerVz {
    SDELKA_CLASS(TMemTableDataSetHandlerVz, TDataSetHandlerVz)
protected:
    TMemTableDataSetHandlerVz() : TDataSetHandlerVz(TCustomMemTableVz::StaticClass()) {}
    ~TMemTableDataSetHandlerVz() override = default;

public:
    String GetLikeWildcardForSeveralCharacters() override { return QStringLiteral("%"); }

    void ApplyFilter(ISTFilterGridVz* Grid, TDataSet* DataSet, bool IsReopen) override {
        auto* t = dynamic_cast<TCustomMemTableVz*>(DataSet);
        if (!t || !IsReopen) return;
        const String text = BuildGridFilterText(Grid, BuildFilterOperationText, nullptr, false, true, false, true);
        auto it = FFilters.find(t);
        TMemTableFilterItemVz* item = it == FFilters.end() ? nullptr : it->second;
        if (item && t->ExtraFilters()->IndexOfFilter(item) < 0) item = nullptr;
        if (text.isEmpty()) {
            if (item) t->DeleteFilter(item);
            FFilters.erase(t);
            return;
        }
        if (item) t->UpdateFilter(item, text, nullptr);
        else FFilters[t] = t->AddFilter(text, nullptr);
    }

    void ApplySorting(ISTFilterGridVz* Grid, TDataSet* DataSet, bool IsReopen) override {
        auto* t = dynamic_cast<TCustomMemTableVz*>(DataSet);
        if (!t || !IsReopen) return;
        t->SetSortOrder(Grid->STFilterSortText());
    }

private:
    // The extra filter that holds the grid's column filters, per table (checked against the
    // table's filters before use, so a table freed meanwhile is never touched).
    std::map<TCustomMemTableVz*, TMemTableFilterItemVz*> FFilters;
};

class TDataSetHandlerRegistryVz {
public:
    TDataSetHandlerRegistryVz() { Handlers.push_back(New<TMemTableDataSetHandlerVz>()); }
    ~TDataSetHandlerRegistryVz() {
        while (!Handlers.empty()) {
            Handlers.front()->Free();
            Handlers.erase(Handlers.begin());
        }
    }
    std::vector<TDataSetHandlerVz*> Handlers;
};

TDataSetHandlerRegistryVz& DataSetHandlersVz() {
    static TDataSetHandlerRegistryVz registry;
    return registry;
}

bool ClassInheritsFromVz(TClass Class, TClass Ancestor) {
    for (TClass c = Class; c; c = c->ClassParent())
        if (c == Ancestor) return true;
    return false;
}

}  // namespace

void RegisterDataSetHandler(TDataSetHandlerVz* Handler) {
    auto& r = DataSetHandlersVz();
    for (TDataSetHandlerVz* h : r.Handlers)
        if (h->DataSetClass() == Handler->DataSetClass()) {
            const String name = Handler->DataSetClass() ? Handler->DataSetClass()->ClassName() : String();
            Handler->Free();
            throw EListError(QStringLiteral("A dataset handler for %1 is already registered").arg(name));
        }
    r.Handlers.push_back(Handler);
}

void UnregisterDataSetHandler(TDataSetHandlerVz* Handler) {
    auto& r = DataSetHandlersVz();
    const auto it = std::find(r.Handlers.begin(), r.Handlers.end(), Handler);
    if (it == r.Handlers.end()) return;
    r.Handlers.erase(it);
    Handler->Free();
}

int ClassNameInheritanceDistance(TClass Class, const String& ClassName) {
    int n = 0;
    const String name = ClassName.toUpper();
    for (TClass c = Class; c; c = c->ClassParent(), ++n)
        if (c->ClassName().toUpper() == name) return n;
    return INT_MAX;
}

TDataSetHandlerVz* FindDataSetHandlerForClass(TClass DataSetClass) {
    TDataSetHandlerVz* best = nullptr;
    int least = INT_MAX;
    for (TDataSetHandlerVz* h : DataSetHandlersVz().Handlers) {
        if (!h->DataSetClass() || !ClassInheritsFromVz(DataSetClass, h->DataSetClass())) continue;
        const int d = ClassNameInheritanceDistance(DataSetClass, h->DataSetClass()->ClassName());
        if (d < least) {
            least = d;
            best = h;
        }
    }
    return best;
}

TDataSetHandlerVz* FindDataSetHandlerForDataSet(TDataSet* DataSet) {
    return DataSet ? FindDataSetHandlerForClass(DataSet->ClassType()) : nullptr;
}
