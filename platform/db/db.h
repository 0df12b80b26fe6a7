// The data-access layer: TDataSet and its buffer protocol. Including this header gives the
// whole layer (fields, definitions, parameters, data sources and data links, filter
// expressions).
//
// How a descendant dataset plugs in (the framework's protocol):
//
// - Record buffers are opaque handles (TRecordBuffer) that the descendant hands out in
//   AllocRecordBuffer and takes back in FreeRecordBuffer; 0 means "no buffer". The dataset keeps
//   a ring of BufferCount + 1 of them (FBuffers); the one past the window (index FRecordCount)
//   is where GetRecord fetches the next or prior record before the ring rotates, and is the
//   temporary buffer (TempBuffer) of filter and old-value states.
// - GetRecord(Buffer, gmCurrent/gmNext/gmPrior, DoCheck) moves the descendant's cursor and
//   fills Buffer; InternalFirst/InternalLast put the cursor before the first / after the last
//   record; InternalSetToRecord(Buffer) and InternalGotoBookmark put it on a record.
//   GetBookmarkData/SetBookmarkData/GetBookmarkFlag/SetBookmarkFlag read and write a buffer's
//   bookmark (bytes, BookmarkSize of them) and flag.
// - Field values go through the Variant form (decided once for the whole layer):
//       virtual bool GetFieldData(TField* Field, Variant& Value);   false: Null / no record
//       virtual void SetFieldData(TField* Field, const Variant& Value);
//   The Variant has the field type's native kind (table at the top of fields.h). The
//   descendant picks the buffer from State() (browse/edit/insert: ActiveBuffer; dsCalcFields:
//   CalcBuffer; dsFilter: TempBuffer; dsOldValue: the stored record ...). SetFieldData of a
//   descendant calls Field->Validate(Value) before it stores, and afterwards (outside
//   dsCalcFields, dsFilter, dsNewValue and dsInternalCalc) DataEvent(deFieldChange, Field).
// - Editing: InternalEdit, InternalInsert, InternalInitRecord, InternalPost (inserts in insert
//   state, writes the edit in edit state; the base checks Required fields), InternalCancel,
//   InternalDelete, InternalAddRecord, InternalRefresh. Opening: InternalOpen (create field defs,
//   CreateFields when DefaultFields, BindFields(true)), InternalClose (BindFields(false),
//   DestroyFields when DefaultFields), InternalInitFieldDefs, IsCursorOpen.
// - Calculated fields: a descendant calls GetCalcFields(Buffer) after filling a buffer; the
//   base then runs CalculateFields in the dsCalcFields state with CalcBuffer() = Buffer.
#pragma once

#include "platform/db/fields.h"
#include "platform/db/params.h"
#include "platform/rtl/classes.h"
#include "platform/rtl/events.h"
#include "platform/rtl/exceptions.h"
#include "platform/rtl/variant.h"

#include <memory>
#include <vector>

class TDataSource;
class TDataLink;
class TFilterExpr;

// ---- errors ------------------------------------------------------------------------------------
SDELKA_EXCEPTION(EDatabaseError, Exception)
SDELKA_EXCEPTION(EUpdateError, EDatabaseError)

// Raises EDatabaseError; with a component the message is "Name: Message" (the framework's form).
[[noreturn]] void DatabaseError(const String& Message, TComponent* Component = nullptr);
[[noreturn]] void DatabaseErrorFmt(const String& Message, TVarRecs Args, TComponent* Component = nullptr);

