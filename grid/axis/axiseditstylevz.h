// The style of the in-place editor over a bar's cell: which list or button it offers, derived from
// the bar's button style, its lookup, pick list, data list, field type and drop-down form.
#pragma once

class TAxisBarVz;

enum TEditStyle {
    esSimple, esEllipsis, esPickList, esLookupDataList, esDateCalendar, esUpDown, esDropDown, esAltUpDown,
    esAltDropDown, esAltCalendar, esAltPickList, esAltLookupDataList, esDataList, esAltDataList
};

TEditStyle GetAxisBarEditStyleVz(TAxisBarVz* Bar);
bool IsLookupEditStyleVz(TEditStyle Style);
bool IsPickListEditStyleVz(TEditStyle Style);
bool IsCalendarEditStyleVz(TEditStyle Style);
