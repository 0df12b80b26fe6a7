#include "app/startup.h"

#include "app/cards.h"
#include "app/datamodule.h"
#include "app/directories.h"
#include "app/form1.h"
#include "app/form23.h"
#include "app/longwork.h"
#include "app/timesheets.h"
#include "platform/ado/adodb.h"
#include "platform/ado/pgclient.h"
#include "platform/db/db.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "report/export/rpexportfilters.h"
#include "report/rpprev.h"

namespace {

// What the user sees of an error that ended an action.
void ShowActionError(TObject*, const Exception& E) {
    String text = E.Message();
    // a lost connection, a time-out and a cancel say in their own first line what became of the action
    const auto* pg = dynamic_cast<const EPgError*>(&E);
    const bool saysItself = pg && (pg->ConnectionLost() || pg->SqlState() == u"57014");
    if (dynamic_cast<const EDatabaseError*>(&E) && !saysItself) text = DatabaseErrorLead + u'\n' + text;
    Application->MessageBox(text, QStringLiteral("Ошибка"), MB_OK | MB_ICONERROR);
}

}  // namespace

void CreateApplicationForms() {
    Application->OnException = TExceptionEvent(&ShowActionError);
    // the preview's save command offers every export filter
    RpRegisterExportFilters();
    // Отмена of long database work cancels its statement on the server
    SetStatementCanceller([](TADOConnection* Connection) {
        PgCancelRunningStatement();
        if (Connection) Connection->Client().Cancel();
    });
    // reports preview in the standard preview window
    RpInstallStandardPreview();
    Application->CreateForm(Form1);
    Application->CreateForm(Form2);
    Application->CreateForm(Form3);
    Application->CreateForm(Form4);
    Application->CreateForm(Form5);
    Application->CreateForm(Form7);
    Application->CreateForm(Form8);
    Application->CreateForm(Form9);
    Application->CreateForm(Form10);
    Application->CreateForm(Form11);
    Application->CreateForm(Form12);
    Application->CreateForm(Form13);
    Application->CreateForm(Form18);
    Application->CreateForm(Form19);
    Application->CreateForm(Form21);
    Application->CreateForm(Form15);
    Application->CreateForm(Form16);
    Application->CreateForm(Form17);
    Application->CreateForm(Form20);
    Application->CreateForm(Form22);
    Application->CreateForm(Form14);
    Application->CreateForm(Form24);
    Application->CreateForm(Form25);
    Application->CreateForm(Form26);
    Application->CreateForm(Form27);
    Application->CreateForm(Form28);
    Application->CreateForm(Form29);
    Application->CreateForm(Form31);
    Application->CreateForm(Form30);
    Application->CreateForm(Form132);
}

namespace {

template <class T>
void FreeForm(T*& Reference) {
    FreeAndNil(Reference);
}

}  // namespace

void FreeApplicationForms() {
    // The reverse of the creation order; the data module goes after the windows that use its
    // connection.
    FreeForm(Form132);
    FreeForm(Form30);
    FreeForm(Form31);
    FreeForm(Form29);
    FreeForm(Form28);
    FreeForm(Form27);
    FreeForm(Form26);
    FreeForm(Form25);
    FreeForm(Form24);
    FreeForm(Form14);
    FreeForm(Form22);
    FreeForm(Form20);
    FreeForm(Form17);
    FreeForm(Form16);
    FreeForm(Form15);
    FreeForm(Form21);
    FreeForm(Form19);
    FreeForm(Form18);
    FreeForm(Form13);
    FreeForm(Form12);
    FreeForm(Form11);
    FreeForm(Form10);
    FreeForm(Form9);
    FreeForm(Form8);
    FreeForm(Form7);
    FreeForm(Form5);
    FreeForm(Form4);
    FreeForm(Form3);
    FreeForm(Form2);
    FreeForm(Form23);
    FreeForm(Form1);
    FreeForm(DataModule6);
    Application->OnException = nullptr;
}
