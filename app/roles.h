// Sign-in roles: the access words and the controls each role switches off in the main work
// window and the period reports window.
#pragma once

#include "platform/rtl/system.h"

enum TRole { rlNone, rlAdministrator, rlPlanning, rlForemen, rlStorekeeper };

// The controls that a role can switch off.
enum TRoleControl {
    rcAdd,              // main window "Добавить" and its popup item "Копия"
    rcEdit,             // "Изменить"
    rcDelete,           // "Удалить"
    rcRefresh,          // "Обновить"
    rcShiftButtons,     // "Смена №1", "Смена №2", "Смена №3", "Переработка"
    rcWeekend,          // "Выходной"
    rcDatePicker,       // the working date
    rcGrid,             // the records grid (and with it the acceptance toggle)
    rcMenuDirectories,  // menu "Справочники"
    rcMenuTimesheet,    // menu "Табель"
    rcReportDetailWorkers,  // reports window "Детальный отчет по рабочим"
    rcReportProducts,       // "Отчет по продукции"
    rcReportWorkers,        // "Отчет по рабочим"
    rcReportExcel,          // "Excel (0 из 0)"
    rcReportKind            // "Вид продукции": set to "Готовая продукция" and switched off
};
using TRoleControls = TSet<TRoleControl, 16>;

// The access words as they are typed.
inline const String AdminWord1 = QStringLiteral("57203816");
inline const String AdminWord2 = QStringLiteral("0583");
inline const String PlanningWord = QStringLiteral("plavor");
inline const String ForemenWord = QStringLiteral("brendik");
inline const String StorekeeperWord = QStringLiteral("tovik");

// The role of a typed word: blanks and control characters around it are ignored, the comparison
// is exact and case-sensitive; rlNone for any other word.
TRole RoleOfWord(const String& Word);
bool IsAdministratorWord(const String& Word);
// What the role switches off; an administrator switches off nothing.
TRoleControls SwitchedOffControls(TRole Role);
