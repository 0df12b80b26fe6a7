// TTestTableDataSet: the data layer's own test double. A small dataset over an in-memory table,
// written only against the dataset protocol of db.h, so tests of this layer and of data-aware
// code have a real descendant to run on. Not a product feature: the application's in-memory
// dataset lives in the grid library.
//
// The table survives Close/Open. Its structure comes from FieldDefs at CreateDataSet. Records
// have stable ids; a bookmark is the record id (4 bytes). Filter (the expression parser of
// dbfilter.h) and OnFilterRecord limit the records the cursor sees.
#pragma once

#include "platform/db/db.h"
#include "platform/db/dbfilter.h"

#include <memory>
#include <vector>

class TTestTableDataSet : public TDataSet {
    SDELKA_CLASS(TTestTableDataSet, TDataSet)
protected:
    explicit TTestTableDataSet(TComponent* AOwner);
    ~TTestTableDataSet() override;

public:
    void BeforeDestruction() override;

    // Makes an empty table from FieldDefs (or from the persistent fields) and opens.
    void CreateDataSet();
    // Drops every record (the dataset must be closed or browsing).
    void EmptyTable();
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    // Number of records in the table, filtered or not.
    int TableRecordCount() const { return static_cast<int>(FRows.size()); }

    bool GetFieldData(TField* Field, Variant& Value) override;
    void SetFieldData(TField* Field, const Variant& Value) override;
    bool BookmarkValid(const TBookmark& Bookmark) override;
    int CompareBookmarks(const TBookmark& Bookmark1, const TBookmark& Bookmark2) override;
    void SetFiltered(bool Value) override;
    void SetOnFilterRecord(const TFilterRecordEvent& Value) override;
    void SetFilterOptions(TFilterOptions Value) override;

protected:
    struct TRow {
        int Id = 0;
        std::vector<Variant> Values;  // by field number - 1
    };
    struct TRecBuf {
        int RowId = -1;
        TBookmarkFlag Flag = bfCurrent;
        int RecNo = -1;
        std::vector<Variant> Values;  // data fields by field number - 1
        std::vector<Variant> Calc;    // calculated and lookup fields by field Index
    };

    TRecordBuffer AllocRecordBuffer() override;
    void FreeRecordBuffer(TRecordBuffer& Buffer) override;
    TGetResult GetRecord(TRecordBuffer Buffer, TGetMode GetMode, bool DoCheck) override;
    void GetBookmarkData(TRecordBuffer Buffer, TBookmark& Data) override;
    void SetBookmarkData(TRecordBuffer Buffer, const TBookmark& Data) override;
    TBookmarkFlag GetBookmarkFlag(TRecordBuffer Buffer) override;
    void SetBookmarkFlag(TRecordBuffer Buffer, TBookmarkFlag Value) override;
    void InternalFirst() override;
    void InternalLast() override;
    void InternalOpen() override;
    void InternalClose() override;
    void InternalInitFieldDefs() override;
    void InternalGotoBookmark(const TBookmark& Bookmark) override;
    void InternalSetToRecord(TRecordBuffer Buffer) override;
    void InternalInitRecord(TRecordBuffer Buffer) override;
    void InternalAddRecord(TRecordBuffer Buffer, bool Append) override;
    void InternalDelete() override;
    void InternalPost() override;
    void InternalCancel() override;
    void InternalRefresh() override;
    void InternalHandleException() override;
    bool IsCursorOpen() const override { return FCursorOpen; }
    int GetRecordCount() override;
    int GetRecNo() override;
    void SetRecNoValue(int Value) override;
    bool GetCanModify() override { return !FReadOnly; }
    void ClearCalcFields(TRecordBuffer Buffer) override;
    void SetFilterText(const String& Value) override;

private:
    TRecBuf* Buf(TRecordBuffer Buffer) const { return reinterpret_cast<TRecBuf*>(Buffer); }
    // The buffer the current state reads and writes, or nullptr.
    TRecBuf* ActiveRecBuf();
    TRow* FindRow(int Id) const;
    int ViewIndexOf(int Id) const;
    void FillBuffer(TRecBuf* B, int ViewIndex);
    void CopyToRow(TRecBuf* B, TRow* Row);
    bool RecordAccepted(TRow* Row);
    // Rebuilds the list of visible records and goes to the first.
    void RefreshView();
    void RebuildView();
    void ParseFilter();

    std::vector<std::unique_ptr<TRow>> FRows;  // table order
    std::vector<TRow*> FView;                  // visible records
    int FNextId = 1;
    int FRecordPos = -1;                       // cursor in FView: -1 before, size() after
    int FDataFieldCount = 0;
    bool FCursorOpen = false;
    bool FReadOnly = false;
    bool FTableCreated = false;
    std::unique_ptr<TFilterExpr> FFilterExpr;
    std::vector<TRecBuf*> FAllocated;
};
