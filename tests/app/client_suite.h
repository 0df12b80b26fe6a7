// A client started against a database of its own in the private cluster, without signing in: the
// command line names the suite's database, a scripted responder answers every modal interaction,
// and the windows are freed after each test. Includes no window header, so that tests of the
// windows on the data grid can use it too.
#pragma once

#include "app/datamodule.h"
#include "app/startup.h"
#include "platform/gui/dialogs.h"
#include "platform/gui/forms.h"
#include "platform/rtl/dateutils.h"
#include "platform/testing/scriptedresponder.h"
#include "support/pg_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace sdelka::test {

template <bool Demo = true>
class ClientSuite : public PgSuite<Demo> {
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
