// The data link every data-aware editor reaches its data through. It binds the editor to one field,
// to several fields at once (the value is then a Variant array), or to nothing: without a data
// source and a field name the editor is data-independent and the link keeps the value itself.
// Also the one rule by which the editors turn a Variant into text.
#pragma once

#include "grid/core/valueutilsvz.h"
#include "platform/db/datasource.h"
#include "platform/rtl/events.h"
#include "platform/rtl/variant.h"

class TFieldDataLinkVz : public TDataLink {
    SDELKA_CLASS(TFieldDataLinkVz, TDataLink)
public:
    TFieldDataLinkVz();

    // ---- binding
    // Data-independent, or the link is active with a field bound.
    bool Active() const;
    // A field is bound and can be modified, or the link is data-independent.
    bool CanModify() const;
    // There is a data source with a dataset, and that dataset is open.
    bool DataSetActive() const;
    bool DataIndepended() const { return FDataIndepended; }
    TComponent* Control() const { return FControl; }
    void SetControl(TComponent* Value) { FControl = Value; }
    void SetDataSource(TDataSource* Value);
    TDataSource* DataSource() const { return TDataLink::DataSource(); }
    const String& FieldName() const { return FFieldName; }
    void SetFieldName(const String& Value);
    bool MultiFields() const { return FMultiFields; }
    void SetMultiFields(bool Value);
    // The first bound field, nil when none.
    TField* Field() const { return FFields.empty() ? nullptr : FFields.front(); }
    int FieldsCount() const { return static_cast<int>(FFields.size()); }
    TField* Fields(int Index) const { return FFields.empty() ? nullptr : FFields.at(static_cast<size_t>(Index)); }
    const TFieldsArrVz& FieldsArray() const { return FFields; }

    // ---- the editor's side
    // The editor may change the value now.
    bool Editing() const { return FEditorEditing; }
    // Starts an edit: data-independent, just the editor's own editing state; bound, the dataset's.
    bool Edit();
    // The editor's value differs from the data.
    void Modified() { FModified = true; }
    void SetModified(bool Value) { FModified = Value; }
    bool IsModified() const { return FModified; }
    // Makes the editor read the value again.
    void Reset() { RecordChanged(nullptr); }
    // Writes a text: a blob field takes it as is, another field through its own text conversion.
    void SetText(const String& Text);
    // Writes a value; with several fields, element i of the array into field i (Null clears all).
    void SetValue(const Variant& Value);

    // The value while the link is data-independent; Null at start and whenever the link changes
    // between dependent and independent.
    Variant DataIndependentValue = Null();

    TNotifyEvent OnDataChange;
    TNotifyEvent OnEditingChange;
    TNotifyEvent OnUpdateData;
    TNotifyEvent OnActiveChange;

    void DataEvent(TDataEvent Event, NativeInt Info) override;

protected:
    void ActiveChanged() override;
    void EditingChanged() override;
    void FocusControl(TField** Field) override;
    void LayoutChanged() override;
    void RecordChanged(TField* Field) override;
    void UpdateData() override;

    // Rebuilds the bound fields from FieldName.
    virtual void UpdateFields();
    // No data source and no field name.
    virtual bool IsDataIndepended() const;

private:
    void SetFields(const TFieldsArrVz& Fields);
    void SetEditorEditing(bool Value);
    void CheckDataIndepended();
    bool IsBoundField(TField* Field) const;

    TFieldsArrVz FFields;
    String FFieldName;
    TComponent* FControl = nullptr;
    bool FMultiFields = false;
    bool FDataIndepended = true;
    bool FEditorEditing = false;
    bool FModified = false;
};

// VarToStr, except that an array, or a value whose conversion fails, gives the empty text.
String SafeVarToStrVz(const Variant& Value);