// The layer's message texts.
namespace DbConsts {
inline const char* const SFieldNotFound = "Field '%s' not found";
inline const char* const SNotEditing = "Dataset not in edit or insert mode";
inline const char* const SDataSetReadOnly = "Cannot modify a read-only dataset";
inline const char* const SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline const char* const SDataSetOpen = "Cannot perform this operation on an open dataset";
inline const char* const SFieldRequired = "Field '%s' must have a value";
inline const char* const SFieldReadOnly = "Field '%s' cannot be modified";
inline const char* const SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline const char* const SRecordNotFound = "Record not found";
inline const char* const SNoDataFound = "No data found";
inline const char* const SInvalidIntegerValue = "'%s' is not a valid integer value for field '%s'";
inline const char* const SInvalidFloatValue = "'%s' is not a valid floating point value for field '%s'";
inline const char* const SInvalidBoolValue = "'%s' is not a valid boolean value for field '%s'";
// The same for a value that belongs to no field (a constant of a filter).
inline const char* const SInvalidFloatText = "'%s' is not a valid floating point value";
inline const char* const SInvalidBoolText = "'%s' is not a valid boolean value";
inline const char* const SInvalidDateTimeValue = "'%s' is not a valid date and time";
inline const char* const SInvalidBcdValue = "'%s' is not a valid BCD value";
inline const char* const SFieldTypeMismatch = "Type mismatch for field '%s', expecting: %s actual: %s";
inline const char* const SFieldAccessError = "Cannot access field '%s' as type %s";
inline const char* const SFieldRangeError = "%s is not a valid value for field '%s'. The allowed range is %s to %s";
inline const char* const SDuplicateFieldName = "Duplicate field name '%s'";
inline const char* const SDuplicateName = "Duplicate name '%s' in %s";
inline const char* const SIndexNotFound = "Index '%s' not found";
inline const char* const SParameterNotFound = "Parameter '%s' not found";
inline const char* const SCircularDataLink = "Circular datalinks are not allowed";
inline const char* const SNoFieldsDefined = "No fields defined. Cannot create dataset.";
inline const char* const SNotABlobField = "Field '%s' is not a blob field";
inline const char* const SLookupInfoError = "Lookup information for field '%s' is incomplete";
inline const char* const SInvalidBookmark = "Invalid bookmark";
inline const char* const SFieldHasNoDataSet = "Field '%s' has no dataset";
}  // namespace DbConsts

// ---- enumerations ------------------------------------------------------------------------------
enum TDataSetState : int {
    dsInactive, dsBrowse, dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter, dsNewValue,
    dsOldValue, dsCurValue, dsBlockRead, dsInternalCalc, dsOpening
};
using TDataSetStates = TSet<TDataSetState>;
inline const TDataSetStates dsEditModes{dsEdit, dsInsert, dsSetKey};
inline const TDataSetStates dsWriteModes{dsEdit, dsInsert, dsSetKey, dsCalcFields, dsFilter,
                                         dsNewValue, dsInternalCalc};

enum TDataEvent {
    deFieldChange, deRecordChange, deDataSetChange, deDataSetScroll, deLayoutChange,
    deUpdateRecord, deUpdateState, deCheckBrowseMode, dePropertyChange, deFieldListChange,
    deFocusControl, deParentScroll, deConnectChange, deReconcileError, deDisabledStateChange
};

enum TGetMode { gmCurrent, gmNext, gmPrior };
enum TGetResult { grOK, grBOF, grEOF, grError };
enum TBookmarkFlag { bfCurrent, bfBOF, bfEOF, bfInserted };
enum TResyncModeItem { rmExact, rmCenter };
using TResyncMode = TSet<TResyncModeItem>;
enum TLocateOption { loCaseInsensitive, loPartialKey };
using TLocateOptions = TSet<TLocateOption>;
enum TFilterOption { foCaseInsensitive, foNoPartialCompare };
using TFilterOptions = TSet<TFilterOption>;
enum TDataAction { daFail, daAbort, daRetry };
enum TUpdateStatus { usUnmodified, usModified, usInserted, usDeleted };
using TUpdateStatusSet = TSet<TUpdateStatus>;
enum TUpdateKind { ukModify, ukInsert, ukDelete };

// A record buffer: a handle the descendant hands out (0 = none).
using TRecordBuffer = NativeInt;
// A bookmark: the bytes a descendant writes in GetBookmarkData (empty = none).
using TBookmark = std::vector<Byte>;
using TBookmarkStr = TBookmark;

using TDataSetNotifyEvent = TEvent<void(TDataSet* DataSet)>;
using TDataSetErrorEvent = TEvent<void(TDataSet* DataSet, EDatabaseError& E, TDataAction& Action)>;
using TFilterRecordEvent = TEvent<void(TDataSet* DataSet, bool& Accept)>;

// ---- TDataSet ----------------------------------------------------------------------------------
class TDataSet : public TComponent {
    SDELKA_CLASS(TDataSet, TComponent)
protected:
    explicit TDataSet(TComponent* AOwner);
    ~TDataSet() override;

public:
    void BeforeDestruction() override;

    // ---- opening and closing
    void Open() { SetActive(true); }
    void Close() { SetActive(false); }
    bool Active() const { return FState != dsInactive && FState != dsOpening; }
    virtual void SetActive(bool Value);
    TDataSetState State() const { return FState; }
    void CheckActive() const;    // "Cannot perform this operation on a closed dataset"
    void CheckInactive() const;  // "Cannot perform this operation on an open dataset"
    void Loaded() override;

