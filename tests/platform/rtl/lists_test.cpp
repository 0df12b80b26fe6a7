#include "platform/rtl/lists.h"

#include "platform/rtl/exceptions.h"
#include "platform/rtl/streams.h"
#include "support/testutil.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace {

using sdelka::test::MessageOf;

// Counts its own destructions.
class TTracked : public TObject {
public:
    explicit TTracked(int& ACounter, int AId = 0) : Counter(ACounter), Id(AId) {}
    ~TTracked() override { ++Counter; }
    int& Counter;
    int Id;
};

// Records every notification.
class TRecordingList : public TList {
    SDELKA_CLASS(TRecordingList, TList)
protected:
    TRecordingList() = default;
    ~TRecordingList() override = default;

public:
    std::vector<std::pair<void*, TListNotification>>* Log = nullptr;

protected:
    void Notify(void* Ptr, TListNotification Action) override {
        if (Log) Log->emplace_back(Ptr, Action);
    }
};

std::vector<String> Items(const TStrings& L) {
    std::vector<String> r;
    for (int i = 0; i < L.Count(); ++i) r.push_back(L.Strings(i));
    return r;
}

std::vector<String> Strs(std::initializer_list<const char16_t*> items) {
    std::vector<String> r;
    for (auto s : items) r.push_back(QString::fromUtf16(s));
    return r;
}

void Fill(TStrings& L, const std::vector<String>& items) {
    L.Clear();
    for (const String& s : items) L.Add(s);
}

}  // namespace

// ---- TList / TObjectList -----------------------------------------------------------------------

TEST(ListTest, NotifiesNonNilItemsEnteringAndLeaving) {
    int a = 0, b = 0, c = 0;
    std::vector<std::pair<void*, TListNotification>> log;
    auto list = NewOwned<TRecordingList>();
    list->Log = &log;
    list->Add(&a);
    list->Add(nullptr);
    list->Insert(0, &b);
    list->Put(0, &c);      // b leaves, c enters
    list->Put(0, &c);      // same item: nothing
    EXPECT_EQ(list->Extract(&a), &a);
    EXPECT_EQ(list->Extract(&a), nullptr);
    list->Pack();          // the nil goes without a notification
    EXPECT_EQ(list->Count(), 1);
    list->Add(&b);
    list->Clear();
    const std::vector<std::pair<void*, TListNotification>> expected = {
        {&a, lnAdded}, {&b, lnAdded}, {&b, lnDeleted}, {&c, lnAdded}, {&a, lnExtracted},
        {&b, lnAdded}, {&b, lnDeleted}, {&c, lnDeleted}};
    EXPECT_EQ(log, expected);
    list->Log = nullptr;
}

TEST(ListTest, FreeClearsThroughTheDescendantsNotify) {
    int a = 0;
    std::vector<std::pair<void*, TListNotification>> log;
    auto* list = New<TRecordingList>();
    list->Log = &log;
    list->Add(&a);
    list->Free();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1], std::make_pair(static_cast<void*>(&a), lnDeleted));
}

