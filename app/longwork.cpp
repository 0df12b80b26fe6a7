#include "app/longwork.h"

#include "platform/ado/adodb.h"
#include "platform/db/datasource.h"
#include "platform/db/db.h"
#include "platform/gui/forms.h"
#include "platform/gui/stdctrls.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <thread>
#include <vector>

namespace {

TStatementCanceller& Canceller() {
    static TStatementCanceller c;
    return c;
}

std::atomic<int> GRunning{0};

// The small window of a long work: its caption and "Отмена" (also on Escape).
class TLongWorkForm : public TForm {
    SDELKA_CLASS(TLongWorkForm, TForm)
protected:
    explicit TLongWorkForm(TComponent* AOwner) : TForm(AOwner) {}
    ~TLongWorkForm() override = default;

public:
    void Build(const String& Text) {
        SetName(QStringLiteral("LongWorkForm"));
        SetCaption(QStringLiteral("Подождите"));
        SetBorderStyle(bsDialog);
        SetFormStyle(fsStayOnTop);
        SetPosition(poScreenCenter);
        SetClientWidth(300);
        SetClientHeight(80);
        Info = NewControl<TLabel>(this, this, "Info", 8, 12, 284, 16);
        Info->SetAutoSize(false);
        Info->SetAlignment(taCenter);
        Info->SetCaption(Text);
        CancelButton = NewControl<TButton>(this, this, "CancelButton", 112, 44, 75, 25);
        CancelButton->SetCaption(QStringLiteral("Отмена"));
        CancelButton->SetCancel(true);
        CancelButton->OnClick = [this](TObject*) { Cancelled = true; };
    }
    // Takes input from every other window until Release; a window freed meanwhile is forgotten.
    void DisableOthers() {
        for (int i = 0; i < Screen->FormCount(); ++i) {
            TCustomForm* f = Screen->Forms(i);
            if (f != this && f->Enabled()) {
                f->SetEnabled(false);
                f->FreeNotification(this);
                FDisabled.push_back(f);
            }
        }
    }
    void Release() {
        for (TCustomForm* f : FDisabled) {
            f->RemoveFreeNotification(this);
            f->SetEnabled(true);
        }
        FDisabled.clear();
    }
    TLabel* Info = nullptr;
    TButton* CancelButton = nullptr;
    bool Cancelled = false;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        inherited::Notification(AComponent, Operation);
        if (Operation == opRemove)
            FDisabled.erase(std::remove(FDisabled.begin(), FDisabled.end(), AComponent), FDisabled.end());
    }

private:
    std::vector<TCustomForm*> FDisabled;
};

}  // namespace

TStatementCanceller SetStatementCanceller(TStatementCanceller Value) {
    TStatementCanceller old = std::move(Canceller());
    Canceller() = std::move(Value);
    return old;
}

bool LongWorkRunning() { return GRunning.load() > 0; }

bool RunLongWork(TADOConnection* Connection, const String& Caption, const std::function<void()>& Work) {
    std::atomic<bool> done{false};
    std::exception_ptr error;
    TOwned<TLongWorkForm> form = NewOwned<TLongWorkForm>(nullptr);
    form->Build(Caption);
    // every other window takes no input while the work has the connection
    struct TRestore {
        TLongWorkForm* Form;
        ~TRestore() {
            --GRunning;
            Form->Release();
        }
    } restore{form.get()};
    form->DisableOthers();
    ++GRunning;
    form->Show();
    std::thread worker([&] {
        try {
            Work();
        } catch (...) {
            error = std::current_exception();
        }
        done = true;
    });
    bool asked = false;
    while (!done) {
        Application->ProcessMessages();
        if (form->Cancelled && !asked) {
            asked = true;
            form->Info->SetCaption(QStringLiteral("Отмена…"));
            form->CancelButton->SetEnabled(false);
            if (Canceller()) Canceller()(Connection);
        }
        if (!done) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    worker.join();
    form->Hide();
    if (form->Cancelled) return false;  // whatever the work ended with, the user wanted none of it
    if (error) std::rethrow_exception(error);
    return true;
}

bool RunLongOpen(TDataSet* Data, TADOConnection* Connection, const String& Caption) {
    // The dataset opens with no data source on it (its grids and editors must not hear of it on
    // the other thread); they take it again here, as after any open.
    std::vector<TDataSource*> sources;
    for (int i = 0; i < Data->DataSourceCount(); ++i) sources.push_back(Data->DataSources(i));
    for (TDataSource* s : sources) s->SetDataSet(nullptr);
    struct TAttach {
        TDataSet* Data;
        std::vector<TDataSource*>& Sources;
        ~TAttach() {
            for (TDataSource* s : Sources) s->SetDataSet(Data);
        }
    } attach{Data, sources};
    const bool ran = RunLongWork(Connection, Caption, [Data] { Data->Open(); });
    if (!ran && Data->Active()) Data->Close();
    return Data->Active();
}
