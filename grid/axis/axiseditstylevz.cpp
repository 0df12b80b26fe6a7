#include "grid/axis/axiseditstylevz.h"

#include "grid/axis/axisbarsvz.h"
#include "grid/axis/lookupdatavz.h"
#include "grid/base/dropdownparamsvz.h"
#include "platform/db/fields.h"

bool IsLookupEditStyleVz(TEditStyle Style) {
    return Style == esLookupDataList || Style == esAltLookupDataList || Style == esDataList || Style == esAltDataList;
}

bool IsPickListEditStyleVz(TEditStyle Style) { return Style == esPickList || Style == esAltPickList; }

bool IsCalendarEditStyleVz(TEditStyle Style) { return Style == esDateCalendar || Style == esAltCalendar; }

TEditStyle GetAxisBarEditStyleVz(TAxisBarVz* Bar) {
    if (!Bar) return esSimple;
    TDBLookupDataVz* lookup = Bar->LookupParams();
    const bool lookupActive = lookup && lookup->LookupActive();
    const TAxisBarVzType type = Bar->GetBarType();
    const bool pickBar = (type == ctPickList || type == ctKeyPickList) && !Bar->ReadOnly();
    TField* f = Bar->Field();
    const TFieldType ft = f ? f->DataType() : ftUnknown;
    const bool dateField = ft == ftDate || ft == ftDateTime || ft == ftTimeStamp;
    const bool dateTimeField = dateField || ft == ftTime;
    switch (Bar->ButtonStyle()) {
    case cbsAuto: {
        if (lookupActive) return esLookupDataList;
        if (pickBar) return esPickList;
        if (type == ctDataList) return esDataList;
        if (dateField && !Bar->ReadOnly()) return esDateCalendar;
        TDropDownFormCallParamsVz* p = Bar->EditButton()->DropDownFormParams();
        if (p && (p->DropDownForm() || !p->DropDownFormClassName().isEmpty())) return esDropDown;
        return esSimple;
    }
    case cbsEllipsis: return esEllipsis;
    case cbsNone: return esSimple;
    case cbsUpDown: return esUpDown;
    case cbsDropDown:
        if (lookupActive) return esLookupDataList;
        if (pickBar) return esPickList;
        if (type == ctDataList) return esDataList;
        return esDropDown;
    case cbsAltUpDown: return esAltUpDown;
    case cbsAltDropDown:
        if (lookupActive) return esAltLookupDataList;
        if (pickBar) return esAltPickList;
        if (type == ctDataList) return esAltDataList;
        if (dateTimeField) return esAltCalendar;
        return esAltDropDown;
    }
    return esSimple;
}
