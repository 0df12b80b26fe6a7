#include "grid/axis/axisgridroutinesvz.h"

TEditMemoRoutineVz& EditMemoRoutine() {
    static TEditMemoRoutineVz routine;
    return routine;
}

TEditPictureRoutineVz& EditPictureRoutine() {
    static TEditPictureRoutineVz routine;
    return routine;
}
