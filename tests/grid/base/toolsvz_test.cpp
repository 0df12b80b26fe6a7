#include "grid/base/toolsvz.h"

#include "grid/base/vizevmanagervz.h"
#include "platform/gui/cursors.h"
#include "platform/gui/forms.h"

#include "platform/db/datasource.h"
#include "platform/testing/memdata.h"
#include "platform/gui/extctrls.h"
#include "platform/gui/graphics.h"
#include "platform/gui/stdctrls.h"

#include <QCursor>
#include <QPixmap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An object that reports its destruction.
class TTrackedVz : public TObject {
    SDELKA_CLASS(TTrackedVz, TObject)
public:
    explicit TTrackedVz(bool* Freed) : FFreed(Freed) {}
    ~TTrackedVz() override { *FFreed = true; }

private:
    bool* FFreed;
};

// A component that publishes a data source reference, as the grids do.
class TSourceHolderVz : public TComponent {
    SDELKA_CLASS(TSourceHolderVz, TComponent)
protected:
    explicit TSourceHolderVz(TComponent* AOwner) : TComponent(AOwner) {}
    ~TSourceHolderVz() override = default;

public:
    static void Published(TPublished<TSourceHolderVz>& P) {
        P.Component("DataSource", &TSourceHolderVz::DataSource, &TSourceHolderVz::SetDataSource);
        P.Integer("Width", &TSourceHolderVz::Width);
    }
    TDataSource* DataSource() const { return FDataSource; }
    void SetDataSource(TDataSource* Value) { FDataSource = Value; }
    int Width() const { return 10; }

private:
    TDataSource* FDataSource = nullptr;
};

}  // namespace

TEST(ToolsVzObjectList, DefaultListDoesNotOwnItsObjects) {
    bool freed = false;
    auto* item = New<TTrackedVz>(&freed);
    auto* list = New<TObjectListVz>();
    list->Add(item);
    list->Delete(0);
    EXPECT_FALSE(freed);
    list->Add(item);
    list->Free();
    EXPECT_FALSE(freed);
    item->Free();
    EXPECT_TRUE(freed);
}

TEST(ToolsVzObjectList, OwningListFreesDeletedObjects) {
    bool first = false, second = false;
    auto* list = New<TObjectListVz>(true);
    list->Add(New<TTrackedVz>(&first));
    list->Add(New<TTrackedVz>(&second));
    list->Delete(0);
    EXPECT_TRUE(first);
    EXPECT_FALSE(second);
    list->Free();
    EXPECT_TRUE(second);
}

TEST(ToolsVzObjectList, SortsWithCompareFunction) {
    auto list = NewOwned<TObjectListVz>();
    bool f = false;
    TTrackedVz a(&f), b(&f), c(&f);
    list->Add(&c);
    list->Add(&a);
    list->Add(&b);
    list->Sort([](void* x, void* y) { return x < y ? -1 : (x > y ? 1 : 0); });
    EXPECT_LT(list->Items(0), list->Items(1));
    EXPECT_LT(list->Items(1), list->Items(2));
}

TEST(ToolsVzMemoryStream, CapacityGrowsInSteps) {
    struct Case {
        Integer HalfDelta;
        int Bytes;
        Int64 Capacity;
    };
    const Case cases[] = {
        {4096, 1, 8192}, {4096, 8192, 8192}, {4096, 8193, 16384}, {4096, 20000, 24576},
        {1024, 1, 2048}, {1024, 2049, 4096},
    };
    for (const Case& c : cases) {
        TMemoryStreamVz s;
        s.SetHalfMemoryDelta(c.HalfDelta);
        std::vector<char> data(static_cast<std::size_t>(c.Bytes), 'x');
        // Written in small pieces, as records are streamed.
        for (int i = 0; i < c.Bytes; ++i) s.Write(&data[static_cast<std::size_t>(i)], 1);
        EXPECT_EQ(s.Capacity(), c.Capacity) << c.HalfDelta << " " << c.Bytes;
        EXPECT_EQ(s.Size(), c.Bytes);
    }
}

