// The writes of the reference directories against a database of their own: two clients storing
// the same name at once store it once, and the one that comes second is told it is a duplicate.
#include "app/dirstore.h"
#include "platform/gui/dialogs.h"
#include "support/pg_fixture.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <thread>

namespace {

class DirStoreTest : public sdelka::test::PgSuite<true> {
protected:
    void SetUp() override {
        PgSuite::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        Db().Exec("delete from accounts_dep.oper where i_id = 600; delete from cmn_gds_and_srv.gds_and_srv where id = 600;"
                  "delete from accounts_dep.vid_oper where upper(vid) = 'ШЛИФОВКА';"
                  "delete from cmn_gds_and_srv.gds_and_srv where upper(s_caption) = 'ПОЛКА-9';"
                  "insert into cmn_gds_and_srv.gds_and_srv(id, s_caption, s_description, id_msm_bs, massa, id_class_item) "
                  "values (600, 'Стеллаж-6', '', 6, 1, 12)");
        First = Connect();
        Second = Connect();
        Scope = std::make_unique<TResponderScope>(&Responder);
    }
    void TearDown() override {
        Scope.reset();
        First.reset();
        Second.reset();
    }
    TOwned<TADOConnection> Connect() {
        TOwned<TADOConnection> c = NewOwned<TADOConnection>(nullptr);
        c->SetConnectionString(QString::fromStdString(Db().OdbcConnectionString()));
        c->Open();
        return c;
    }
    bool WaitingOnALock() {
        for (int i = 0; i < 200; ++i) {
            if (Db().Value("select count(*) from pg_locks where locktype='advisory' and not granted") != "0") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(25));
        }
        return false;
    }

    TOwned<TADOConnection> First, Second;
    TScriptedResponder Responder;
    std::unique_ptr<TResponderScope> Scope;
};

TEST_F(DirStoreTest, TwoClientsStoringTheSameNameStoreItOnce) {
    using TSave = std::function<bool(TADOConnection*)>;
    struct Case {
        const char* What;
        TSave FirstSave, SecondSave;
        const char* Stored;  // counts the rows of the name
    } cases[] = {
        {"operation kind", [](TADOConnection* C) { return SaveOperationKind(C, 0, QStringLiteral("Шлифовка")); },
         [](TADOConnection* C) { return SaveOperationKind(C, 0, QStringLiteral("шлифовка")); },
         "select count(*) from accounts_dep.vid_oper where upper(vid) = 'ШЛИФОВКА'"},
        {"product", [](TADOConnection* C) { return SaveProduct(C, 0, QStringLiteral("Полка-9"), 1.5, 12); },
         [](TADOConnection* C) { return SaveProduct(C, 0, QStringLiteral("ПОЛКА-9"), 2, 12); },
         "select count(*) from cmn_gds_and_srv.gds_and_srv where upper(s_caption) = 'ПОЛКА-9'"},
        {"operation", [](TADOConnection* C) { return SaveOperation(C, 0, 1, 0, 600); },
         [](TADOConnection* C) { return SaveOperation(C, 0, 1, 0, 600); },
         "select count(*) from accounts_dep.oper where i_id = 600"},
    };
    for (const auto& c : cases) {
        // the first client has stored the name in a transaction it has not committed yet
        First->BeginTrans();
        ASSERT_TRUE(c.FirstSave(First.get())) << c.What;
        bool saved = true;
        std::thread second([&] { saved = c.SecondSave(Second.get()); });
        EXPECT_TRUE(WaitingOnALock()) << c.What;
        First->CommitTrans();
        second.join();
        EXPECT_FALSE(saved) << c.What;
        EXPECT_EQ(Db().Value(c.Stored), "1") << c.What;
        // the duplicate is answered, not shown: the window tells the user after the transaction
        EXPECT_EQ(Responder.MessageCount(), 0) << c.What;
        EXPECT_FALSE(Second->InTransaction()) << c.What;
    }
}

}  // namespace