    // ---- navigation
    void First();
    void Last();
    void Next();
    void Prior();
    // Moves by Distance records; returns the distance moved (Bof/Eof stop it).
    virtual int MoveBy(int Distance);
    bool Bof() const { return FBOF; }
    bool Eof() const { return FEOF; }
    bool IsEmpty() const { return FActiveRecord >= FRecordCount; }
    int RecordCount() { return GetRecordCount(); }
    int RecNo() { return GetRecNo(); }
    void SetRecNo(int Value) { SetRecNoValue(Value); }
    virtual bool IsSequenced() { return true; }
    void Refresh();
    virtual void Resync(TResyncMode Mode);
    // Puts the descendant's cursor on the active record / forgets where it is.
    void UpdateCursorPos();
    void CursorPosChanged() { FCurrentRecord = -1; }

    // ---- editing
    void Edit();
    void Insert();
    void Append();
    void Post();
    void Cancel();
    void Delete();
    void InsertRecord(std::initializer_list<Variant> Values);
    void AppendRecord(std::initializer_list<Variant> Values);
    // Assigns Values to the fields in order (Empty leaves a field alone).
    void SetFields(std::initializer_list<Variant> Values);
    void CheckBrowseMode();
    // Asks the controls to write their pending edits (deUpdateRecord).
    void UpdateRecord();
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    bool CanModify() { return GetCanModify(); }
    void ClearFields();
    virtual TUpdateStatus UpdateStatus() { return usUnmodified; }

    // ---- controls
    void DisableControls();
    void EnableControls();
    bool ControlsDisabled() const { return FDisableCount != 0; }

    // ---- bookmarks
    virtual TBookmark GetBookmark();
    virtual void GotoBookmark(const TBookmark& Bookmark);
    virtual bool BookmarkValid(const TBookmark& Bookmark) { return !Bookmark.empty(); }
    // -1, 0, 1; an empty bookmark sorts first. The base compares the bytes.
    virtual int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2);
    void FreeBookmark(TBookmark& Bookmark) { Bookmark.clear(); }
    TBookmark Bookmark() { return GetBookmark(); }
    void SetBookmark(const TBookmark& Value) { GotoBookmark(Value); }
    int BookmarkSize() const { return FBookmarkSize; }

    // ---- search
    // KeyFields ";"-separated; KeyValues one value or a Variant array by position.
    virtual bool Locate(const String& KeyFields, const Variant& KeyValues, TLocateOptions Options);
    virtual Variant Lookup(const String& KeyFields, const Variant& KeyValues, const String& ResultFields);

    // ---- fields
    TFields* Fields() const { return FFields.get(); }
    int FieldCount() const { return FFields->Count(); }
    TField* FindField(const String& FieldName) const { return FFields->FindField(FieldName); }
    TField* FieldByName(const String& FieldName) const;
    TField* FieldByNumber(int FieldNo) const { return FFields->FieldByNumber(FieldNo); }
    // The fields named in a ";"-separated list ("Field '%s' not found" for a missing one).
    void GetFieldList(std::vector<TField*>& List, const String& FieldNames) const;
    void GetFieldNames(TStrings* List) const;
    // One value, or a Variant array for several names.
    Variant FieldValues(const String& FieldName) const;
    void SetFieldValues(const String& FieldName, const Variant& Value);
    TFieldDefs* FieldDefs() const { return FFieldDefs.get(); }
    void SetFieldDefs(TFieldDefs* Value);
    // The definitions, children after parents (names joined with ".").
    std::vector<std::pair<String, TFieldDef*>> FieldDefList() const;
    // True when the fields were made by the dataset at open (no persistent fields).
    bool DefaultFields() const { return FDefaultFields; }
    // Fills FieldDefs (opens the cursor for information when closed).
    void InitFieldDefs();
    bool AutoCalcFields() const { return FAutoCalcFields; }
    void SetAutoCalcFields(bool Value) { FAutoCalcFields = Value; }
    // The class of the field that a definition of this type makes.
    virtual TClass GetFieldClass(TFieldType FieldType) const;
    bool GetCurrentRecord(TRecordBuffer Buffer) { (void)Buffer; return false; }

    // ---- filters
    const String& Filter() const { return FFilterText; }
    void SetFilter(const String& Value) { SetFilterText(Value); }
    bool Filtered() const { return FFiltered; }
    virtual void SetFiltered(bool Value);
    TFilterOptions FilterOptions() const { return FFilterOptions; }
    virtual void SetFilterOptions(TFilterOptions Value);
    const TFilterRecordEvent& OnFilterRecord() const { return FOnFilterRecord; }
    virtual void SetOnFilterRecord(const TFilterRecordEvent& Value);

    // ---- data sources and events
    void DataEvent(TDataEvent Event, NativeInt Info);
    // True when a data source of this dataset (or of a detail) links back to DataSource.
    bool IsLinkedTo(TDataSource* DataSource) const;
    int DataSourceCount() const { return static_cast<int>(FDataSources.size()); }
    TDataSource* DataSources(int Index) const { return FDataSources[Index]; }
    // The master data source of a detail dataset (none here).
    virtual TDataSource* DataSource() const { return nullptr; }
    // Aggregates of aggregate fields (Null here).
    virtual Variant GetAggregateValue(TField* Field) { (void)Field; return Null(); }
    virtual void ResetAggField(TField* Field) { (void)Field; }

    // ---- field data (the Variant protocol, see the top of this file)
    virtual bool GetFieldData(TField* Field, Variant& Value) = 0;
    virtual void SetFieldData(TField* Field, const Variant& Value) = 0;
    virtual TStream* CreateBlobStream(TField* Field, TBlobStreamMode Mode);
    // The buffer that a calculated-field step is filling (dsCalcFields).
    TRecordBuffer CalcBuffer() const { return FCalcBuffer; }
    // Number of calculated and lookup fields.
    int CalcFieldsCount() const { return FCalcFieldsCount; }
    bool InternalCalcFields() const { return FInternalCalcFields; }
    int BlockReadSize() const { return FBlockReadSize; }
    void SetBlockReadSize(int Value);

    // ---- events
    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose;
    TDataSetNotifyEvent BeforeInsert, AfterInsert, BeforeEdit, AfterEdit;
    TDataSetNotifyEvent BeforePost, AfterPost, BeforeCancel, AfterCancel;
    TDataSetNotifyEvent BeforeDelete, AfterDelete, BeforeScroll, AfterScroll;
    TDataSetNotifyEvent BeforeRefresh, AfterRefresh;
    TDataSetNotifyEvent OnCalcFields, OnNewRecord;
    TDataSetErrorEvent OnEditError, OnPostError, OnDeleteError;

    // ---- the buffer window as data links see it
    int ActiveRecord() const { return FActiveRecord; }
    int BufferCount() const { return FBufferCount; }
    int BufferedRecordCount() const { return FRecordCount; }
    TRecordBuffer ActiveBuffer() const {
        return FActiveRecord >= 0 && static_cast<size_t>(FActiveRecord) < FBuffers.size() ? FBuffers[static_cast<size_t>(FActiveRecord)] : 0;
    }
    TRecordBuffer Buffers(int Index) const { return FBuffers[Index]; }