TEST(ToolsVzMemoryStream, RequestEqualToSizeIsTakenExactlyAndContentsSurvive) {
    TMemoryStreamVz s;
    EXPECT_EQ(s.HalfMemoryDelta(), 4096);
    const char text[] = "abcdef";
    s.Write(text, 6);
    ASSERT_EQ(s.Capacity(), 8192);
    s.SetCapacity(s.Size());
    EXPECT_EQ(s.Capacity(), 6);
    char back[7] = {};
    s.SetPosition(0);
    EXPECT_EQ(s.Read(back, 6), 6);
    EXPECT_STREQ(back, "abcdef");
    s.SetSize(0);
    EXPECT_EQ(s.Capacity(), 0);
}

TEST(ToolsVzRoutines, RectanglesAndPoints) {
    struct EmptyCase {
        TRect R;
        bool Empty;
    };
    const EmptyCase cases[] = {
        {TRect(0, 0, 0, 0), true},   {TRect(0, 0, 1, 1), false}, {TRect(5, 0, 4, 10), true},
        {TRect(0, 5, 10, 5), true},  {TRect(-3, -3, -1, -1), false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsRectEmptyVz(c.R), c.Empty) << c.R.Left << "," << c.R.Top;

    EXPECT_EQ(OffsetRectSidesVz(TRect(10, 20, 30, 40), 1, -2, 3, -4), TRect(11, 18, 33, 36));
    TRect r(10, 20, 30, 60);
    MoveRectToVz(r, -5, 7);
    EXPECT_EQ(r, TRect(-5, 7, 15, 47));
    MoveRectToPointVz(r, TPoint(0, 0));
    EXPECT_EQ(r, TRect(0, 0, 20, 40));

    TPoint p;
    SmallPointToPointVz(0xFFFF0001u, p);
    EXPECT_EQ(p, TPoint(1, -1));
    SmallPointToPointVz(0x7FFF8000u, p);
    EXPECT_EQ(p, TPoint(-32768, 32767));
    EXPECT_EQ(LParamToSmallPointVz(SmallPointToLParamVz(0xFFFF0001u)), 0xFFFF0001u);
}

// The held buttons and keys come from the window system's current state, not from a message.
TEST(ToolsVzRoutines, HeldButtonsAndShiftKeys) {
    // Nothing is held on a display nobody uses.
    EXPECT_FALSE(IsMouseButtonDownVz(mbLeft));
    EXPECT_TRUE(GetShiftStateVz().Empty());
    struct Case {
        TShiftState Held;
        bool Left, Right, Middle;
        TShiftState Keys;
    };
    const Case cases[] = {
        {{ssLeft}, true, false, false, {}},
        {{ssRight, ssMiddle}, false, true, true, {}},
        {{ssShift, ssCtrl, ssLeft, ssDouble}, true, false, false, {ssShift, ssCtrl}},
        {{ssAlt}, false, false, false, {ssAlt}},
    };
    for (const Case& c : cases) {
        SetAsyncShiftState(c.Held);
        EXPECT_EQ(IsMouseButtonDownVz(mbLeft), c.Left);
        EXPECT_EQ(IsMouseButtonDownVz(mbRight), c.Right);
        EXPECT_EQ(IsMouseButtonDownVz(mbMiddle), c.Middle);
        EXPECT_TRUE(GetShiftStateVz() == c.Keys);
    }
    ResetAsyncShiftState();
    EXPECT_FALSE(IsMouseButtonDownVz(mbRight));
}

// The click that closed a drop-down is swallowed only when it is the first left-button message of
// the control's window and lands on the control.
TEST(ToolsVzRoutines, QueuedClicksOnAControlAreRemoved) {
    Owned<TPanel> panel(New<TPanel>(nullptr));
    panel->SetBounds(0, 0, 200, 100);
    TImage* a = New<TImage>(panel.get());
    a->SetParent(panel.get());
    a->SetBounds(10, 10, 40, 30);
    TImage* b = New<TImage>(panel.get());
    b->SetParent(panel.get());
    b->SetBounds(100, 10, 40, 30);
    const HWND wnd = panel->Handle();
    Owned<TPanel> other(New<TPanel>(nullptr));
    const HWND otherWnd = other->Handle();
    auto at = [](int X, int Y) { return static_cast<LPARAM>((static_cast<unsigned>(Y) << 16) | static_cast<unsigned>(X)); };
    struct Msg {
        HWND Wnd;
        UINT Number;
        LPARAM Point;
    };
    struct Case {
        const char* Name;
        std::vector<Msg> Queued;
        TControl* Control;
        bool In, On;
    };
    const Case cases[] = {
        {"press on A", {{wnd, WM_LBUTTONDOWN, at(20, 20)}}, a, true, true},
        {"double click on A", {{wnd, WM_LBUTTONDBLCLK, at(49, 39)}}, a, true, true},
        {"press on B", {{wnd, WM_LBUTTONDOWN, at(110, 20)}}, a, false, false},
        {"release first", {{wnd, WM_LBUTTONUP, at(20, 20)}, {wnd, WM_LBUTTONDOWN, at(20, 20)}}, a, false, false},
        {"another window's press", {{otherWnd, WM_LBUTTONDOWN, at(20, 20)}}, a, false, false},
        {"nothing queued", {}, a, false, false},
        // The windowed control itself: inside its client area, but no graphic child of itself.
        {"press on the panel", {{wnd, WM_LBUTTONDOWN, at(70, 60)}}, panel.get(), true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        for (bool in : {true, false}) {
            for (UINT n : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) PurgeMessages(n);
            for (const Msg& m : c.Queued) ASSERT_TRUE(PostMessage(m.Wnd, m.Number, 0, m.Point));
            const bool want = in ? c.In : c.On;
            EXPECT_EQ(in ? RemoveQueuedClickInControlVz(c.Control) : RemoveQueuedClickOnControlVz(c.Control), want) << in;
            EXPECT_EQ(PostedMessageCount(), static_cast<int>(c.Queued.size()) - (want ? 1 : 0));
            if (want) {
                TMsg left;
                EXPECT_FALSE(PeekMessage(left, wnd, c.Queued[0].Number, c.Queued[0].Number, PM_NOREMOVE));
            }
        }
    }
    for (UINT n : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK}) PurgeMessages(n);
}

TEST(ToolsVzRoutines, CharactersAndComparison) {
    TCharSetVz digits;
    for (unsigned char c = '0'; c <= '9'; ++c) digits.Include(c);
    digits.Include(0xB7);
    EXPECT_TRUE(CharInSetVz(Char(u'5'), digits));
    EXPECT_FALSE(CharInSetVz(Char(u'a'), digits));
    EXPECT_TRUE(CharInSetVz(GetMiddleDotCharVz(), digits));
    // A character above U+00FF is never a member, even when its low byte is.
    EXPECT_FALSE(CharInSetVz(Char(char16_t(0x0130)), digits));  // low byte '0'

    struct Case {
        const char16_t* A;
        const char16_t* B;
        Integer Length;
        bool IgnoreCase;
        Integer Result;
    };
    const Case cases[] = {
        {u"abc", u"ABC", 0, true, 0},      {u"abc", u"abd", 0, true, -1},  {u"abd", u"ABC", 0, true, 1},
        {u"abX", u"abY", 2, false, 0},     {u"abX", u"abY", 3, false, -1}, {u"яблоко", u"ЯБЛОКО", 0, true, 0},
        {u"", u"a", 0, false, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(CompareStringsLocaleVz(String::fromUtf16(c.A), String::fromUtf16(c.B), c.Length, c.IgnoreCase), c.Result)
            << String::fromUtf16(c.A).toStdString() << " " << c.Length;
    // Case-sensitive comparison of texts that differ only in case gives an order, not equality.
    EXPECT_NE(CompareStringsLocaleVz(u"abc"_S, u"ABC"_S, 0, false), 0);

    String s = u"x"_S;
    VarToStrNullAsEmptyVz(Null(), s);
    EXPECT_EQ(s, String());
    VarToStrNullAsEmptyVz(Variant(42), s);
    EXPECT_EQ(s, u"42"_S);
    EXPECT_EQ(GetLocaleFirstDayOfWeekVz(), 0);
}

TEST(ToolsVzRoutines, TickCountIsA32BitCounter) {
    const Int64 t = GetTickCountVz();
    EXPECT_GE(t, 0);
    EXPECT_LE(t, Int64(0xFFFFFFFF));
}

TEST(ToolsVzRoutines, ObjectReferencesThroughVariants) {
    bool freed = false;
    auto* obj = New<TTrackedVz>(&freed);
    Variant v;
    RefObjectToVarVz(obj, v);
    EXPECT_EQ(VarToRefObjectVz(v), obj);
    Variant copy = v;
    v = Variant();
    EXPECT_FALSE(freed);  // a Variant never owns the object
    EXPECT_EQ(VarToRefObjectVz(copy), obj);
    EXPECT_THROW(VarToRefObjectVz(Variant(5)), EInvalidCast);
    obj->Free();
}

TEST(ToolsVzRoutines, FontHeightsMeasureOnTheScreenCanvasWithoutACanvas) {
    TFont font;
    font.SetName(u"Arial"_S);
    font.SetSize(10);
    TTextMetric tm;
    GetTextMetrics(ScreenDC(), tm);  // just to make sure the call works on its own
    const int plain = GetFontTextHeightVz(nullptr, &font, false);
    const int leading = GetFontTextHeightVz(nullptr, &font, true);
    EXPECT_GT(plain, 0);
    EXPECT_GE(leading, plain);
    EXPECT_EQ(GetScreenCanvasVz()->Font()->Size(), 10);  // the screen canvas keeps the font
    EXPECT_EQ(GetFontPixelHeightVz(&font), -font.Height());
    EXPECT_EQ(GetFontSizeVz(&font, nullptr), 10);

    TSize size;
    std::vector<int> extents;
    GetTextExtentExPointVz(GetScreenCanvasVz(), u"abc"_S, size, extents);
    ASSERT_EQ(extents.size(), 3u);
    EXPECT_LT(extents[0], extents[1]);
    EXPECT_LT(extents[1], extents[2]);
    EXPECT_EQ(extents[2], size.cx);
}

TEST(ToolsVzRoutines, DataSetHelpers) {
    EXPECT_FALSE(DataSetBookmarkValidVz(nullptr, TBookmark()));

    auto* holder = New<TSourceHolderVz>(nullptr);
    auto* ds = New<TTestTableDataSet>(holder);
    auto* src = New<TDataSource>(holder);
    PPropInfo sourceProp = GetPropInfo(holder, u"DataSource"_S);
    EXPECT_EQ(GetDataSetFromSourcePropVz(holder, sourceProp), nullptr);  // no data source yet
    holder->SetDataSource(src);
    EXPECT_EQ(GetDataSetFromSourcePropVz(holder, sourceProp), nullptr);  // a source without data set
    src->SetDataSet(ds);
    EXPECT_EQ(GetDataSetFromSourcePropVz(holder, sourceProp), ds);
    EXPECT_EQ(GetDataSetFromSourcePropVz(holder, GetPropInfo(holder, u"Width"_S)), nullptr);  // not of class type
    EXPECT_EQ(GetDataSetFromSourcePropVz(holder, nullptr), nullptr);
    holder->Free();
}

TEST(ToolsVzCursors, NamedCursorsLoadAndRegisterInFreeSlots) {
    RegisterCursorResource("TESTCURVZ", [] { return QCursor(QPixmap(16, 16), 3, 4); });
    // Names are found without case; unknown names and a standard number asked of the module fail.
    HCURSOR h = LoadCursorOrRaiseVz(HInstance, "TestCurVz");
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(CursorHandleToQCursor(h).hotSpot(), QPoint(3, 4));
    DestroyCursor(h);
    for (auto [instance, name] : {std::pair<HINSTANCE, const char*>{HInstance, "NOSUCHCURVZ"},
                                  {reinterpret_cast<HINSTANCE>(1), IDC_ARROW}}) {
        try {
            LoadCursorOrRaiseVz(instance, name);
            ADD_FAILURE() << "no exception";
        } catch (const EOutOfResources& E) {
            EXPECT_EQ(E.Message(), u"Cannot load cursor resource"_S);
        }
    }

    // Two registrations of one name take two slots; a control showing the number gets the picture.
    const TCursor a = LoadRegisterCursorVz("TESTCURVZ");
    const TCursor b = LoadRegisterCursorVz("TESTCURVZ");
    EXPECT_GT(a, 0);
    EXPECT_NE(a, b);
    EXPECT_NE(Screen->Cursors(a), Screen->Cursors(0));
    EXPECT_EQ(Screen->Cursors(32000), Screen->Cursors(0));
    TOwned<TPanel> panel(New<TPanel>(nullptr));
    panel->SetCursor(a);
    EXPECT_EQ(panel->Handle()->cursor().hotSpot(), QPoint(3, 4));
    Screen->SetCursors(a, nullptr);  // the default comes back, and the slot is free again
    EXPECT_EQ(Screen->Cursors(a), Screen->Cursors(0));
    EXPECT_EQ(panel->Handle()->cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(LoadRegisterCursorVz("TESTCURVZ"), a);

    // A full table refuses in its own words and stays as it was.
    for (int i = 1; i <= 32767; ++i)
        if (Screen->Cursors(i) == Screen->Cursors(0)) Screen->SetCursors(i, LoadCursor(nullptr, IDC_ARROW));
    HCURSOR before = Screen->Cursors(a);
    try {
        LoadRegisterCursorVz("TESTCURVZ");
        ADD_FAILURE() << "no exception";
    } catch (const Exception& E) {
        EXPECT_EQ(E.Message(), u"LoadRegisterCursorVz could not register cursor - \"TESTCURVZ\""_S);
    }
    EXPECT_EQ(Screen->Cursors(a), before);
    for (int i = 1; i <= 32767; ++i) Screen->SetCursors(i, nullptr);
}

TEST(ToolsVzMessages, ApplicationMessageIsPostedOnceToTheMainWindow) {
    PurgeMessages(WM_THEMECHANGED);
    PostApplicationMessageOnceVz(WM_THEMECHANGED, 0, 0);  // no main window yet: nobody to tell
    EXPECT_EQ(PostedMessageCount(), 0);
    TForm* main = nullptr;
    Application->CreateForm(main);
    ASSERT_EQ(Application->MainForm(), main);
    main->Handle();
    PostApplicationMessageOnceVz(WM_THEMECHANGED, 0, 0);
    PostApplicationMessageOnceVz(WM_THEMECHANGED, 0, 0);
    TMsg m;
    ASSERT_TRUE(PeekMessage(m, nullptr, WM_THEMECHANGED, WM_THEMECHANGED, PM_REMOVE));
    EXPECT_EQ(m.hwnd, main->Handle());
    EXPECT_FALSE(PeekMessage(m, nullptr, WM_THEMECHANGED, WM_THEMECHANGED, PM_NOREMOVE));
    // The date settings tell the open windows through it.
    const TWeekDaysVz days = GetViZevManager()->WeekWorkingDays();
    GetViZevManager()->SetWeekWorkingDays(TWeekDaysVz{});
    GetViZevManager()->SetWeekWorkingDays(days);
    EXPECT_EQ(PurgeMessages(WM_THEMECHANGED), 1);
    FreeAndNil(main);
}