TEST(ListTest, OrderOperationsAndIndexErrors) {
    int v[5] = {4, 1, 3, 0, 2};
    auto list = NewOwned<TListT<int>>();
    for (int& x : v) list->Add(&x);
    list->Sort([](int* x, int* y) { return *x - *y; });
    for (int i = 0; i < 5; ++i) EXPECT_EQ(*(*list)[i], i);
    list->Move(0, 4);      // 1 2 3 4 0
    list->Exchange(0, 1);  // 2 1 3 4 0
    EXPECT_EQ(*list->First(), 2);
    EXPECT_EQ(*list->Last(), 0);
    EXPECT_EQ(list->IndexOf(&v[2]), 2);  // the 3
    EXPECT_EQ(list->Remove(&v[2]), 2);
    EXPECT_EQ(list->Remove(&v[2]), -1);
    EXPECT_EQ(list->Count(), 4);

    EXPECT_EQ(MessageOf<EListError>([&] { list->Items(4); }), QStringLiteral("List index out of bounds (4)"));
    EXPECT_EQ(MessageOf<EListError>([&] { list->Delete(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(MessageOf<EListError>([&] { list->Insert(5, nullptr); }), QStringLiteral("List index out of bounds (5)"));
    EXPECT_NO_THROW(list->Insert(4, nullptr));  // inserting at the end is allowed
    auto empty = NewOwned<TList>();
    EXPECT_THROW(empty->First(), EListError);
}

TEST(ObjectListTest, OwnedObjectsAreFreedWhenDeletedButNotWhenExtracted) {
    int freed = 0;
    auto* extracted = New<TTracked>(freed);
    {
        auto list = NewOwned<TListT<TTracked, TObjectList>>();
        auto* first = New<TTracked>(freed, 1);
        list->Add(first);
        list->Add(New<TTracked>(freed, 2));
        list->Add(extracted);
        list->Add(New<TTracked>(freed, 4));
        EXPECT_EQ(list->Extract(extracted), extracted);
        list->Delete(0);
        EXPECT_EQ(freed, 1);
        EXPECT_EQ(list->First()->Id, 2);
        list->SetItems(0, New<TTracked>(freed, 5));  // the replaced object is freed
        EXPECT_EQ(freed, 2);
    }
    EXPECT_EQ(freed, 4);  // freeing the list freed the two left
    extracted->Free();

    freed = 0;
    TTracked kept(freed);
    {
        auto list = NewOwned<TObjectList>(false);
        list->Add(&kept);
        list->Clear();
    }
    EXPECT_EQ(freed, 0);
}

// ---- TStringList: sorting, duplicates, errors -------------------------------------------------

TEST(StringListTest, SortedAddFollowsTheDuplicatesMode) {
    const auto input = Strs({u"Петров", u"иванов", u"Жуков", u"Иванов", u"ёлкин", u"Абрамов"});
    struct Case {
        TDuplicates mode;
        std::vector<String> expected;
        bool raises;
    };
    const Case cases[] = {
        {dupIgnore, Strs({u"Абрамов", u"ёлкин", u"Жуков", u"иванов", u"Петров"}), false},
        // An accepted duplicate goes before its equals.
        {dupAccept, Strs({u"Абрамов", u"ёлкин", u"Жуков", u"Иванов", u"иванов", u"Петров"}), false},
        {dupError, Strs({u"Жуков", u"иванов", u"Петров"}), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.mode);
        String error;
        try {
            for (const String& s : input) list.Add(s);
        } catch (const EStringListError& e) {
            error = e.Message();
        }
        EXPECT_EQ(Items(list), c.expected);
        EXPECT_EQ(error, c.raises ? QStringLiteral("String list does not allow duplicates") : String());
    }
}

TEST(StringListTest, FindAndIndexOfOnSortedAndUnsortedLists) {
    TStringList list;
    Fill(list, Strs({u"Сидоров", u"Баранов", u"Яковлев", u"Волков"}));
    EXPECT_EQ(list.IndexOf(u"волков"_S), 3);  // unsorted: linear, case-insensitive
    list.SetSorted(true);
    EXPECT_EQ(Items(list), Strs({u"Баранов", u"Волков", u"Сидоров", u"Яковлев"}));
    int index = -1;
    EXPECT_TRUE(list.Find(u"СИДОРОВ"_S, index));
    EXPECT_EQ(index, 2);
    EXPECT_FALSE(list.Find(u"Гусев"_S, index));
    EXPECT_EQ(index, 2);  // where it would go
    EXPECT_EQ(list.IndexOf(u"Гусев"_S), -1);
    EXPECT_EQ(list.Add(u"Гусев"_S), 2);

    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Insert(0, u"x"_S); }),
              QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.SetStrings(0, u"x"_S); }),
              QStringLiteral("Operation not allowed on sorted list"));
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Strings(5); }), QStringLiteral("List index out of bounds (5)"));
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Delete(-1); }), QStringLiteral("List index out of bounds (-1)"));
    EXPECT_EQ(MessageOf<EStringListError>([&] { list.Objects(5); }), QStringLiteral("List index out of bounds (5)"));
}

