#include "grid/axis/axisgridroutinesvz.h"

#include "platform/rtl/sysutils.h"

TEditMemoRoutineVz& EditMemoRoutine() {
    static TEditMemoRoutineVz routine;
    return routine;
}

TEditPictureRoutineVz& EditPictureRoutine() {
    static TEditPictureRoutineVz routine;
    return routine;
}

double CalculatorStartValueVz(const String& Text) {
    Double value = 0;
    if (Text.trimmed().isEmpty() || !TryStrToFloat(Text.trimmed(), value)) return 0;
    return value;
}
