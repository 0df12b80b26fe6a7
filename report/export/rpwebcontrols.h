// The web controls: report printables that make an HTML export interactive (buttons that load or
// post content, frames that receive it, menus, tabs, drop-downs, splitters, page navigation,
// search, an index, a cross tab, a canvas, inputs and check boxes). On paper and in the preview
// they print nothing; during an HTML export each hands itself to the filter's AcceptControl, which
// writes its element and gathers its script (the web control's scripts need a web-form export,
// TCustomRpReport::ExportWebForm; the elements are written in any HTML export).
//
// Controls name each other by component name. A reference is taken only when a control of the
// expected class of that name sits on the report's first band (while a layout is loading every
// name is taken as it stands, and resolved when the report runs); otherwise the assignment is
// ignored. Colours given as web colour texts ("#RRGGBB") are taken only when valid.
#pragma once

#include "report/rplabels.h"
#include "report/rppctrls.h"
#include "report/rpshapes.h"

class TRpGHTMLDocumentFilter;
class TStringList;

enum class TWebCursors {
    default_, auto_, crosshair, e_resize, grab, help, move, n_resize, ne_resize, nw_resize, pointer, progress,
    s_resize, se_resize, sw_resize, text, w_resize, wait, not_allowed, no_drop
};
enum TRpWebBorderStyles { b_none, b_hidden, b_dotted, b_dashed, b_solid, b_double, b_groove, b_ridge, b_inset, b_outset, b_initial, b_inherit };
enum TRpWebBorderWidths { b_thin, b_medium, b_thick };
enum TRpWebDataType { wShortDate, wLongDate, wFullDateTime, wTimehhmm, wTimehhmmss, wDay, wMonth, wLocale };
enum class TRpButtonAction { null, get, post, inWindow, first, prev, next, last, zoom, scripted, testEcho };
enum TRpButtonDrawType { standard, canvas };
enum TRpWebMenuMode { mainMenu, subMenu };
enum TLoadContentMethod { lm_text, lm_get, lm_fromFile, lm_none };
// Scoped: the action lists of the window framework have an enumerator asNormal of their own.
enum class TRpFrameMode { asNormal, subForm };
enum TRpCheckBoxStyle { cbHtml, cbText, cbImage };
enum TRpWebSplitterAction { marker, toSplitter, drag, click };
enum TRpWebSplitterInitState { isOpen, isClosed };
enum TSplitterDirection { UpDown, LeftRight };

// The CSS words of the three tables.
String WebCursorText(TWebCursors C);
String WebBorderStyleText(TRpWebBorderStyles S);
String WebBorderWidthText(TRpWebBorderWidths W);
// "#RRGGBB" (letters in either case): true and the colour, or false.
bool ParseWebColor(const String& S, TColor& Color);