TEST(StringListTest, SortedListsKeepTheWordSort) {
    TStringList list;
    list.SetSorted(true);
    Fill(list, Strs({u"Петров-Водкин", u"Альфа", u"Zeta", u"Петрова", u"alpha", u"Ёлкин", u"Ельцов", u"Елисеев"}));
    EXPECT_EQ(Items(list), Strs({u"alpha", u"Zeta", u"Альфа", u"Елисеев", u"Ёлкин", u"Ельцов", u"Петрова", u"Петров-Водкин"}));
    int index = -1;
    EXPECT_TRUE(list.Find(u"петров-водкин"_S, index));
    EXPECT_EQ(index, 7);
    EXPECT_FALSE(list.Find(u"ПетровВодкин"_S, index));  // the hyphen still tells them apart
    EXPECT_EQ(index, 7);
}

TEST(StringListTest, CaseSensitiveListsTellCasesApart) {
    TStringList list;
    list.SetCaseSensitive(true);
    Fill(list, Strs({u"Б", u"а", u"А", u"б"}));
    EXPECT_EQ(list.IndexOf(u"А"_S), 2);
    list.SetSorted(true);
    EXPECT_EQ(Items(list), Strs({u"а", u"А", u"б", u"Б"}));
    EXPECT_EQ(list.IndexOf(u"Б"_S), 3);

    // Switching back re-sorts and duplicates by case now compare equal.
    list.SetCaseSensitive(false);
    int index;
    EXPECT_TRUE(list.Find(u"Б"_S, index));
    EXPECT_EQ(index / 2, 1);
}

TEST(StringListTest, CustomSortSeesTheListAsItWasAndIsStable) {
    TStringList list;
    Fill(list, Strs({u"10", u"9", u"100", u"09"}));
    list.CustomSort([](TStringList* L, int a, int b) {
        return L->Strings(a).toInt() - L->Strings(b).toInt();
    });
    EXPECT_EQ(Items(list), Strs({u"9", u"09", u"10", u"100"}));
}

// ---- delimited text ----------------------------------------------------------------------------

TEST(StringListTest, CommaTextQuotesWhatNeedsIt) {
    struct Case {
        std::vector<String> items;
        const char16_t* text;
    };
    const Case cases[] = {
        {Strs({u"a", u"b c", u"d,e", u"f\"g", u""}), u"a,\"b c\",\"d,e\",\"f\"\"g\","},
        {Strs({u""}), u"\"\""},
        {{}, u""},
        {Strs({u"  lead", u"tab\there"}), u"\"  lead\",\"tab\there\""},
        {Strs({u"Иванов И.И.", u"Цех№3"}), u"\"Иванов И.И.\",Цех№3"},
        {Strs({u"", u"x"}), u",x"},
    };
    for (const Case& c : cases) {
        const String text = QString::fromUtf16(c.text);
        SCOPED_TRACE(text.toStdString());
        TStringList list;
        list.SetDelimiter(u';');  // CommaText ignores the list's own delimiter
        Fill(list, c.items);
        EXPECT_EQ(list.CommaText(), text);
        EXPECT_EQ(list.Delimiter(), QChar(u';'));
        TStringList back;
        back.SetCommaText(text);
        EXPECT_EQ(Items(back), c.items);
    }
}

