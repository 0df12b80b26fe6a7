// The dataset protocol as callers and data links see it, run on the layer's test dataset.
#include "platform/db/db.h"
#include "platform/db/dbfilter.h"
#include "platform/testing/memdata.h"
#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"
#include "support/testutil.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using sdelka::test::S;

// A data link that writes every notification it receives into a shared log.
class TRecordingLink : public TDataLink {
public:
    explicit TRecordingLink(std::vector<std::string>* Log) : FLog(Log) {}
    void DataEvent(TDataEvent Event, NativeInt Info) override {
        if (Event == deDisabledStateChange) Add("DisabledStateChange(" + std::to_string(Info) + ")");
        TDataLink::DataEvent(Event, Info);
    }

protected:
    void ActiveChanged() override { Add(std::string("ActiveChanged(") + (Active() ? "1" : "0") + ")"); }
    void EditingChanged() override { Add(std::string("EditingChanged(") + (Editing() ? "1" : "0") + ")"); }
    void DataSetChanged() override { Add("DataSetChanged"); }
    void DataSetScrolled(int Distance) override { Add("DataSetScrolled(" + std::to_string(Distance) + ")"); }
    void LayoutChanged() override { Add("LayoutChanged"); }
    void RecordChanged(TField* Field) override { Add("RecordChanged(" + (Field ? S(Field->FieldName()) : std::string("nil")) + ")"); }
    void UpdateData() override { Add("UpdateData"); }
    void CheckBrowseMode() override { Add("CheckBrowseMode"); }

private:
    void Add(const std::string& s) { FLog->push_back(s); }
    std::vector<std::string>* FLog;
};

class DataSetTest : public ::testing::Test {
protected:
    void SetUp() override {
        FormatSettings = TFormatSettings();
        ds = New<TTestTableDataSet>(nullptr);
        ds->SetName(QStringLiteral("Table"));
        ds->FieldDefs()->Add(QStringLiteral("ID"), ftInteger, 0, true);
        ds->FieldDefs()->Add(QStringLiteral("NAME"), ftString, 20);
        ds->FieldDefs()->Add(QStringLiteral("PRICE"), ftFloat);
        ds->FieldDefs()->Add(QStringLiteral("DT"), ftDate);
        ds->CreateDataSet();
        const char16_t* names[] = {u"Иванов", u"Петров", u"Сидоров", u"иванова", u"Кузнецов",
                                   u"Попов", u"Смирнов", u"Волков", u"Лебедев", u"Новиков"};
        for (int i = 0; i < 10; ++i)
            ds->AppendRecord({i + 1, String::fromUtf16(names[i]), (i + 1) * 1.5,
                              VarFromDateTime(EncodeDate(2024, 1, i + 1))});
        ds->First();
        src = New<TDataSource>(nullptr);
        src->SetDataSet(ds);
    }
    void TearDown() override {
        link.reset();
        src->Free();
        ds->Free();
    }
    // Links the recording link with a window of Buffers records and logs the dataset's steps too.
    void Attach(int Buffers = 1) {
        link = NewOwned<TRecordingLink>(&log);
        link->SetBufferCount(Buffers);
        link->SetDataSource(src);
        auto ev = [this](const char* n) { return TDataSetNotifyEvent([this, n](TDataSet*) { log.push_back(n); }); };
        ds->BeforeOpen = ev("BeforeOpen"); ds->AfterOpen = ev("AfterOpen");
        ds->BeforeClose = ev("BeforeClose"); ds->AfterClose = ev("AfterClose");
        ds->BeforeScroll = ev("BeforeScroll"); ds->AfterScroll = ev("AfterScroll");
        ds->BeforeEdit = ev("BeforeEdit"); ds->AfterEdit = ev("AfterEdit");
        ds->BeforeInsert = ev("BeforeInsert"); ds->AfterInsert = ev("AfterInsert");
        ds->BeforePost = ev("BeforePost"); ds->AfterPost = ev("AfterPost");
        ds->BeforeCancel = ev("BeforeCancel"); ds->AfterCancel = ev("AfterCancel");
        ds->BeforeDelete = ev("BeforeDelete"); ds->AfterDelete = ev("AfterDelete");
        log.clear();
    }
    int Id() { return ds->FieldByName(QStringLiteral("ID"))->AsInteger(); }
    std::vector<int> Ids() {
        std::vector<int> r;
        ds->DisableControls();
        ds->First();
        while (!ds->Eof()) {
            r.push_back(Id());
            ds->Next();
        }
        ds->EnableControls();
        return r;
    }

