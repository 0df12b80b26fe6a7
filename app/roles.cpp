#include "app/roles.h"

#include "platform/rtl/sysutils.h"

TRole RoleOfWord(const String& Word) {
    const String w = Trim(Word);
    if (w == AdminWord1 || w == AdminWord2) return rlAdministrator;
    if (w == PlanningWord) return rlPlanning;
    if (w == ForemenWord) return rlForemen;
    if (w == StorekeeperWord) return rlStorekeeper;
    return rlNone;
}

bool IsAdministratorWord(const String& Word) { return RoleOfWord(Word) == rlAdministrator; }

TRoleControls SwitchedOffControls(TRole Role) {
    switch (Role) {
    case rlPlanning:
        return {rcAdd, rcEdit, rcDelete, rcRefresh, rcShiftButtons, rcWeekend, rcDatePicker, rcGrid,
                rcMenuDirectories, rcMenuTimesheet};
    case rlForemen:
        return {rcEdit, rcDelete, rcMenuDirectories, rcMenuTimesheet, rcReportDetailWorkers, rcReportProducts,
                rcReportWorkers, rcReportExcel};
    case rlStorekeeper:
        return {rcAdd, rcEdit, rcDelete, rcMenuDirectories, rcMenuTimesheet, rcReportDetailWorkers,
                rcReportProducts, rcReportWorkers, rcReportExcel, rcReportKind};
    default: return {};
    }
}