// A simple stored property: getter Name(), setter SetName(v), field FName.
#define RPWEB_PROP(T, N, D)                        \
public:                                            \
    T N() const { return F##N; }                   \
    void Set##N(const T& Value) { F##N = Value; }  \
                                                   \
protected:                                         \
    T F##N = D;

// A property naming another control: taken only when the check passes (see above).
#define RPWEB_REF(N)                  \
public:                               \
    String N() const { return F##N; } \
    void Set##N(const String& Value); \
                                      \
protected:                            \
    String F##N;

// The border settings every styled web control has.
#define RPWEB_BORDER                                           \
    RPWEB_PROP(TWebCursors, WebCursor, TWebCursors::default_)               \
    RPWEB_PROP(TRpWebBorderStyles, BorderStyle, b_none)        \
    RPWEB_PROP(TColor, BorderColor, clBlack)                   \
    RPWEB_PROP(TRpWebBorderWidths, BorderWidth, b_thin)        \
    RPWEB_PROP(int, BorderPixelWidth, 0)

class TRpWebLabel : public TRpLabel {
    SDELKA_CLASS(TRpWebLabel, TRpLabel)
protected:
    explicit TRpWebLabel(TComponent* AOwner);
    ~TRpWebLabel() override;

public:
    void AfterConstruction() override;
    static void Published(TPublished<TRpWebLabel>& P);
    void Print(int OfsX, int OfsY) override;
    TStrings* WebStyle() const;
    void SetWebStyle(TStrings* Value);
    TStrings* ClickScript() const;
    void SetClickScript(TStrings* Value);
    String RpWebColor() const { return FRpWebColor; }
    void SetRpWebColor(const String& Value);
    String RpWebFlashColor() const { return FRpWebFlashColor; }
    void SetRpWebFlashColor(const String& Value);

    RPWEB_BORDER
    RPWEB_PROP(bool, CaptionIsHtml, false)
    RPWEB_PROP(TColor, FlashColor, TColor(0xC0C0C0))
    RPWEB_PROP(bool, RoundedCorners, false)
    RPWEB_PROP(bool, UseShadow, false)
    RPWEB_PROP(int, CornerRadius, 0)

protected:
    TOwned<TStringList> FWebStyle;
    TOwned<TStringList> FClickScript;
    String FRpWebColor = QStringLiteral("#FFFFFF");
    String FRpWebFlashColor = QStringLiteral("#FFFFFF");
};

class TRpWebDropList : public TRpWebLabel {
    SDELKA_CLASS(TRpWebDropList, TRpWebLabel)
protected:
    using TRpWebLabel::TRpWebLabel;
    ~TRpWebDropList() override = default;

public:
    static void Published(TPublished<TRpWebDropList>& P);
    TStrings* Items() const { return ClickScript(); }
    void SetItems(TStrings* Value) { SetClickScript(Value); }
    RPWEB_PROP(String, Text, String())
    RPWEB_PROP(TColor, ContentFlashColor, clBlack)
};

class TRpWebData : public TRpWebLabel {
    SDELKA_CLASS(TRpWebData, TRpWebLabel)
protected:
    using TRpWebLabel::TRpWebLabel;
    ~TRpWebData() override = default;

public:
    static void Published(TPublished<TRpWebData>& P);
    RPWEB_PROP(TRpWebDataType, DataType, wShortDate)
    RPWEB_PROP(int, UpdateInterval, 0)
};

class TRpWebButton : public TRpWebLabel {
    SDELKA_CLASS(TRpWebButton, TRpWebLabel)
protected:
    explicit TRpWebButton(TComponent* AOwner);
    ~TRpWebButton() override = default;

public:
    void AfterConstruction() override;
    static void Published(TPublished<TRpWebButton>& P);
    String WebInputName() const { return FWebInputName; }
    // Every name (comma- or space-separated) must be a web input or drop list.
    void SetWebInputName(const String& Value);

    RPWEB_PROP(TRpButtonAction, ButtonAction, TRpButtonAction::null)
    RPWEB_PROP(String, RequestURL, String())
    RPWEB_PROP(int, ReportWindowLeft, 100)
    RPWEB_PROP(int, ReportWindowTop, 100)
    RPWEB_PROP(int, ReportWindowWidth, 400)
    RPWEB_PROP(int, ReportWindowHeight, 400)
    RPWEB_REF(WebStatusLabel)
    RPWEB_REF(WebPageLabel)
    RPWEB_PROP(String, WebStatusMessage, String())
    RPWEB_PROP(String, Text, String())
    RPWEB_REF(DisplayControl)
    RPWEB_PROP(bool, UseHTMLButton, false)
    RPWEB_PROP(TRpButtonDrawType, DrawType, standard)
    RPWEB_PROP(String, URLUpImage, String())
    RPWEB_PROP(String, URLOverImage, String())

protected:
    String FWebInputName;
    String FURLDownImage;
};

class TRpWebMenu : public TRpWebButton {
    SDELKA_CLASS(TRpWebMenu, TRpWebButton)
protected:
    using TRpWebButton::TRpWebButton;
    ~TRpWebMenu() override = default;

public:
    static void Published(TPublished<TRpWebMenu>& P);
    // Rebuilds MenuOptions and SubMenus from the menus and options that name this one as parent.
    void Prepare() override;
    RPWEB_PROP(TRpWebMenuMode, MenuMode, mainMenu)
    RPWEB_REF(ParentMenu)
    RPWEB_PROP(String, MenuOptions, String())
    RPWEB_PROP(String, SubMenus, String())
    RPWEB_PROP(int, ExpansionPercent, 0)
    RPWEB_PROP(bool, DropOnRollover, false)
    RPWEB_PROP(bool, ExpandOnClick, false)
    RPWEB_PROP(bool, InheritParentStyle, false)
};

class TRpWebMenuOption : public TRpWebButton {
    SDELKA_CLASS(TRpWebMenuOption, TRpWebButton)
protected:
    using TRpWebButton::TRpWebButton;
    ~TRpWebMenuOption() override = default;

public:
    static void Published(TPublished<TRpWebMenuOption>& P);
    RPWEB_REF(ParentMenu)
    RPWEB_PROP(bool, InheritParentStyle, false)
};

class TRpDropDown : public TRpWebLabel {
    SDELKA_CLASS(TRpDropDown, TRpWebLabel)
protected:
    using TRpWebLabel::TRpWebLabel;
    ~TRpDropDown() override = default;

public:
    static void Published(TPublished<TRpDropDown>& P);
    RPWEB_PROP(int, DropHeight, 0)
    RPWEB_PROP(String, HTMLClosed, String())
    RPWEB_PROP(String, HTMLOpen, String())
    RPWEB_PROP(bool, DropScrolled, false)
    RPWEB_PROP(String, URLDropdownContent, String())
    RPWEB_PROP(TLoadContentMethod, DropDownLoadMethod, lm_text)
};

// The printables without a text of their own share this base: they hand themselves to the HTML
// filter and paint a named placeholder at design time.
class TRpWebPrintable : public TRpPrintable {
    SDELKA_CLASS(TRpWebPrintable, TRpPrintable)
protected:
    explicit TRpWebPrintable(TComponent* AOwner) : TRpPrintable(AOwner) {}
    ~TRpWebPrintable() override = default;

public:
    void Print(int OfsX, int OfsY) override;

protected:
    void Paint() override;
};

class TRpReportFrame : public TRpWebPrintable {
    SDELKA_CLASS(TRpReportFrame, TRpWebPrintable)
protected:
    explicit TRpReportFrame(TComponent* AOwner);
    ~TRpReportFrame() override;

public:
    static void Published(TPublished<TRpReportFrame>& P);
    TStrings* WebStyle() const;
    RPWEB_BORDER
    RPWEB_PROP(bool, AutoLoad, false)
    RPWEB_PROP(String, RequestURL, String())
    RPWEB_PROP(String, IndexKeyname, String())
    RPWEB_REF(ContentFrame)
    RPWEB_PROP(TRpFrameMode, FrameMode, TRpFrameMode::asNormal)
    RPWEB_PROP(int, MinimumWidth, 0)
    RPWEB_PROP(int, MinimumHeight, 0)
    RPWEB_PROP(bool, RoundedCorners, false)
    RPWEB_PROP(bool, UseShadow, false)
    RPWEB_PROP(int, CornerRadius, 0)

protected:
    TOwned<TStringList> FWebStyle;
};

class TRpWebFinder : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebFinder, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebFinder() override = default;

public:
    static void Published(TPublished<TRpWebFinder>& P);
    RPWEB_REF(SearchButton)
    RPWEB_REF(NextButton)
    RPWEB_REF(SearchInput)
    RPWEB_REF(SearchCaseCheck)
    RPWEB_REF(SearchWordCheck)
    RPWEB_REF(SearchJumpCheck)
    RPWEB_REF(SearchLabel)
    RPWEB_REF(TargetFrame)
    RPWEB_PROP(String, NoTextErrorMsg, String())
    RPWEB_PROP(TRpCheckBoxStyle, CheckBoxStyle, cbHtml)
};

class TRpWebIndex : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebIndex, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebIndex() override = default;

public:
    static void Published(TPublished<TRpWebIndex>& P);
    RPWEB_REF(IndexButton)
    RPWEB_REF(ContentFrame)
    RPWEB_REF(IndexFrame)
    RPWEB_PROP(String, IndexControl, String())
};