    TTestTableDataSet* ds = nullptr;
    TDataSource* src = nullptr;
    TOwned<TRecordingLink> link;
    std::vector<std::string> log;
};

using Log = std::vector<std::string>;

TEST_F(DataSetTest, EventOrderOfOpenAndClose) {
    ds->Close();
    Attach();
    ds->Open();
    EXPECT_EQ(log, (Log{"BeforeOpen", "ActiveChanged(1)", "AfterOpen", "AfterScroll"}));
    log.clear();
    ds->Close();
    EXPECT_EQ(log, (Log{"BeforeClose", "ActiveChanged(0)", "AfterClose"}));
}

TEST_F(DataSetTest, EventOrderOfScrollAndTheLinkWindow) {
    Attach(3);
    EXPECT_EQ(ds->BufferCount(), 3);
    EXPECT_EQ(link->RecordCount(), 3);
    ds->Next();
    ds->Next();
    // Every move first asks the links to leave edit mode (deCheckBrowseMode).
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeScroll", "DataSetScrolled(0)", "AfterScroll",
                        "CheckBrowseMode", "BeforeScroll", "DataSetScrolled(0)", "AfterScroll"}));
    EXPECT_EQ(link->ActiveRecord(), 2);
    log.clear();
    // Past the window: the ring rotates and the link's window follows by one.
    ds->Next();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeScroll", "DataSetScrolled(1)", "AfterScroll"}));
    EXPECT_EQ(link->ActiveRecord(), 2);
    EXPECT_EQ(Id(), 4);
    // The rows a grid paints: the link's window read by moving ActiveRecord.
    std::vector<int> rows;
    int saved = link->ActiveRecord();
    for (int i = 0; i < link->RecordCount(); ++i) {
        link->SetActiveRecord(i);
        rows.push_back(Id());
    }
    link->SetActiveRecord(saved);
    EXPECT_EQ(rows, (std::vector<int>{2, 3, 4}));
    // MoveBy answers the distance moved and stops at the ends.
    EXPECT_EQ(ds->MoveBy(100), 6);
    EXPECT_TRUE(ds->Eof());
    EXPECT_EQ(ds->MoveBy(-3), -3);
    EXPECT_EQ(Id(), 7);
    EXPECT_EQ(ds->MoveBy(-100), -6);
    EXPECT_TRUE(ds->Bof());
    ds->Last();
    EXPECT_EQ(Id(), 10);
    EXPECT_EQ(link->ActiveRecord(), 2);
    EXPECT_EQ(ds->RecNo(), 10);
    ds->SetRecNo(5);
    EXPECT_EQ(Id(), 5);
    EXPECT_EQ(ds->RecordCount(), 10);
}

