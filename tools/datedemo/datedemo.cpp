// A form with a date edit over a date-time field, to look at and drive under a real X server:
// typing, stepping with the arrows and the wheel, and picking from the drop-down calendar.
// Everything the script needs is printed on standard output, one line each:
//   edit X Y W H                the date edit's rectangle on the screen
//   timeedit X Y W H            the time edit's rectangle (hours and minutes, no data source)
//   text TEXT                   the edit's text changed
//   field VALUE                 the field's value after the edit wrote it ("yyyy-mm-dd hh:nn:ss")
//   calendar X Y W H            the calendar opened there
//   view NAME                   the calendar shows that view (days, months, years, decades, time)
//   cell C R X Y                the screen point of the middle of cell (C, R) of the shown view
//   header X Y                  the screen point of the middle of the calendar's period text
//   closeup 0|1 TEXT            the calendar closed (1: the value was taken) and the edit's text
//   shot FILE                   a picture of the screen was saved
// Each time the calendar opens or changes its view, a picture of the screen is saved after half a
// second to DATEDEMO_SHOT with the view's name and a number added (datedemo-days-1.png ...).
#include "grid/editors/datetimepickervz.h"
#include "grid/editors/dbdateeditvz.h"
#include "grid/editors/timeviewsvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"
#include "platform/rtl/dateutils.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

#include <cstdio>

namespace {

void Out(const QString& Line) {
    std::printf("%s\n", Line.toUtf8().constData());
    std::fflush(stdout);
}

QString ViewName(TDateTimeCalendarPickerVz* P) {
    TCustomCalendarViewVz* v = P->CurrentCalendarView();
    if (v == P->DaysView()) return QStringLiteral("days");
    if (v == P->MonthsView()) return QStringLiteral("months");
    if (v == P->YearsView()) return QStringLiteral("years");
    if (v == P->DecadesView()) return QStringLiteral("decades");
    return QStringLiteral("time");
}

}  // namespace