class TRpWebPageExtractor : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebPageExtractor, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebPageExtractor() override = default;

public:
    static void Published(TPublished<TRpWebPageExtractor>& P);
    RPWEB_REF(ContentFrame)
    RPWEB_REF(DisplayFrame)
    RPWEB_REF(SelectButton)
    RPWEB_REF(PageInput)
    RPWEB_REF(PageLabel)
};

class TRpWebCrossTab : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebCrossTab, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebCrossTab() override = default;

public:
    static void Published(TPublished<TRpWebCrossTab>& P);
    RPWEB_REF(ContentFrame)
    RPWEB_REF(DisplayFrame)
    RPWEB_REF(XTabButton)
    RPWEB_REF(DataFieldInput)
    RPWEB_PROP(String, RowField, String())
    RPWEB_PROP(String, ColumnField, String())
    RPWEB_PROP(String, DataVariable, String())
    RPWEB_PROP(String, DisplayTablename, QStringLiteral("table1"))
    RPWEB_PROP(String, XTabTitle, String())
    RPWEB_PROP(bool, DoRowTotals, false)
    RPWEB_PROP(bool, DoColumnTotals, false)
    RPWEB_PROP(bool, UseDataVarInput, false)
    RPWEB_PROP(TColor, HeadingColor, TColor(0xFF0000))
    RPWEB_PROP(TColor, HeadingBackground, TColor(0xF0CAA6))
    RPWEB_PROP(TColor, CellColor, clBlack)
    RPWEB_PROP(TColor, CellBackground, clWhite)
    RPWEB_PROP(TColor, BorderColor, clBlack)
    RPWEB_PROP(int, BorderWidth, 1)
    RPWEB_PROP(int, FontSize, 10)
    RPWEB_PROP(int, RowHeight, 20)
    RPWEB_PROP(int, Padding, 5)
    RPWEB_PROP(int, TableOffsetX, 50)
    RPWEB_PROP(int, TableOffsetY, 50)
};