TEST_F(DataSetTest, EventOrderOfEditPostCancelInsertDelete) {
    ds->Next();  // ID 2
    Attach();
    ds->Edit();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeEdit", "EditingChanged(1)", "RecordChanged(nil)", "AfterEdit"}));
    log.clear();
    ds->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Орлов"));
    EXPECT_EQ(log, (Log{"RecordChanged(NAME)"}));
    EXPECT_TRUE(ds->Modified());
    log.clear();
    ds->Post();
    EXPECT_EQ(log, (Log{"UpdateData", "CheckBrowseMode", "BeforePost", "EditingChanged(0)", "DataSetChanged", "AfterPost"}));
    EXPECT_EQ(S(ds->FieldByName(QStringLiteral("NAME"))->AsString()), "Орлов");

    log.clear();
    ds->Edit();
    ds->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Зайцев"));
    log.clear();
    ds->Cancel();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeCancel", "EditingChanged(0)", "DataSetChanged", "AfterCancel"}));
    EXPECT_EQ(S(ds->FieldByName(QStringLiteral("NAME"))->AsString()), "Орлов");

    log.clear();
    ds->Insert();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeInsert", "BeforeScroll", "EditingChanged(1)", "DataSetChanged", "AfterInsert", "AfterScroll"}));
    ds->FieldByName(QStringLiteral("ID"))->SetAsInteger(11);
    ds->Post();
    EXPECT_EQ(Id(), 11);
    EXPECT_EQ(ds->RecNo(), 2);  // inserted before the record it was on
    log.clear();
    ds->Delete();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeDelete", "BeforeScroll", "DataSetChanged", "AfterDelete", "AfterScroll"}));
    EXPECT_EQ(Id(), 2);
    EXPECT_EQ(ds->RecordCount(), 10);
}

TEST_F(DataSetTest, CancelOfAnInsertScrollsBack) {
    ds->Last();
    Attach();
    ds->Append();
    ds->FieldByName(QStringLiteral("ID"))->SetAsInteger(99);
    log.clear();
    ds->Cancel();
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "BeforeCancel", "BeforeScroll", "EditingChanged(0)", "DataSetChanged", "AfterCancel", "AfterScroll"}));
    EXPECT_EQ(Id(), 10);
    EXPECT_EQ(ds->RecordCount(), 10);
}

TEST_F(DataSetTest, FilterChangeNotifiesOnceAndGoesFirst) {
    ds->SetRecNo(5);
    Attach();
    ds->SetFilter(QStringLiteral("ID > 3"));
    EXPECT_TRUE(log.empty());  // not filtered yet: only stored
    ds->SetFiltered(true);
    // Browse mode is checked by the setter and again by First.
    EXPECT_EQ(log, (Log{"CheckBrowseMode", "CheckBrowseMode", "BeforeScroll", "DataSetChanged", "AfterScroll"}));
    EXPECT_EQ(Id(), 4);
    EXPECT_EQ(ds->RecordCount(), 7);
}

TEST_F(DataSetTest, DisabledControlsDeferToOneNotification) {
    Attach();
    ds->DisableControls();
    ds->DisableControls();
    ds->Next();
    ds->Next();
    ds->EnableControls();  // still disabled once
    EXPECT_EQ(log, (Log{"BeforeScroll", "AfterScroll", "BeforeScroll", "AfterScroll"}));
    log.clear();
    ds->EnableControls();
    EXPECT_EQ(log, (Log{"DataSetChanged"}));
    EXPECT_FALSE(ds->ControlsDisabled());
    EXPECT_EQ(Id(), 3);

    // A state change while disabled reaches the links as a disabled-state change, and the
    // last enable then sends a layout change instead of a data change.
    log.clear();
    ds->DisableControls();
    ds->Edit();
    ds->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("x"));
    ds->Post();
    ds->EnableControls();
    EXPECT_EQ(log, (Log{"BeforeEdit", "DisabledStateChange(1)", "AfterEdit", "BeforePost", "DisabledStateChange(1)",
                        "AfterPost", "LayoutChanged"}));

    // A layout change while disabled arrives as a layout change.
    log.clear();
    ds->DisableControls();
    ds->FieldByName(QStringLiteral("PRICE"))->SetVisible(false);
    ds->EnableControls();
    EXPECT_EQ(log, (Log{"LayoutChanged"}));

    // A state change while disabled: the links hear the disabled-state change, and the last
    // enable sends a layout change.
    log.clear();
    ds->DisableControls();
    ds->Close();
    ds->Open();
    ds->EnableControls();
    EXPECT_EQ(log, (Log{"BeforeClose", "DisabledStateChange(0)", "AfterClose", "BeforeOpen", "DisabledStateChange(1)",
                        "AfterOpen", "AfterScroll", "LayoutChanged"}));
}

