// The data grid's text search over its cells (the default of the behaviour centre's locate), and
// the registry of dataset handlers through which code that knows a kind of dataset filters,
// sorts and searches for the grid.
#pragma once

#include "grid/dbgrid/columnfilterhostvz.h"
#include "platform/rtl/classes.h"

#include <functional>

class TStrings;
class TBMListVz;

enum TLocateTextOptionVz {
    ltoCaseInsensitiveVz, ltoAllFieldsVz, ltoMatchFormatVz, ltoIgnoteCurrentPosVz, ltoStopOnEscapeVz,
    ltoInsideSelectionVz, ltoRestartAfterLastHitVz, ltoWholeWordsVz, ltoStopKeyMessageVz
};
using TLocateTextOptionsVz = TSet<TLocateTextOptionVz>;
enum TLocateTextDirectionVz { ltdUpVz, ltdDownVz, ltdAllVz };
enum TLocateTextMatchingVz { ltmAnyPartVz, ltmWholeVz, ltmFromBegingVz };
enum TLocateTextTreeFindRangeVz { lttInAllNodesVz, lttInExpandedNodesVz, lttInCurrentLevelVz, lttInCurrentNodeVz };

// The cell test a caller may give instead of the text comparison (Column: the grid's column index).
using TLocateTextCheckCellVz = std::function<void(int Column, bool& Found)>;

// Searches the grid's cells for Text. Found: the dataset stays on the found record and the found
// column is marked (the search panel's FoundColumnIndex while it is active, else SelectedIndex);
// not found: the grid's position is put back. TimeOut in milliseconds, 0 for none.
bool LocateTextInGrid(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                      TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                      TLocateTextMatchingVz Matching, int TimeOut, const TLocateTextCheckCellVz& CheckCell);

// Code that knows one dataset class (and its descendants) and does the grid's dataset work.
class TDataSetHandlerVz : public TObject {
    SDELKA_CLASS(TDataSetHandlerVz, TObject)
protected:
    explicit TDataSetHandlerVz(TClass ADataSetClass = nullptr) : FDataSetClass(ADataSetClass) {}
    ~TDataSetHandlerVz() override = default;

public:
    TClass DataSetClass() const { return FDataSetClass; }

    virtual String GetLikeWildcardForSeveralCharacters() { return QStringLiteral("*"); }
    virtual bool LocateText(ISTFilterGridVz* Grid, const String& FieldName, const String& Text,
                            TLocateTextOptionsVz Options, TLocateTextDirectionVz Direction,
                            TLocateTextMatchingVz Matching, TLocateTextTreeFindRangeVz TreeFindRange, int TimeOut,
                            const TLocateTextCheckCellVz& CheckCell);
    virtual bool MoveRecords(ISTFilterGridVz* Grid, TBMListVz* BookmarkList, int ToRecNo, int TreeLevel,
                             bool CheckOnly);
    virtual void ApplyFilter(ISTFilterGridVz* Grid, TDataSet* DataSet, bool IsReopen);
    virtual Variant GetDataSetValue(TDataSet* DataSet, const Variant& V1, const Variant& V2, const Variant& V3);
    virtual void ApplySorting(ISTFilterGridVz* Grid, TDataSet* DataSet, bool IsReopen);
    virtual void FillSTFilterListDataValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items);
    virtual void FillSTFilterListCommandValues(ISTFilterGridVz* Grid, ISTFilterColumnVz* Column, TStrings* Items);

private:
    TClass FDataSetClass;
};

// The registry owns the handlers; a second handler for a class already served raises.
void RegisterDataSetHandler(TDataSetHandlerVz* Handler);
void UnregisterDataSetHandler(TDataSetHandlerVz* Handler);  // frees it
// The handler of the nearest registered ancestor class (earlier registration on a tie).
TDataSetHandlerVz* FindDataSetHandlerForClass(TClass DataSetClass);
TDataSetHandlerVz* FindDataSetHandlerForDataSet(TDataSet* DataSet);
// 0 for the class itself, 1 for its parent ... ; the largest integer when no ancestor has Name.
int ClassNameInheritanceDistance(TClass Class, const String& ClassName);