// A check box: the browser's own, a text that switches, or a picture that switches.
class TRpWebCheckBox : public TRpPCheckBox {
    SDELKA_CLASS(TRpWebCheckBox, TRpPCheckBox)
protected:
    explicit TRpWebCheckBox(TComponent* AOwner);
    ~TRpWebCheckBox() override;

public:
    static void Published(TPublished<TRpWebCheckBox>& P);
    void Print(int OfsX, int OfsY) override;
    RPWEB_PROP(TRpCheckBoxStyle, CheckBoxStyle, cbHtml)
    RPWEB_PROP(int, LeftMargin, 0)
    RPWEB_PROP(int, TopMargin, 0)
    RPWEB_PROP(String, Text, String())
    RPWEB_PROP(String, CheckedText, String())
    RPWEB_PROP(String, URLCheckedImage, String())
    RPWEB_PROP(String, URLUnCheckedImage, String())
    RPWEB_PROP(String, DesignBMPFile, String())
    RPWEB_BORDER

protected:
    void Paint() override;
};

class TRpWebPageSelect : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebPageSelect, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebPageSelect() override = default;

public:
    static void Published(TPublished<TRpWebPageSelect>& P);
    RPWEB_REF(PageButton)
    RPWEB_REF(PageInput)
    RPWEB_REF(WebPageLabel)
    RPWEB_REF(TargetFrame)
};

class TRpWebSplitter : public TRpShape {
    SDELKA_CLASS(TRpWebSplitter, TRpShape)
protected:
    explicit TRpWebSplitter(TComponent* AOwner);
    ~TRpWebSplitter() override;

public:
    void AfterConstruction() override;
    static void Published(TPublished<TRpWebSplitter>& P);
    void Print(int OfsX, int OfsY) override;
    String RpWebColor() const { return FRpWebColor; }
    void SetRpWebColor(const String& Value);

    RPWEB_PROP(TRpWebSplitterAction, ActionMode, marker)
    RPWEB_PROP(TSplitterDirection, Direction, UpDown)
    RPWEB_PROP(TRpWebSplitterInitState, InitialState, isOpen)
    RPWEB_REF(TopSplitterName)
    RPWEB_REF(LeftFrame)
    RPWEB_REF(RightFrame)
    RPWEB_PROP(String, Text, String())
    RPWEB_PROP(String, TextClosed, String())
    RPWEB_PROP(TColor, FlashColor, TColor(0xC0C0C0))
    RPWEB_PROP(String, WebStatusMessage, String())
    RPWEB_REF(WebStatusLabel)
    RPWEB_PROP(int, PositionMax, 0)
    RPWEB_PROP(int, PositionMin, 0)
    RPWEB_BORDER

protected:
    void Paint() override;
    String FRpWebColor;
};

class TRpWebInput : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebInput, TRpWebPrintable)
protected:
    explicit TRpWebInput(TComponent* AOwner);
    ~TRpWebInput() override = default;

public:
    static void Published(TPublished<TRpWebInput>& P);
    RPWEB_PROP(String, InitialValue, String())
    RPWEB_BORDER
};

class TRpWebTabs : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebTabs, TRpWebPrintable)
protected:
    using TRpWebPrintable::TRpWebPrintable;
    ~TRpWebTabs() override = default;

public:
    static void Published(TPublished<TRpWebTabs>& P);
    String TabButtons() const { return FTabButtons; }
    // Every name (comma- or space-separated) must be a web button.
    void SetTabButtons(const String& Value);
    String SelectedColor() const { return FSelectedColor; }
    void SetSelectedColor(const String& Value);
    String SelectedFontColor() const { return FSelectedFontColor; }
    void SetSelectedFontColor(const String& Value);
    RPWEB_PROP(int, InitialTab, 0)

protected:
    String FTabButtons;
    String FSelectedColor = QStringLiteral("#808080");
    String FSelectedFontColor = QStringLiteral("#808080");
};

class TRpWebCanvas : public TRpWebPrintable {
    SDELKA_CLASS(TRpWebCanvas, TRpWebPrintable)
protected:
    explicit TRpWebCanvas(TComponent* AOwner);
    ~TRpWebCanvas() override;

public:
    static void Published(TPublished<TRpWebCanvas>& P);
    TStrings* RenderCode() const;
    void SetRenderCode(TStrings* Value);
    RPWEB_BORDER

protected:
    TOwned<TStringList> FRenderCode;
};

// A picture exported as a web control.
class TRpWebImage : public TRpImage {
    SDELKA_CLASS(TRpWebImage, TRpImage)
protected:
    using TRpImage::TRpImage;
    ~TRpWebImage() override = default;
};

#undef RPWEB_BORDER
#undef RPWEB_REF
#undef RPWEB_PROP

// Raises the filter's head flags (post, get, search, index) from the web controls on the report's
// first band.
void RpWebScanHeadFlags(TRpGHTMLDocumentFilter* Filter);