TEST_F(DataSetTest, DataSourceSwitchedAtRunTime) {
    Attach();
    TTestTableDataSet* other = New<TTestTableDataSet>(nullptr);
    other->FieldDefs()->Add(QStringLiteral("X"), ftInteger);
    other->CreateDataSet();
    other->AppendRecord({42});
    int dataChanges = 0, stateChanges = 0;
    src->OnDataChange = [&](TObject*, TField*) { ++dataChanges; };
    src->OnStateChange = [&](TObject*) { ++stateChanges; };
    src->SetDataSet(other);
    EXPECT_EQ(log, (Log{"ActiveChanged(0)", "ActiveChanged(1)"}));
    EXPECT_EQ(link->DataSet(), other);
    EXPECT_EQ(stateChanges, 2);
    EXPECT_EQ(dataChanges, 1);  // the change from inactive
    src->SetDataSet(nullptr);
    other->Free();
    EXPECT_FALSE(link->Active());
}

TEST_F(DataSetTest, BookmarksSurviveFiltering) {
    ds->SetRecNo(5);
    TBookmark five = ds->GetBookmark();
    ds->SetRecNo(2);
    TBookmark two = ds->GetBookmark();
    EXPECT_EQ(five.size(), static_cast<size_t>(ds->BookmarkSize()));
    EXPECT_LT(ds->CompareBookmarks(two, five), 0);
    ds->SetFilter(QStringLiteral("ID <> 2 and ID <> 3"));
    ds->SetFiltered(true);
    EXPECT_TRUE(ds->BookmarkValid(five));
    EXPECT_FALSE(ds->BookmarkValid(two));
    ds->GotoBookmark(five);
    EXPECT_EQ(Id(), 5);
    EXPECT_EQ(ds->RecNo(), 3);
    EXPECT_THROW(ds->GotoBookmark(two), EDatabaseError);
    ds->SetFiltered(false);
    ds->GotoBookmark(two);
    EXPECT_EQ(Id(), 2);
    EXPECT_FALSE(ds->BookmarkValid(TBookmark()));
}

TEST_F(DataSetTest, LocateAndLookup) {
    struct Case { const char* fields; Variant key; TLocateOptions opt; bool found; int id; };
    const Case cases[] = {
        {"NAME", Variant(u"Петров"), {}, true, 2},
        {"NAME", Variant(u"петров"), {}, false, 0},
        {"NAME", Variant(u"петров"), {loCaseInsensitive}, true, 2},
        {"NAME", Variant(u"Сид"), {loPartialKey}, true, 3},
        {"NAME", Variant(u"иван"), {loPartialKey}, true, 4},
        {"NAME", Variant(u"иван"), {loPartialKey, loCaseInsensitive}, true, 1},
        {"ID", Variant(7), {}, true, 7},
        {"ID", Variant(1), {loPartialKey}, true, 1},
        {"ID;NAME", VarArrayOf({Variant(6), Variant(u"Попов")}), {}, true, 6},
        {"ID;NAME", VarArrayOf({Variant(6), Variant(u"Петров")}), {}, false, 0},
    };
    for (const Case& c : cases) {
        ds->SetRecNo(9);
        bool found = ds->Locate(QString::fromLatin1(c.fields), c.key, c.opt);
        EXPECT_EQ(found, c.found) << c.fields << " " << S(VarToStr(c.key.VType() & varArray ? c.key.GetElement(1) : c.key));
        EXPECT_EQ(Id(), c.found ? c.id : 9);
    }
    ds->SetRecNo(3);
    EXPECT_EQ(S(VarToStr(ds->Lookup(QStringLiteral("ID"), 5, QStringLiteral("NAME")))), "Кузнецов");
    EXPECT_TRUE(VarIsEmpty(ds->Lookup(QStringLiteral("ID"), 55, QStringLiteral("NAME"))));
    EXPECT_EQ(Id(), 3);
    EXPECT_THROW(ds->Locate(QStringLiteral("NOPE"), 1, {}), EDatabaseError);
}