int main(int argc, char** argv) {
    Application->Initialize(argc, argv);
    TForm* form = nullptr;
    Application->CreateForm(form);
    form->SetName(QStringLiteral("MainForm"));
    form->SetCaption(QStringLiteral("Dates"));
    form->SetBounds(40, 40, 360, 120);

    auto* table = New<TMemTableVz>(form);
    table->FieldDefs()->Add(u"Made"_S, ftDateTime);
    table->CreateDataSet();
    table->AppendRecord({VarFromDateTime(EncodeDateTime(2024, 1, 31, 17, 45, 12, 0))});
    table->First();
    auto* source = New<TDataSource>(form);
    source->SetDataSet(table);

    auto* edit = New<TDBDateTimeEditVz>(form);
    edit->SetName(QStringLiteral("DateEdit"));
    edit->SetParent(form);
    edit->SetBounds(20, 20, 160, 24);
    edit->SetDataSource(source);
    edit->SetDataField(u"Made"_S);
    auto* other = New<TEdit>(form);
    other->SetName(QStringLiteral("Other"));
    other->SetParent(form);
    other->SetBounds(20, 60, 160, 24);

    // A time edit of its own (no data source), hours and minutes.
    auto* timeEdit = New<TDBDateTimeEditVz>(form);
    timeEdit->SetName(QStringLiteral("TimeEdit"));
    timeEdit->SetParent(form);
    timeEdit->SetBounds(200, 20, 80, 24);
    timeEdit->SetEditFormat(u"HH:NN"_S);
    timeEdit->SetValue(VarFromDateTime(EncodeDateTime(2024, 1, 31, 23, 15, 0, 0)));

    TField* field = table->FieldByName(u"Made"_S);
    edit->OnChange = [=](TObject*) { Out(QStringLiteral("text ") + edit->EditText()); };
    timeEdit->OnChange = [=](TObject*) { Out(QStringLiteral("text ") + timeEdit->EditText()); };
    field->OnChange = [=](TField*) {
        Out(QStringLiteral("field ") + FormatDateTime(u"yyyy-mm-dd hh:nn:ss"_S, field->AsDateTime()));
    };

    static int shots = 0;
    auto wire = [](TDBDateTimeEditVz* edit) {
    auto report = [=] {
        auto* popup = dynamic_cast<TPopupDateTimeCalendarFormVz*>(edit->GetDropDownCalendar());
        if (!popup || !edit->CalendarVisible()) return;
        TDateTimeCalendarPickerVz* picker = popup->Calendar();
        const TPoint o = picker->ClientToScreen(TPoint(0, 0));
        Out(QStringLiteral("calendar %1 %2 %3 %4").arg(o.X).arg(o.Y).arg(picker->Width()).arg(picker->Height()));
        const QString name = ViewName(picker);
        Out(QStringLiteral("view ") + name);
        TCustomCalendarViewVz* v = picker->CurrentCalendarView();
        for (int r = 0; r < v->RowCount(); ++r)
            for (int c = 0; c < v->ColCount(); ++c) {
                const TRect cr = v->CellRect(c, r);
                const TPoint p = v->ClientToScreen(TPoint((cr.Left + cr.Right) / 2, (cr.Top + cr.Bottom) / 2));
                Out(QStringLiteral("cell %1 %2 %3 %4").arg(c).arg(r).arg(p.X).arg(p.Y));
            }
        TControl* header = picker->DateInfo();
        const TPoint h = picker->ClientToScreen(
            TPoint(header->Left() + header->Width() / 2, header->Top() + header->Height() / 2));
        Out(QStringLiteral("header %1 %2").arg(h.X).arg(h.Y));
        const QString base = QString::fromLocal8Bit(qgetenv("DATEDEMO_SHOT"));
        if (base.isEmpty()) return;
        const QString file = QStringLiteral("%1-%2-%3.png").arg(base).arg(name).arg(++shots);
        QTimer::singleShot(500, [file] {
            QGuiApplication::primaryScreen()->grabWindow(0).save(file);
            Out(QStringLiteral("shot ") + file);
        });
    };
    edit->OnDropDown = [=](TObject*) {
        // Reported once the calendar stands in its place; each later view change reports again.
        QTimer::singleShot(100, [=] {
            report();
            auto* popup = dynamic_cast<TPopupDateTimeCalendarFormVz*>(edit->GetDropDownCalendar());
            if (!popup) return;
            TDateTimeCalendarPickerVz* picker = popup->Calendar();
            auto* last = new TCustomCalendarViewVz*(picker->CurrentCalendarView());
            auto* poll = new QTimer();
            QObject::connect(poll, &QTimer::timeout, [=] {
                if (!edit->CalendarVisible()) {
                    poll->stop();
                    poll->deleteLater();
                    delete last;
                    return;
                }
                if (picker->CurrentCalendarView() != *last) {
                    *last = picker->CurrentCalendarView();
                    report();
                }
            });
            poll->start(100);
        });
    };
    edit->OnCloseUp = [=](TObject*, bool Accept) {
        Out(QStringLiteral("closeup %1 %2").arg(Accept ? 1 : 0).arg(edit->EditText()));
    };
    };
    wire(edit);
    wire(timeEdit);

    form->Show();
    edit->SetFocus();
    // The window manager may place the window after it shows: say where the edits are whenever
    // that changes (the script takes the last position).
    TPoint editAt(-1, -1);
    auto placed = [&] {
        const TPoint e = edit->ClientToScreen(TPoint(0, 0));
        if (e.X == editAt.X && e.Y == editAt.Y) return;
        editAt = e;
        Out(QStringLiteral("edit %1 %2 %3 %4").arg(e.X).arg(e.Y).arg(edit->Width()).arg(edit->Height()));
        const TPoint te = timeEdit->ClientToScreen(TPoint(0, 0));
        Out(QStringLiteral("timeedit %1 %2 %3 %4").arg(te.X).arg(te.Y).arg(timeEdit->Width()).arg(timeEdit->Height()));
    };
    placed();
    QTimer where;
    QObject::connect(&where, &QTimer::timeout, placed);
    where.start(50);
    Application->Run();
    return 0;
}
