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
#include "client_suite.h"
#include "support/pg_fixture.h"
#include "support/input.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <ostream>

// Texts in test messages.
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }

namespace sdelka::test {

template <bool Demo = true>
class AppSuite : public ClientSuite<Demo> {
protected:
    using ClientSuite<Demo>::Responder;
    using ClientSuite<Demo>::Messages;

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
};

}  // namespace sdelka::test