TEST_F(DataSetTest, FilterExpressions) {
    struct Case { const char* text; std::vector<int> ids; TFilterOptions opt; };
    const Case cases[] = {
        {"ID = 3", {3}, {}},
        {"ID >= 8", {8, 9, 10}, {}},
        {"ID < 3 or ID > 9", {1, 2, 10}, {}},
        {"ID > 2 and not (ID > 4)", {3, 4}, {}},
        {"PRICE * 2 = 9", {3}, {}},
        {"ID + 1 - 2 = 4 / 2", {3}, {}},
        {"-ID = -10", {10}, {}},
        {"[NAME] = 'Попов'", {6}, {}},
        {"NAME like 'С%'", {3, 7}, {}},
        {"NAME like '_о%'", {6, 8, 10}, {}},
        {"NAME not like '%ов'", {4, 9}, {}},
        {"NAME like 'и%'", {1, 4}, {foCaseInsensitive}},
        {"NAME = 'Иван*'", {1}, {}},
        {"NAME = 'Иван*'", {}, {foNoPartialCompare}},
        {"ID in (2, 4, 11)", {2, 4}, {}},
        {"ID not in (1,2,3,4,5,6,7,8)", {9, 10}, {}},
        {"DT > '05.01.2024' and DT <= '07.01.2024'", {6, 7}, {}},
        {"DAY(DT) = 2", {2}, {}},
        {"UPPER(NAME) = 'ИВАНОВА'", {4}, {}},
        {"SUBSTRING(NAME, 2, 3) = 'ови'", {10}, {}},
    };
    for (const Case& c : cases) {
        ds->SetFiltered(false);
        ds->SetFilterOptions(c.opt);
        ds->SetFilter(QString::fromUtf8(c.text));
        ds->SetFiltered(true);
        EXPECT_EQ(Ids(), c.ids) << c.text;
    }
    ds->SetFiltered(false);
    ds->SetFilterOptions({});
    ds->First();
    ds->Edit();
    ds->FieldByName(QStringLiteral("PRICE"))->Clear();
    ds->Post();
    ds->SetFilter(QStringLiteral("PRICE is null"));
    ds->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{1}));
    ds->SetFilter(QStringLiteral("PRICE = null"));
    EXPECT_EQ(Ids(), (std::vector<int>{1}));
    ds->SetFilter(QStringLiteral("PRICE is not null and PRICE < 4"));
    EXPECT_EQ(Ids(), (std::vector<int>{2}));
    // A malformed text raises and leaves the filter as it was.
    EXPECT_THROW(ds->SetFilter(QStringLiteral("ID = = 3")), EDatabaseError);
    EXPECT_THROW(ds->SetFilter(QStringLiteral("ID in (1")), EDatabaseError);
    EXPECT_EQ(Ids(), (std::vector<int>{2}));
}

TEST_F(DataSetTest, OnFilterRecordCombinesWithTheText) {
    ds->SetFilter(QStringLiteral("ID <= 6"));
    ds->SetOnFilterRecord([](TDataSet* d, bool& Accept) {
        Accept = Accept && d->FieldByName(QStringLiteral("ID"))->AsInteger() % 2 == 0;
    });
    ds->SetFiltered(true);
    EXPECT_EQ(Ids(), (std::vector<int>{2, 4, 6}));
    // Edits are filtered when posted: a record that leaves the filter disappears.
    ds->First();
    ds->Edit();
    ds->FieldByName(QStringLiteral("ID"))->SetAsInteger(3);
    ds->Post();
    EXPECT_EQ(Ids(), (std::vector<int>{4, 6}));
    EXPECT_EQ(ds->TableRecordCount(), 10);
}