TEST(StringListTest, DelimitedTextSplitsAsTheFrameworkDoes) {
    struct Case {
        const char16_t* text;
        char16_t delimiter;
        bool strict;
        std::vector<String> items;
    };
    const Case cases[] = {
        {u"a b,c", u',', false, Strs({u"a", u"b", u"c"})},  // unquoted spaces separate
        {u"  a ,  b  ", u',', false, Strs({u"a", u"b"})},
        {u"a,,b", u',', false, Strs({u"a", u"", u"b"})},
        {u"\"x y\",z", u',', false, Strs({u"x y", u"z"})},
        {u"\"a\"\"b\"", u',', false, Strs({u"a\"b"})},
        {u"\"a\"b", u',', false, Strs({u"a", u"b"})},
        {u"a,", u',', false, Strs({u"a", u""})},
        {u"a, ", u',', false, Strs({u"a"})},
        {u"\"unclosed text", u',', false, Strs({u"unclosed text"})},
        {u"", u',', false, {}},
        {u"Иванов Пётр;Сидоров", u';', false, Strs({u"Иванов", u"Пётр", u"Сидоров"})},
        {u"a b; c", u';', true, Strs({u"a b", u" c"})},
        {u"a;;", u';', true, Strs({u"a", u"", u""})},
        {u"\"q;r\";s t", u';', true, Strs({u"q;r", u"s t"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        TStringList list;
        list.SetDelimiter(c.delimiter);
        list.SetStrictDelimiter(c.strict);
        list.Add(u"old"_S);
        list.SetDelimitedText(QString::fromUtf16(c.text));
        EXPECT_EQ(Items(list), c.items);
    }
}

TEST(StringListTest, StrictDelimitedTextRoundTrips) {
    TStringList list;
    list.SetDelimiter(u';');
    list.SetQuoteChar(u'\'');
    list.SetStrictDelimiter(true);
    Fill(list, Strs({u"a b", u"c;d", u"it's", u""}));
    EXPECT_EQ(list.DelimitedText(), u"a b;'c;d';'it''s';"_S);
    TStringList back;
    back.Assign(&list);
    back.SetDelimitedText(list.DelimitedText());
    EXPECT_EQ(Items(back), Items(list));
}

// ---- Text --------------------------------------------------------------------------------------

TEST(StringListTest, TextSplitsOnCrLfOrCrLf) {
    struct Case {
        const char16_t* text;
        std::vector<String> items;
    };
    const Case cases[] = {
        {u"a\r\nb\nc\rd", Strs({u"a", u"b", u"c", u"d"})},
        {u"a\r\n", Strs({u"a"})},
        {u"a\r\n\r\n", Strs({u"a", u""})},
        {u"\n", Strs({u""})},
        {u"", {}},
        {u"a\n\rb", Strs({u"a", u"", u"b"})},
        {u"строка 1\r\nстрока 2", Strs({u"строка 1", u"строка 2"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QString::fromUtf16(c.text).toStdString());
        TStringList list;
        list.SetText(QString::fromUtf16(c.text));
        EXPECT_EQ(Items(list), c.items);
    }
    TStringList list;
    Fill(list, Strs({u"a", u"", u"b"}));
    EXPECT_EQ(list.Text(), u"a\r\n\r\nb\r\n"_S);
    list.SetLineBreak(u"|"_S);
    EXPECT_EQ(list.Text(), u"a||b|"_S);
    list.SetText(u"x|y\r\nz|"_S);
    EXPECT_EQ(Items(list), Strs({u"x", u"y\r\nz"}));
}

// ---- change notification -----------------------------------------------------------------------

TEST(StringListTest, UpdateBracketsFireOnceForTheOutermostPair) {
    TStringList list;
    std::vector<String> log;
    TObject* sender = nullptr;
    list.OnChanging = [&](TObject* s) { log.push_back(u"changing"_S); sender = s; };
    list.OnChange = [&](TObject*) { log.push_back(u"change"_S); };

    list.Add(u"a"_S);
    EXPECT_EQ(log, Strs({u"changing", u"change"}));
    EXPECT_EQ(sender, &list);

    log.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add(u"b"_S);
    list.Delete(0);
    list.SetStrings(0, u"c"_S);
    list.EndUpdate();
    EXPECT_EQ(log, Strs({u"changing"}));  // the outermost BeginUpdate announces the change
    list.EndUpdate();
    EXPECT_EQ(log, Strs({u"changing", u"change"}));

    // Bulk setters are one change each.
    for (auto set : std::initializer_list<std::function<void()>>{
             [&] { list.SetText(u"1\r\n2\r\n3"_S); }, [&] { list.SetCommaText(u"x,y"_S); },
             [&] { list.SetSorted(true); }}) {
        log.clear();
        set();
        EXPECT_EQ(log, Strs({u"changing", u"change"}));
    }
    log.clear();
    TStringList empty;
    empty.OnChange = [&](TObject*) { log.push_back(u"change"_S); };
    empty.Clear();  // nothing to clear: no change
    EXPECT_TRUE(log.empty());
}

// ---- names and values, objects, assignment -----------------------------------------------------

TEST(StringListTest, NamesAndValues) {
    TStringList list;
    list.SetText(u"Server=db1\r\nPort=5432\r\nnovalue\r\nExpr=a=b"_S);
    EXPECT_EQ(list.Values(u"server"_S), u"db1"_S);
    EXPECT_EQ(list.Values(u"Expr"_S), u"a=b"_S);
    EXPECT_EQ(list.Values(u"novalue"_S), String());
    EXPECT_EQ(list.Names(2), String());
    EXPECT_EQ(list.Names(3), u"Expr"_S);
    EXPECT_EQ(list.ValueFromIndex(2), String());
    EXPECT_EQ(list.IndexOfName(u"PORT"_S), 1);

    list.SetValues(u"Port"_S, String());   // an empty value deletes the pair
    list.SetValues(u"User"_S, u"мастер"_S);  // a new name is added
    list.SetValues(u"Server"_S, u"db2"_S);
    list.SetValueFromIndex(2, u"x=y"_S);
    EXPECT_EQ(Items(list), Strs({u"Server=db2", u"novalue", u"Expr=x=y", u"User=мастер"}));

    list.SetNameValueSeparator(u':');
    list.SetText(u"Цех:3"_S);
    EXPECT_EQ(list.Values(u"цех"_S), u"3"_S);
}

TEST(StringListTest, OwnedObjectsAreFreedOnDeleteClearAndDestruction) {
    int freed = 0;
    {
        TStringList list(true);
        for (int i = 0; i < 4; ++i) list.AddObject(QString::number(i), New<TTracked>(freed, i));
        EXPECT_EQ(static_cast<TTracked*>(list.Objects(2))->Id, 2);
        EXPECT_EQ(list.IndexOfObject(list.Objects(3)), 3);
        list.Delete(0);
        EXPECT_EQ(freed, 1);
        list.Exchange(0, 2);  // objects travel with their strings
        EXPECT_EQ(list.Strings(0), u"3"_S);
        EXPECT_EQ(static_cast<TTracked*>(list.Objects(0))->Id, 3);
        list.Move(0, 2);  // moving keeps the object alive
        EXPECT_EQ(Items(list), Strs({u"2", u"1", u"3"}));
        EXPECT_EQ(static_cast<TTracked*>(list.Objects(2))->Id, 3);
        EXPECT_EQ(freed, 1);
    }
    EXPECT_EQ(freed, 4);

    freed = 0;
    TTracked kept(freed);
    {
        TStringList list;  // does not own by default
        list.AddObject(u"k"_S, &kept);
        list.Clear();
    }
    EXPECT_EQ(freed, 0);
}

TEST(StringListTest, AssignAddStringsAndEquals) {
    int dummy = 0;
    TTracked obj(dummy);
    TStringList src;
    src.SetDelimiter(u';');
    src.SetNameValueSeparator(u':');
    src.AddObject(u"один"_S, &obj);
    src.Add(u"два"_S);

    TStringList dst;
    dst.Add(u"old"_S);
    int changes = 0;
    dst.OnChange = [&](TObject*) { ++changes; };
    dst.Assign(&src);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(Items(dst), Items(src));
    EXPECT_EQ(dst.Objects(0), &obj);
    EXPECT_EQ(dst.Delimiter(), QChar(u';'));
    EXPECT_EQ(dst.NameValueSeparator(), QChar(u':'));
    EXPECT_TRUE(dst.Equals(&src));

    dst.AddStrings(&src);
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(Items(dst), Strs({u"один", u"два", u"один", u"два"}));
    EXPECT_EQ(dst.Objects(2), &obj);
    EXPECT_FALSE(dst.Equals(&src));

    TStringList upper;
    Fill(upper, Strs({u"ОДИН", u"ДВА"}));
    EXPECT_FALSE(upper.Equals(&src));  // Equals is case-sensitive
}

// ---- files and streams -------------------------------------------------------------------------

TEST(StringListTest, LoadFromStreamDetectsTheByteOrderMark) {
    const String text = u"Наряд №1\r\nСдельщик"_S;
    const QByteArray utf8 = text.toUtf8();
    QByteArray le, be;
    for (QChar c : text) {
        le.append(static_cast<char>(c.unicode() & 0xFF)).append(static_cast<char>(c.unicode() >> 8));
        be.append(static_cast<char>(c.unicode() >> 8)).append(static_cast<char>(c.unicode() & 0xFF));
    }
    struct Case {
        const char* name;
        QByteArray bytes;
    };
    // The same lines as the Windows client wrote them in its code page 1251, without a mark.
    const QByteArray cp1251("\xCD\xE0\xF0\xFF\xE4 \xB9\x31\r\n\xD1\xE4\xE5\xEB\xFC\xF9\xE8\xEA", 18);
    const Case cases[] = {
        {"utf-8 with bom", QByteArray("\xEF\xBB\xBF") + utf8},
        {"utf-8 without bom", utf8},
        {"utf-16 le", QByteArray("\xFF\xFE") + le},
        {"utf-16 be", QByteArray("\xFE\xFF") + be},
        {"windows-1251", cp1251},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TMemoryStream stream;
        stream.WriteBuffer("skip", 4);
        stream.WriteBuffer(c.bytes.constData(), static_cast<Integer>(c.bytes.size()));
        stream.SetPosition(4);  // loading starts at the position
        TStringList list;
        list.LoadFromStream(&stream);
        EXPECT_EQ(Items(list), Strs({u"Наряд №1", u"Сдельщик"}));
        EXPECT_EQ(stream.Position(), stream.Size());
        // Saved again, the lines go out in the encoding they came in.
        TMemoryStream out;
        list.SaveToStream(&out);
        const QByteArray crlf = c.bytes.startsWith("\xFF\xFE")   ? QByteArray("\r\0\n\0", 4)
                                : c.bytes.startsWith("\xFE\xFF") ? QByteArray("\0\r\0\n", 4)
                                                                 : QByteArray("\r\n");
        EXPECT_EQ(QByteArray(static_cast<const char*>(out.Memory()), static_cast<qsizetype>(out.Size())), c.bytes + crlf);
    }
}

TEST(StringListTest, LinesLoadedIn1251AreSavedIn1251UnlessTheCodePageCannotHoldThem) {
    const QByteArray cp1251("\xD6\xE5\xF5 \xB9\x32\r\n\x98\xB8\r\n", 12);  // "Цех №2", an undefined byte, "ё"
    TMemoryStream in;
    in.WriteBuffer(cp1251.constData(), static_cast<Integer>(cp1251.size()));
    in.SetPosition(0);
    TStringList list;
    list.LoadFromStream(&in);
    EXPECT_EQ(list.Encoding(), tfeAnsi);
    EXPECT_EQ(list.Strings(0), u"Цех №2"_S);
    auto saved = [&] {
        TMemoryStream out;
        list.SaveToStream(&out);
        return QByteArray(static_cast<const char*>(out.Memory()), static_cast<qsizetype>(out.Size()));
    };
    EXPECT_EQ(saved(), cp1251);  // every byte back, the undefined one too
    list.Add(u"Участок Б"_S);
    EXPECT_EQ(saved(), cp1251 + QByteArray("\xD3\xF7\xE0\xF1\xF2\xEE\xEA \xC1\r\n"));
    // A character the code page does not have is not lost to '?': the file becomes UTF-8.
    list.Add(u"Ω"_S);
    const QByteArray utf8 = saved();
    EXPECT_TRUE(utf8.startsWith("\xEF\xBB\xBF"));
    EXPECT_EQ(list.Encoding(), tfeUtf8Bom);
    TStringList back;
    TMemoryStream again;
    again.WriteBuffer(utf8.constData(), static_cast<Integer>(utf8.size()));
    again.SetPosition(0);
    back.LoadFromStream(&again);
    EXPECT_EQ(Items(back), Items(list));
}

TEST(StringListTest, SaveToFileWritesUtf8WithCrLfAndLoadsBack) {
    QTemporaryDir dir;
    const String name = dir.filePath(u"список.txt"_S);
    TStringList list;
    Fill(list, Strs({u"Бригада", u"", u"Ёмкость"}));
    list.SaveToFile(name);

    TMemoryStream raw;
    raw.LoadFromFile(name);
    EXPECT_EQ(QByteArray(static_cast<const char*>(raw.Memory()), static_cast<qsizetype>(raw.Size())),
              u"Бригада\r\n\r\nЁмкость\r\n"_S.toUtf8());

    TStringList back;
    back.Add(u"old"_S);
    back.LoadFromFile(name);
    EXPECT_EQ(Items(back), Items(list));
    EXPECT_THROW(back.LoadFromFile(dir.filePath(u"нет.txt"_S)), EFOpenError);
}

// ---- a TStrings descendant with only the abstract methods --------------------------------------

namespace {

// Keeps strings only, as a control's lines would; counts the update-state calls.
class TPlainStrings : public TStrings {
public:
    std::vector<String> Lines;
    int UpdatesOn = 0, UpdatesOff = 0;

    void Insert(int Index, const String& S) override { Lines.insert(Lines.begin() + Index, S); }
    void Delete(int Index) override { Lines.erase(Lines.begin() + Index); }
    void Clear() override { Lines.clear(); }

protected:
    String Get(int Index) const override { return Lines.at(static_cast<std::size_t>(Index)); }
    int GetCount() const override { return static_cast<int>(Lines.size()); }
    void SetUpdateState(bool Updating) override { ++(Updating ? UpdatesOn : UpdatesOff); }
};

}  // namespace

TEST(StringsTest, DefaultsWorkThroughTheAbstractMethods) {
    TPlainStrings lines;
    lines.SetText(u"b=2\r\na=1\r\nc"_S);
    EXPECT_EQ(lines.UpdatesOn, 1);
    EXPECT_EQ(lines.UpdatesOff, 1);
    lines.Exchange(0, 1);
    lines.Move(2, 0);
    EXPECT_EQ(lines.Lines, Strs({u"c", u"a=1", u"b=2"}));
    lines.SetValues(u"A"_S, u"10"_S);
    lines.SetStrings(0, u"d"_S);
    EXPECT_EQ(lines.Lines, Strs({u"d", u"A=10", u"b=2"}));
    EXPECT_EQ(lines.IndexOf(u"B=2"_S), 2);
    EXPECT_EQ(lines.AddObject(u"e"_S, &lines), 3);  // objects are dropped by such a list
    EXPECT_EQ(lines.Objects(3), nullptr);

    TStringList copy;
    copy.Assign(&lines);
    EXPECT_TRUE(copy.Equals(&lines));
    TPlainStrings back;
    back.Assign(&copy);
    EXPECT_EQ(back.Lines, lines.Lines);
    EXPECT_EQ(back.UpdatesOn, 1);
}