protected:
    friend class TDataSource;
    friend class TDataLink;
    friend class TField;
    friend class TFieldDefs;

    // ---- buffers
    virtual TRecordBuffer AllocRecordBuffer() = 0;
    virtual void FreeRecordBuffer(TRecordBuffer& Buffer) = 0;
    virtual TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) = 0;
    virtual void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) = 0;
    virtual void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) = 0;
    virtual TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) = 0;
    virtual void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalInitFieldDefs() = 0;
    virtual void InternalHandleException();
    virtual void InternalGotoBookmark(const TBookmark& Bookmark) = 0;
    virtual void InternalSetToRecord(TRecordBuffer Buffer) = 0;
    virtual void InternalInitRecord(TRecordBuffer Buffer) { (void)Buffer; }
    virtual void InternalAddRecord(TRecordBuffer Buffer, bool Append) { (void)Buffer; (void)Append; }
    virtual void InternalDelete() {}
    virtual void InternalPost();
    virtual void InternalCancel() {}
    virtual void InternalEdit() {}
    virtual void InternalInsert() {}
    virtual void InternalRefresh() {}
    virtual bool IsCursorOpen() const = 0;
    virtual int GetRecordCount() { return -1; }
    virtual int GetRecNo() { return -1; }
    virtual void SetRecNoValue(int Value) { (void)Value; }
    virtual bool GetCanModify() { return true; }
    virtual void ClearCalcFields(TRecordBuffer Buffer) { (void)Buffer; }
    virtual void InitRecord(TRecordBuffer Buffer);
    virtual void SetFilterText(const String& Value);
    virtual void DoOnNewRecord();
    virtual void DoOnCalcFields();
    virtual void OpenCursor(bool InfoQuery = false);
    virtual void CloseCursor();
    virtual void DataEventHook(TDataEvent Event, NativeInt Info) { (void)Event; (void)Info; }

    // ---- the steps descendants call
    void ClearBuffers();
    void ActivateBuffers();
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    int GetPriorRecords();
    void SetCurrentRecord(int Index);
    void MoveBuffer(int CurIndex, int NewIndex);
    void UpdateBufferCount();
    void SetBufferCount(int Value);
    void SetBufListSize(int Value);
    TRecordBuffer TempBuffer() const { return FBuffers[FRecordCount]; }
    void GetCalcFields(TRecordBuffer Buffer);
    virtual void CalculateFields(TRecordBuffer Buffer);
    void SetState(TDataSetState Value);
    TDataSetState SetTempState(TDataSetState Value);
    void RestoreState(TDataSetState Value);
    void CheckRequiredFields();
    void CheckCanModify();
    void CheckOperation(const std::function<void()>& Operation, const TDataSetErrorEvent& ErrorEvent);
    void CreateFields();
    void DestroyFields();
    void BindFields(bool Binding);
    void SetBookmarkSize(int Value) { FBookmarkSize = Value; }
    void SetDefaultFields(bool Value) { FDefaultFields = Value; }
    // The framework's field-value step for the old/current value states.
    Variant GetStateFieldValue(TDataSetState State, TField* Field);
    void SetStateFieldValue(TDataSetState State, TField* Field, const Variant& Value);

    void DoBeforeOpen() { if (BeforeOpen) BeforeOpen(this); }
    void DoAfterOpen() { if (AfterOpen) AfterOpen(this); }
    void DoBeforeClose() { if (BeforeClose) BeforeClose(this); }
    void DoAfterClose() { if (AfterClose) AfterClose(this); }
    void DoBeforeInsert() { if (BeforeInsert) BeforeInsert(this); }
    void DoAfterInsert() { if (AfterInsert) AfterInsert(this); }
    void DoBeforeEdit() { if (BeforeEdit) BeforeEdit(this); }
    void DoAfterEdit() { if (AfterEdit) AfterEdit(this); }
    void DoBeforePost() { if (BeforePost) BeforePost(this); }
    void DoAfterPost() { if (AfterPost) AfterPost(this); }
    void DoBeforeCancel() { if (BeforeCancel) BeforeCancel(this); }
    void DoAfterCancel() { if (AfterCancel) AfterCancel(this); }
    void DoBeforeDelete() { if (BeforeDelete) BeforeDelete(this); }
    void DoAfterDelete() { if (AfterDelete) AfterDelete(this); }
    void DoBeforeScroll() { if (BeforeScroll) BeforeScroll(this); }
    void DoAfterScroll() { if (AfterScroll) AfterScroll(this); }
    void DoBeforeRefresh() { if (BeforeRefresh) BeforeRefresh(this); }
    void DoAfterRefresh() { if (AfterRefresh) AfterRefresh(this); }

    // The ring and the window (the framework's protected fields).
    std::vector<TRecordBuffer> FBuffers;
    int FBufferCount = 0;
    int FRecordCount = 0;
    int FActiveRecord = 0;
    int FCurrentRecord = -1;
    bool FBOF = true;
    bool FEOF = true;
    bool FModified = false;
    TDataSetState FState = dsInactive;
    TRecordBuffer FCalcBuffer = 0;
    int FCalcFieldsCount = 0;
    bool FInternalCalcFields = false;
    String FFilterText;
    bool FFiltered = false;
    TFilterOptions FFilterOptions;
    TFilterRecordEvent FOnFilterRecord;

private:
    void AddDataSource(TDataSource* DataSource);
    void RemoveDataSource(TDataSource* DataSource);
    void DoInternalOpen();
    void OpenCursorComplete();
    void BeginInsertAppend();
    void EndInsertAppend();
    void FieldListChanged();
    void UpdateFieldCounts();

    std::unique_ptr<TFields> FFields;
    TOwned<TFieldDefs> FFieldDefs;
    std::vector<TDataSource*> FDataSources;
    int FDisableCount = 0;
    TDataSetState FDisableState = dsInactive;
    TDataEvent FEnableEvent = deDataSetChange;
    int FBookmarkSize = 0;
    bool FDefaultFields = false;
    bool FAutoCalcFields = true;
    bool FInternalOpenComplete = false;
    bool FStreamedActive = false;
    int FBlockReadSize = 0;
};

// Splits a ";"-separated list of field names (blanks around names are dropped).
std::vector<String> ExtractFieldNames(const String& Fields);

#include "platform/db/datasource.h"