TEST_F(DataSetTest, CalculatedFieldsAndFieldChangeEvents) {
    ds->Close();
    // Persistent fields: the data fields plus one calculated field.
    for (auto* def : {ds->FieldDefs()->Items(0), ds->FieldDefs()->Items(2)}) def->CreateField(ds);
    TFloatField* total = New<TFloatField>(ds);
    total->SetFieldName(QStringLiteral("TOTAL"));
    total->SetFieldKind(fkCalculated);
    total->SetDataSet(ds);
    ds->OnCalcFields = [](TDataSet* d) {
        d->FieldByName(QStringLiteral("TOTAL"))->SetAsFloat(d->FieldByName(QStringLiteral("PRICE"))->AsFloat() * 10);
    };
    ds->Open();
    EXPECT_FALSE(ds->DefaultFields());
    EXPECT_EQ(ds->FieldCount(), 3);
    EXPECT_EQ(ds->FindField(QStringLiteral("NAME")), nullptr);
    ds->SetRecNo(2);
    EXPECT_DOUBLE_EQ(total->AsFloat(), 30);
    int changes = 0;
    ds->FieldByName(QStringLiteral("PRICE"))->OnChange = [&](TField*) { ++changes; };
    ds->Edit();
    ds->FieldByName(QStringLiteral("PRICE"))->SetAsFloat(7);
    EXPECT_DOUBLE_EQ(total->AsFloat(), 70);  // AutoCalcFields recomputes on change
    EXPECT_EQ(changes, 1);
    ds->Post();
    EXPECT_DOUBLE_EQ(total->AsFloat(), 70);
    ds->SetFilter(QStringLiteral("TOTAL > 90"));
    ds->SetFiltered(true);
    EXPECT_EQ(ds->RecordCount(), 4);  // the filter reads calculated fields too
}

TEST_F(DataSetTest, ErrorsOfTheProtocol) {
    auto msg = [](const std::function<void()>& f) {
        try {
            f();
        } catch (const Exception& e) {
            return S(e.Message());
        }
        return std::string("no error");
    };
    EXPECT_EQ(msg([&] { ds->FieldByName(QStringLiteral("Nope")); }), "Table: Field 'Nope' not found");
    EXPECT_EQ(ds->FieldByName(QStringLiteral("name")), ds->FindField(QStringLiteral("NAME")));
    EXPECT_EQ(msg([&] { ds->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("x")); }),
              "Table: Dataset not in edit or insert mode");
    ds->SetReadOnly(true);
    EXPECT_EQ(msg([&] { ds->Edit(); }), "Table: Cannot modify a read-only dataset");
    EXPECT_EQ(msg([&] { ds->Delete(); }), "Table: Cannot modify a read-only dataset");
    ds->SetReadOnly(false);
    ds->Append();
    EXPECT_EQ(msg([&] { ds->Post(); }), "Field 'ID' must have a value");
    EXPECT_EQ(ds->State(), dsInsert);
    EXPECT_EQ(msg([&] { ds->FieldByName(QStringLiteral("ID"))->SetAsString(QStringLiteral("12a")); }),
              "'12a' is not a valid integer value for field 'ID'");
    ds->Cancel();
    EXPECT_EQ(msg([&] { ds->FieldDefs()->Items(0)->CreateField(ds); }), "Table: Cannot perform this operation on an open dataset");
    ds->Close();
    EXPECT_EQ(msg([&] { ds->Next(); }), "Table: Cannot perform this operation on a closed dataset");
    EXPECT_EQ(msg([&] { ds->RecordCount(); }), "Table: Cannot perform this operation on a closed dataset");
    // The table survives a close.
    ds->Open();
    EXPECT_EQ(ds->RecordCount(), 10);
}

TEST_F(DataSetTest, PostErrorEventCanAbortOrRetry) {
    ds->Append();
    int calls = 0;
    ds->OnPostError = [&](TDataSet* d, EDatabaseError&, TDataAction& Action) {
        ++calls;
        d->FieldByName(QStringLiteral("ID"))->SetAsInteger(77);
        Action = daRetry;
    };
    ds->Post();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(Id(), 77);
    ds->Append();
    ds->OnPostError = [&](TDataSet*, EDatabaseError&, TDataAction& Action) { Action = daAbort; };
    EXPECT_THROW(ds->Post(), EAbort);
    EXPECT_EQ(ds->State(), dsInsert);
    ds->Cancel();
}

