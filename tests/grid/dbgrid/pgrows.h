// Server rows for the grid tests: a query over the private cluster, read into an in-memory table.
#pragma once

#include "grid/memtable/memtablevz.h"
#include "platform/ado/adodb.h"

#include <string>

struct TPgRowsVz {
    TOwned<TADOConnection> Conn;
    TOwned<TADOQuery> Q;
    // Opens Sql over the connection string and copies its rows into T; the row count.
    int LoadInto(TMemTableVz* T, const std::string& ConnectionString, const String& Sql) {
        Conn = NewOwned<TADOConnection>(nullptr);
        Conn->SetLoginPrompt(false);
        Conn->SetConnectionString(QString::fromStdString(ConnectionString));
        Q = NewOwned<TADOQuery>(nullptr);
        Q->SetConnection(Conn.get());
        Q->SQL()->SetText(Sql);
        Q->Open();
        return T->LoadFromDataSet(Q.get(), 0, lmCopy, false);
    }
    void Reset() {
        Q.reset();
        Conn.reset();
    }
};
