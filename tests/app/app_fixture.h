// A client started against a database of its own: the windows of the start-up, the command line
// naming the test database on the private cluster, and a scripted responder for every modal
// interaction.
#pragma once

#include "app/cards.h"
#include "app/datamodule.h"
#include "app/directories.h"
#include "app/form1.h"
#include "app/form23.h"
#include "app/startup.h"
#include "app/timesheets.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/dateutils.h"
#include "support/pg_fixture.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <ostream>

// Texts in test messages.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

namespace sdelka::test {

template <bool Demo = true>
class AppSuite : public PgSuite<Demo> {
protected:
    using Base = PgSuite<Demo>;

    void SetUp() override {
        Base::SetUp();
        if (this->IsSkipped() || this->HasFatalFailure()) return;
        Application->CancelTerminate();
        FScope = std::make_unique<TResponderScope>(&Responder);
        SetCommandLineArguments({QStringLiteral("sdelka"), QString::fromStdString(Base::Db().Name()),
                                 QString::fromStdString(PgDatabase::Host())});
    }

    void TearDown() override {
        FreeApplicationForms();
        FScope.reset();
        SetClock(nullptr);
        SetCommandLineArguments({});
        Application->CancelTerminate();
        Screen->SetCursor(crDefault);
    }

    // Starts the client as the entry point does.
    void Start() { CreateApplicationForms(); }

    // Starts the client and signs in with a word; the main work window is shown while Action runs.
    void SignIn(const String& Word, std::function<void()> Action = {}) {
        bool ran = false;
        Responder.AnswerModal([Action, &ran](TCustomForm*) {
            if (Action) Action();
            ran = true;
        });
        Form23->Edit1->SetText(Word);
        Click(Form23->Button1);
        // an exception out of the action ends up in the application's message box
        if (Action && !ran) {
            std::string shown;
            for (const String& m : Messages()) shown += "\n  " + m.toStdString();
            ADD_FAILURE() << "the main window's action did not finish; messages:" << shown;
        }
    }

    // The messages asked so far, as "caption|text".
    std::vector<String> Messages() const {
        std::vector<String> r;
        for (const auto& c : Responder.Calls())
            if (c.Kind == TScriptedResponder::ckMessage) r.push_back(c.Caption + u'|' + c.Text);
        return r;
    }

    TScriptedResponder Responder;

private:
    std::unique_ptr<TResponderScope> FScope;
};

}  // namespace sdelka::test