TEST_F(DataSetTest, EmptyDatasetAndOldValues) {
    ds->Edit();
    ds->FieldByName(QStringLiteral("NAME"))->SetAsString(QStringLiteral("Новое"));
    EXPECT_EQ(S(VarToStr(ds->FieldByName(QStringLiteral("NAME"))->OldValue())), "Иванов");
    ds->Cancel();
    ds->SetFilter(QStringLiteral("ID > 100"));
    ds->SetFiltered(true);
    EXPECT_TRUE(ds->IsEmpty());
    EXPECT_TRUE(ds->Bof() && ds->Eof());
    EXPECT_TRUE(ds->FieldByName(QStringLiteral("ID"))->IsNull());
    EXPECT_EQ(ds->RecNo(), -1);
    EXPECT_THROW(ds->Delete(), EDatabaseError);
    // Edit of an empty dataset inserts.
    ds->Edit();
    EXPECT_EQ(ds->State(), dsInsert);
    ds->Cancel();
}

}  // namespace

// A link that outlives its source (a grid freed after the data source of the same form): the
// source's owner frees it first, and the link must be left with no source, not a dangling one.
TEST(DataSourceLifetime, LinksAreDetachedWhenTheOwnerFreesTheSource) {
    auto* owner = New<TComponent>(nullptr);
    auto* ds = New<TDataSource>(owner);
    auto link = NewOwned<TDataLink>();
    link->SetDataSource(ds);
    ASSERT_EQ(link->DataSource(), ds);
    owner->Free();
    EXPECT_EQ(link->DataSource(), nullptr);
    link.reset();  // touches no freed memory (ASan)

    auto direct = TOwned<TDataSource>(New<TDataSource>(nullptr));
    auto link2 = NewOwned<TDataLink>();
    link2->SetDataSource(direct.get());
    direct.reset();
    EXPECT_EQ(link2->DataSource(), nullptr);
}

// A filter nested deeper than any needs is refused with the dataset's error, not the stack; a
// long generated list of ORs is still accepted, as a shallow tree.
TEST(FilterExpr, DeepNestingIsRefusedAndLongOrListsStayShallow) {
    const int deep = 200000;
    auto repeat = [](const char* s, int n) { return QString::fromLatin1(s).repeated(n); };
    const String cases[] = {
        repeat("(", deep) + "1" + repeat(")", deep),
        repeat("NOT ", deep) + "TRUE",
        repeat("-", deep) + "1",
        repeat("UPPER(", deep) + "'a'" + repeat(")", deep),
        repeat("1+", deep) + "1 = 2",
        repeat("2*", deep) + "1 = 2",
    };
    for (const String& text : cases) EXPECT_THROW(TFilterExpr(nullptr, text), EDatabaseError) << text.left(20).toStdString();

    String ors = QStringLiteral("ID = 0");
    for (int i = 1; i < 5000; ++i) ors += QStringLiteral(" or ID = %1").arg(i);
    TFilterExpr list(nullptr, ors);
    list.GetFieldValue = [](const String&) { return Variant(4321); };
    EXPECT_TRUE(list.Accept());
    list.GetFieldValue = [](const String&) { return Variant(5000); };
    EXPECT_FALSE(list.Accept());
    String ands = QStringLiteral("ID > 0");
    for (int i = 1; i < 5000; ++i) ands += QStringLiteral(" and ID <> %1").arg(i);
    TFilterExpr all(nullptr, ands);
    all.GetFieldValue = [](const String&) { return Variant(6000); };
    EXPECT_TRUE(all.Accept());
    all.GetFieldValue = [](const String&) { return Variant(4999); };
    EXPECT_FALSE(all.Accept());
}
