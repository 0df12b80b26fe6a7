#include "report/export/rpwebcontrols.h"

#include "platform/gui/canvas.h"
#include "platform/gui/dialogs.h"
#include "platform/rtl/lists.h"
#include "platform/rtl/rtlmath.h"
#include "report/export/rpwebfilter.h"
#include "report/rpprinter.h"
#include "report/rpreport.h"

#include <QFile>

#include <cmath>

using namespace Qt::StringLiterals;

// ---- tables and helpers ---------------------------------------------------------------------------

String WebCursorText(TWebCursors C) {
    static const char* const T[] = {"default", "auto",     "crosshair", "e-resize", "grab",     "help",      "move",
                                    "n-resize", "ne-resize", "nw-resize", "pointer",  "progress", "s-resize", "se-resize",
                                    "sw-resize", "text",     "w-resize",  "wait",     "not-allowed", "no-drop"};
    return QString::fromLatin1(T[int(C) >= 0 && int(C) < 20 ? int(C) : 0]);
}

String WebBorderStyleText(TRpWebBorderStyles S) {
    static const char* const T[] = {"none",  "hidden", "dotted", "dashed", "solid",   "double",
                                    "groove", "ridge", "inset",  "outset", "initial", "inherit"};
    return QString::fromLatin1(T[int(S) >= 0 && int(S) < 12 ? int(S) : 0]);
}

String WebBorderWidthText(TRpWebBorderWidths W) {
    static const char* const T[] = {"thin", "medium", "thick"};
    return QString::fromLatin1(T[int(W) >= 0 && int(W) < 3 ? int(W) : 0]);
}

bool ParseWebColor(const String& S, TColor& Color) {
    if (S.size() != 7 || S[0] != u'#') return false;
    const String Hex = S.mid(1).toUpper();
    for (const Char C : Hex)
        if (!((C >= u'0' && C <= u'9') || (C >= u'A' && C <= u'F'))) return false;
    const int R = Hex.mid(0, 2).toInt(nullptr, 16), G = Hex.mid(2, 2).toInt(nullptr, 16), B = Hex.mid(4, 2).toInt(nullptr, 16);
    Color = TColor(RGB(R, G, B));
    return true;
}

namespace {

TCustomRpReport* ReportOf(const TRpPrintable* P) {
    IRpReport* R = P->ParentReport();
    return R ? dynamic_cast<TCustomRpReport*>(R->ReportComponent()) : nullptr;
}

// The report's first child control: the band the web controls sit on.
TWinControl* FirstBand(TCustomRpReport* R) {
    return R && R->ControlCount() > 0 ? dynamic_cast<TWinControl*>(R->Controls(0)) : nullptr;
}

TControl* FindOnFirstBand(TCustomRpReport* R, const String& Name) {
    TWinControl* B = FirstBand(R);
    if (!B) return nullptr;
    for (int i = 0; i < B->ControlCount(); ++i)
        if (B->Controls(i)->Name() == Name) return B->Controls(i);
    return nullptr;
}

enum class TRef { Frame, ButtonExact, ButtonAny, DropList, Input, Label, CheckBox, AnyControl, Menu, InputOrDropList, Button };

bool Matches(TControl* C, TRef Kind) {
    if (!C) return false;
    const String Cls = C->ClassName();
    switch (Kind) {
        case TRef::Frame: return Cls == u"TRpReportFrame"_s;
        case TRef::ButtonExact: return Cls == u"TRpWebButton"_s;
        case TRef::ButtonAny:
            return Cls.compare(u"TRpWebButton"_s, Qt::CaseInsensitive) == 0 ||
                   Cls.compare(u"TRpWebButtonOld"_s, Qt::CaseInsensitive) == 0;
        case TRef::Button: return C->Is<TRpWebButton>();
        case TRef::DropList: return C->Is<TRpWebDropList>();
        case TRef::Input: return C->Is<TRpWebInput>();
        case TRef::InputOrDropList: return C->Is<TRpWebInput>() || C->Is<TRpWebDropList>();
        case TRef::Label: return C->Is<TRpWebLabel>();
        case TRef::CheckBox: return C->Is<TRpWebCheckBox>();
        case TRef::Menu: return C->Is<TRpWebMenu>();
        case TRef::AnyControl: return true;
    }
    return false;
}

// Whether a reference may be stored: blank, while loading (names resolve when the report runs),
// or naming a control of the kind on the first band.
bool RefOk(const TRpPrintable* Self, const String& Value, TRef Kind) {
    if (Value.trimmed().isEmpty() || Self->ComponentState().Contains(csLoading)) return true;
    return Matches(FindOnFirstBand(ReportOf(Self), Value), Kind);
}

// SplitDelimitedText: at "," when there is one, else at blanks; pieces trimmed, empty ones left out.
QStringList SplitNames(const String& Value) {
    const String V = Value.trimmed();
    const QStringList Parts = V.contains(u',') ? V.split(u',') : V.split(u' ');
    QStringList R;
    for (const String& P : Parts)
        if (!P.trimmed().isEmpty()) R << P.trimmed();
    return R;
}

// Hands a web control to the HTML export, at its position in the run's device pixels.
void HandToFilter(TRpPrintable* Self, int OfsX, int OfsY) {
    IRpReport* R = Self->ParentReport();
    if (!R || !R->Exporting()) return;
    auto* F = dynamic_cast<TRpGHTMLDocumentFilter*>(R->ExportFilter());
    TRpPrinter* P = Self->RpPrinter();
    if (!F || !P) return;
    F->AcceptControl(P->XPos(Self->Size()->NativeLeft() + OfsX), P->YPos(Self->Size()->NativeTop() + OfsY), Self);
}

}  // namespace

#define REF_SETTER(Cls, N, Kind) \
    void Cls::Set##N(const String& Value) { \
        if (RefOk(this, Value, Kind)) F##N = Value; \
    }

// ---- the label family -----------------------------------------------------------------------------

TRpWebLabel::TRpWebLabel(TComponent* AOwner)
    : TRpLabel(AOwner), FWebStyle(NewOwned<TStringList>()), FClickScript(NewOwned<TStringList>()) {}

void TRpWebLabel::AfterConstruction() {
    TRpLabel::AfterConstruction();
    SetAutoSize(false);
}

TRpWebLabel::~TRpWebLabel() = default;

TStrings* TRpWebLabel::WebStyle() const { return FWebStyle.get(); }
void TRpWebLabel::SetWebStyle(TStrings* Value) { FWebStyle->Assign(Value); }
TStrings* TRpWebLabel::ClickScript() const { return FClickScript.get(); }
void TRpWebLabel::SetClickScript(TStrings* Value) { FClickScript->Assign(Value); }

void TRpWebLabel::SetRpWebColor(const String& Value) {
    TColor C;
    if (!ParseWebColor(Value, C)) return;
    FRpWebColor = Value;
    SetColor(C);
}

void TRpWebLabel::SetRpWebFlashColor(const String& Value) {
    TColor C;
    if (!ParseWebColor(Value, C)) return;
    FRpWebFlashColor = Value;
    FFlashColor = C;
}

void TRpWebLabel::Print(int OfsX, int OfsY) { HandToFilter(this, OfsX, OfsY); }

namespace {
const std::initializer_list<const char*> CursorNames{"default",  "auto",      "crosshair", "e_resize", "grab",
                                                     "help",     "move",      "n_resize",  "ne_resize", "nw_resize",
                                                     "pointer",  "progress",  "s_resize",  "se_resize", "sw_resize",
                                                     "text",     "w_resize",  "wait",      "not_allowed", "no_drop"};
const std::initializer_list<const char*> BorderStyleNames{"b_none",   "b_hidden", "b_dotted", "b_dashed", "b_solid",  "b_double",
                                                          "b_groove", "b_ridge",  "b_inset",  "b_outset", "b_initial", "b_inherit"};
const std::initializer_list<const char*> BorderWidthNames{"b_thin", "b_medium", "b_thick"};

template <class C>
void PublishBorder(TPublished<C>& P) {
    P.Enum("WebCursor", &C::WebCursor, &C::SetWebCursor, CursorNames).Default(0);
    P.Enum("BorderStyle", &C::BorderStyle, &C::SetBorderStyle, BorderStyleNames).Default(b_none);
    P.Integer("BorderColor", &C::BorderColor, &C::SetBorderColor).Default(clBlack);
    P.Enum("BorderWidth", &C::BorderWidth, &C::SetBorderWidth, BorderWidthNames).Default(b_thin);
    P.Integer("BorderPixelWidth", &C::BorderPixelWidth, &C::SetBorderPixelWidth).Default(0);
}
}  // namespace

void TRpWebLabel::Published(TPublished<TRpWebLabel>& P) {
    PublishBorder(P);
    P.Object("WebStyle", &TRpWebLabel::WebStyle, &TRpWebLabel::SetWebStyle);
    P.String("RpWebColor", &TRpWebLabel::RpWebColor, &TRpWebLabel::SetRpWebColor);
    P.Boolean("CaptionIsHtml", &TRpWebLabel::CaptionIsHtml, &TRpWebLabel::SetCaptionIsHtml).Default(0);
    P.String("RpWebFlashColor", &TRpWebLabel::RpWebFlashColor, &TRpWebLabel::SetRpWebFlashColor);
    P.Boolean("RoundedCorners", &TRpWebLabel::RoundedCorners, &TRpWebLabel::SetRoundedCorners).Default(0);
    P.Boolean("UseShadow", &TRpWebLabel::UseShadow, &TRpWebLabel::SetUseShadow).Default(0);
    P.Integer("CornerRadius", &TRpWebLabel::CornerRadius, &TRpWebLabel::SetCornerRadius).Default(0);
}

void TRpWebDropList::Published(TPublished<TRpWebDropList>& P) {
    P.Object("Items", &TRpWebDropList::Items, &TRpWebDropList::SetItems);
    P.String("Text", &TRpWebDropList::Text, &TRpWebDropList::SetText);
    P.Integer("ContentFlashColor", &TRpWebDropList::ContentFlashColor, &TRpWebDropList::SetContentFlashColor).Default(clBlack);
}

void TRpWebData::Published(TPublished<TRpWebData>& P) {
    P.Enum("DataType", &TRpWebData::DataType, &TRpWebData::SetDataType,
           {"wShortDate", "wLongDate", "wFullDateTime", "wTimehhmm", "wTimehhmmss", "wDay", "wMonth", "wLocale"})
        .Default(wShortDate);
    P.Integer("UpdateInterval", &TRpWebData::UpdateInterval, &TRpWebData::SetUpdateInterval).Default(0);
}

TRpWebButton::TRpWebButton(TComponent* AOwner) : TRpWebLabel(AOwner) {}

void TRpWebButton::AfterConstruction() {
    TRpWebLabel::AfterConstruction();
    SetAlignment(taCenter);
    FVerticalAlignment = tlCenter;
    SetRpWebColor(u"#E0E0E0"_s);
    SetRpWebFlashColor(u"#E0E0E0"_s);
}

void TRpWebButton::SetWebInputName(const String& Value) {
    if (!ComponentState().Contains(csLoading)) {
        TCustomRpReport* R = ReportOf(this);
        for (const String& N : SplitNames(Value)) {
            if (!Matches(FindOnFirstBand(R, N), TRef::InputOrDropList)) {
                ShowMessage(u"'"_s + N + u"' is not a WebInput or Dropdown control name"_s);
                return;
            }
        }
    }
    FWebInputName = Value;
}

REF_SETTER(TRpWebButton, WebStatusLabel, TRef::Label)
REF_SETTER(TRpWebButton, WebPageLabel, TRef::Label)
REF_SETTER(TRpWebButton, DisplayControl, TRef::Frame)

void TRpWebButton::Published(TPublished<TRpWebButton>& P) {
    P.Object("ClickScript", &TRpWebButton::ClickScript, &TRpWebButton::SetClickScript);
    P.Integer("FlashColor", &TRpWebButton::FlashColor, &TRpWebButton::SetFlashColor).NoDefault();
    P.Enum("ButtonAction", &TRpWebButton::ButtonAction, &TRpWebButton::SetButtonAction,
           {"null", "get", "post", "inWindow", "first", "prev", "next", "last", "zoom", "scripted", "testEcho"})
        .Default(0);
    P.String("RequestURL", &TRpWebButton::RequestURL, &TRpWebButton::SetRequestURL);
    P.String("WebInputName", &TRpWebButton::WebInputName, &TRpWebButton::SetWebInputName);
    P.Integer("ReportWindowLeft", &TRpWebButton::ReportWindowLeft, &TRpWebButton::SetReportWindowLeft).Default(100);
    P.Integer("ReportWindowTop", &TRpWebButton::ReportWindowTop, &TRpWebButton::SetReportWindowTop).Default(100);
    P.Integer("ReportWindowWidth", &TRpWebButton::ReportWindowWidth, &TRpWebButton::SetReportWindowWidth).Default(400);
    P.Integer("ReportWindowHeight", &TRpWebButton::ReportWindowHeight, &TRpWebButton::SetReportWindowHeight).Default(400);
    P.String("WebStatusLabel", &TRpWebButton::WebStatusLabel, &TRpWebButton::SetWebStatusLabel);
    P.String("WebPageLabel", &TRpWebButton::WebPageLabel, &TRpWebButton::SetWebPageLabel);
    P.String("WebStatusMessage", &TRpWebButton::WebStatusMessage, &TRpWebButton::SetWebStatusMessage);
    P.String("Text", &TRpWebButton::Text, &TRpWebButton::SetText);
    P.String("DisplayControl", &TRpWebButton::DisplayControl, &TRpWebButton::SetDisplayControl);
    P.Boolean("UseHTMLButton", &TRpWebButton::UseHTMLButton, &TRpWebButton::SetUseHTMLButton).Default(0);
    P.Enum("DrawType", &TRpWebButton::DrawType, &TRpWebButton::SetDrawType, {"standard", "canvas"}).Default(standard);
    P.String("URLUpImage", &TRpWebButton::URLUpImage, &TRpWebButton::SetURLUpImage);
    P.String("URLOverImage", &TRpWebButton::URLOverImage, &TRpWebButton::SetURLOverImage);
}

REF_SETTER(TRpWebMenu, ParentMenu, TRef::Menu)
REF_SETTER(TRpWebMenuOption, ParentMenu, TRef::Menu)

void TRpWebMenu::Published(TPublished<TRpWebMenu>& P) {
    P.Enum("MenuMode", &TRpWebMenu::MenuMode, &TRpWebMenu::SetMenuMode, {"mainMenu", "subMenu"}).Default(mainMenu);
    P.String("ParentMenu", &TRpWebMenu::ParentMenu, &TRpWebMenu::SetParentMenu);
    P.Integer("ExpansionPercent", &TRpWebMenu::ExpansionPercent, &TRpWebMenu::SetExpansionPercent).Default(0);
    P.Boolean("DropOnRollover", &TRpWebMenu::DropOnRollover, &TRpWebMenu::SetDropOnRollover).Default(0);
    P.Boolean("ExpandOnClick", &TRpWebMenu::ExpandOnClick, &TRpWebMenu::SetExpandOnClick).Default(0);
    P.Boolean("InheritParentStyle", &TRpWebMenu::InheritParentStyle, &TRpWebMenu::SetInheritParentStyle).Default(0);
}

void TRpWebMenu::Prepare() {
    TRpWebButton::Prepare();
    FMenuOptions.clear();
    FSubMenus.clear();
    TWinControl* B = FirstBand(ReportOf(this));
    if (!B) return;
    for (int i = 0; i < B->ControlCount(); ++i) {
        TControl* C = B->Controls(i);
        if (auto* M = dynamic_cast<TRpWebMenu*>(C); M && M->ParentMenu() == Name()) {
            FMenuOptions += M->Name() + u","_s;
            FSubMenus += M->Name() + u","_s;
        } else if (auto* O = dynamic_cast<TRpWebMenuOption*>(C); O && O->ParentMenu() == Name()) {
            FMenuOptions += O->Name() + u","_s;
        }
    }
}

void TRpWebMenuOption::Published(TPublished<TRpWebMenuOption>& P) {
    P.String("ParentMenu", &TRpWebMenuOption::ParentMenu, &TRpWebMenuOption::SetParentMenu);
    P.Boolean("InheritParentStyle", &TRpWebMenuOption::InheritParentStyle, &TRpWebMenuOption::SetInheritParentStyle).Default(0);
}

void TRpDropDown::Published(TPublished<TRpDropDown>& P) {
    P.Integer("DropHeight", &TRpDropDown::DropHeight, &TRpDropDown::SetDropHeight).Default(0);
    P.String("HTMLClosed", &TRpDropDown::HTMLClosed, &TRpDropDown::SetHTMLClosed);
    P.String("HTMLOpen", &TRpDropDown::HTMLOpen, &TRpDropDown::SetHTMLOpen);
    P.Boolean("DropScrolled", &TRpDropDown::DropScrolled, &TRpDropDown::SetDropScrolled).Default(0);
    P.String("URLDropdownContent", &TRpDropDown::URLDropdownContent, &TRpDropDown::SetURLDropdownContent);
    P.Enum("DropDownLoadMethod", &TRpDropDown::DropDownLoadMethod, &TRpDropDown::SetDropDownLoadMethod,
           {"lm_text", "lm_get", "lm_fromFile", "lm_none"})
        .Default(lm_text);
}

// ---- the printables without a text ----------------------------------------------------------------

void TRpWebPrintable::Print(int OfsX, int OfsY) { HandToFilter(this, OfsX, OfsY); }

void TRpWebPrintable::Paint() {
    TRpPrintable::Paint();
    TCanvas* C = Canvas();
    if (!C) return;
    C->Brush()->SetStyle(bsClear);
    C->Rectangle(0, 0, Width(), Height());
    C->TextOut(10, 10, Name());
    PaintCorners();
}

TRpReportFrame::TRpReportFrame(TComponent* AOwner) : TRpWebPrintable(AOwner), FWebStyle(NewOwned<TStringList>()) {}
TRpReportFrame::~TRpReportFrame() = default;
TStrings* TRpReportFrame::WebStyle() const { return FWebStyle.get(); }
REF_SETTER(TRpReportFrame, ContentFrame, TRef::Frame)

void TRpReportFrame::Published(TPublished<TRpReportFrame>& P) {
    PublishBorder(P);
    P.Boolean("AutoLoad", &TRpReportFrame::AutoLoad, &TRpReportFrame::SetAutoLoad).Default(0);
    P.String("RequestURL", &TRpReportFrame::RequestURL, &TRpReportFrame::SetRequestURL);
    P.String("IndexKeyname", &TRpReportFrame::IndexKeyname, &TRpReportFrame::SetIndexKeyname);
    P.String("ContentFrame", &TRpReportFrame::ContentFrame, &TRpReportFrame::SetContentFrame);
    P.Enum("FrameMode", &TRpReportFrame::FrameMode, &TRpReportFrame::SetFrameMode, {"asNormal", "subForm"}).Default(static_cast<Int64>(TRpFrameMode::asNormal));
    P.Integer("MinimumWidth", &TRpReportFrame::MinimumWidth, &TRpReportFrame::SetMinimumWidth).Default(0);
    P.Integer("MinimumHeight", &TRpReportFrame::MinimumHeight, &TRpReportFrame::SetMinimumHeight).Default(0);
    P.Boolean("RoundedCorners", &TRpReportFrame::RoundedCorners, &TRpReportFrame::SetRoundedCorners).Default(0);
    P.Boolean("UseShadow", &TRpReportFrame::UseShadow, &TRpReportFrame::SetUseShadow).Default(0);
    P.Integer("CornerRadius", &TRpReportFrame::CornerRadius, &TRpReportFrame::SetCornerRadius).Default(0);
}

REF_SETTER(TRpWebFinder, SearchButton, TRef::ButtonAny)
REF_SETTER(TRpWebFinder, NextButton, TRef::ButtonAny)
REF_SETTER(TRpWebFinder, SearchInput, TRef::Input)
REF_SETTER(TRpWebFinder, SearchCaseCheck, TRef::CheckBox)
REF_SETTER(TRpWebFinder, SearchWordCheck, TRef::CheckBox)
REF_SETTER(TRpWebFinder, SearchJumpCheck, TRef::CheckBox)
REF_SETTER(TRpWebFinder, SearchLabel, TRef::Label)
REF_SETTER(TRpWebFinder, TargetFrame, TRef::Frame)

void TRpWebFinder::Published(TPublished<TRpWebFinder>& P) {
    P.String("SearchButton", &TRpWebFinder::SearchButton, &TRpWebFinder::SetSearchButton);
    P.String("NextButton", &TRpWebFinder::NextButton, &TRpWebFinder::SetNextButton);
    P.String("SearchInput", &TRpWebFinder::SearchInput, &TRpWebFinder::SetSearchInput);
    P.String("SearchCaseCheck", &TRpWebFinder::SearchCaseCheck, &TRpWebFinder::SetSearchCaseCheck);
    P.String("SearchWordCheck", &TRpWebFinder::SearchWordCheck, &TRpWebFinder::SetSearchWordCheck);
    P.String("SearchJumpCheck", &TRpWebFinder::SearchJumpCheck, &TRpWebFinder::SetSearchJumpCheck);
    P.String("SearchLabel", &TRpWebFinder::SearchLabel, &TRpWebFinder::SetSearchLabel);
    P.String("TargetFrame", &TRpWebFinder::TargetFrame, &TRpWebFinder::SetTargetFrame);
    P.String("NoTextErrorMsg", &TRpWebFinder::NoTextErrorMsg, &TRpWebFinder::SetNoTextErrorMsg);
    P.Enum("CheckBoxStyle", &TRpWebFinder::CheckBoxStyle, &TRpWebFinder::SetCheckBoxStyle, {"cbHtml", "cbText", "cbImage"})
        .Default(cbHtml);
}

REF_SETTER(TRpWebIndex, IndexButton, TRef::ButtonExact)
REF_SETTER(TRpWebIndex, ContentFrame, TRef::Frame)
REF_SETTER(TRpWebIndex, IndexFrame, TRef::Frame)

void TRpWebIndex::Published(TPublished<TRpWebIndex>& P) {
    P.String("IndexButton", &TRpWebIndex::IndexButton, &TRpWebIndex::SetIndexButton);
    P.String("ContentFrame", &TRpWebIndex::ContentFrame, &TRpWebIndex::SetContentFrame);
    P.String("IndexFrame", &TRpWebIndex::IndexFrame, &TRpWebIndex::SetIndexFrame);
    P.String("IndexControl", &TRpWebIndex::IndexControl, &TRpWebIndex::SetIndexControl);
}

REF_SETTER(TRpWebPageExtractor, ContentFrame, TRef::Frame)
REF_SETTER(TRpWebPageExtractor, DisplayFrame, TRef::Frame)
REF_SETTER(TRpWebPageExtractor, SelectButton, TRef::ButtonExact)
REF_SETTER(TRpWebPageExtractor, PageInput, TRef::Input)
REF_SETTER(TRpWebPageExtractor, PageLabel, TRef::Label)

void TRpWebPageExtractor::Published(TPublished<TRpWebPageExtractor>& P) {
    P.String("ContentFrame", &TRpWebPageExtractor::ContentFrame, &TRpWebPageExtractor::SetContentFrame);
    P.String("DisplayFrame", &TRpWebPageExtractor::DisplayFrame, &TRpWebPageExtractor::SetDisplayFrame);
    P.String("SelectButton", &TRpWebPageExtractor::SelectButton, &TRpWebPageExtractor::SetSelectButton);
    P.String("PageInput", &TRpWebPageExtractor::PageInput, &TRpWebPageExtractor::SetPageInput);
    P.String("PageLabel", &TRpWebPageExtractor::PageLabel, &TRpWebPageExtractor::SetPageLabel);
}

REF_SETTER(TRpWebCrossTab, ContentFrame, TRef::Frame)
REF_SETTER(TRpWebCrossTab, DisplayFrame, TRef::Frame)
REF_SETTER(TRpWebCrossTab, XTabButton, TRef::ButtonExact)
REF_SETTER(TRpWebCrossTab, DataFieldInput, TRef::DropList)

void TRpWebCrossTab::Published(TPublished<TRpWebCrossTab>& P) {
    P.String("ContentFrame", &TRpWebCrossTab::ContentFrame, &TRpWebCrossTab::SetContentFrame);
    P.String("DisplayFrame", &TRpWebCrossTab::DisplayFrame, &TRpWebCrossTab::SetDisplayFrame);
    P.String("XTabButton", &TRpWebCrossTab::XTabButton, &TRpWebCrossTab::SetXTabButton);
    P.String("DataFieldInput", &TRpWebCrossTab::DataFieldInput, &TRpWebCrossTab::SetDataFieldInput);
    P.String("RowField", &TRpWebCrossTab::RowField, &TRpWebCrossTab::SetRowField);
    P.String("ColumnField", &TRpWebCrossTab::ColumnField, &TRpWebCrossTab::SetColumnField);
    P.String("DataVariable", &TRpWebCrossTab::DataVariable, &TRpWebCrossTab::SetDataVariable);
    P.String("DisplayTablename", &TRpWebCrossTab::DisplayTablename, &TRpWebCrossTab::SetDisplayTablename);
    P.String("XTabTitle", &TRpWebCrossTab::XTabTitle, &TRpWebCrossTab::SetXTabTitle);
    P.Boolean("DoRowTotals", &TRpWebCrossTab::DoRowTotals, &TRpWebCrossTab::SetDoRowTotals).Default(0);
    P.Boolean("DoColumnTotals", &TRpWebCrossTab::DoColumnTotals, &TRpWebCrossTab::SetDoColumnTotals).Default(0);
    P.Boolean("UseDataVarInput", &TRpWebCrossTab::UseDataVarInput, &TRpWebCrossTab::SetUseDataVarInput).Default(0);
    P.Integer("HeadingColor", &TRpWebCrossTab::HeadingColor, &TRpWebCrossTab::SetHeadingColor).NoDefault();
    P.Integer("HeadingBackground", &TRpWebCrossTab::HeadingBackground, &TRpWebCrossTab::SetHeadingBackground).NoDefault();
    P.Integer("CellColor", &TRpWebCrossTab::CellColor, &TRpWebCrossTab::SetCellColor).NoDefault();
    P.Integer("CellBackground", &TRpWebCrossTab::CellBackground, &TRpWebCrossTab::SetCellBackground).NoDefault();
    P.Integer("BorderColor", &TRpWebCrossTab::BorderColor, &TRpWebCrossTab::SetBorderColor).NoDefault();
    P.Integer("BorderWidth", &TRpWebCrossTab::BorderWidth, &TRpWebCrossTab::SetBorderWidth).Default(1);
    P.Integer("FontSize", &TRpWebCrossTab::FontSize, &TRpWebCrossTab::SetFontSize).Default(10);
    P.Integer("RowHeight", &TRpWebCrossTab::RowHeight, &TRpWebCrossTab::SetRowHeight).Default(20);
    P.Integer("Padding", &TRpWebCrossTab::Padding, &TRpWebCrossTab::SetPadding).Default(5);
    P.Integer("TableOffsetX", &TRpWebCrossTab::TableOffsetX, &TRpWebCrossTab::SetTableOffsetX).Default(50);
    P.Integer("TableOffsetY", &TRpWebCrossTab::TableOffsetY, &TRpWebCrossTab::SetTableOffsetY).Default(50);
}

TRpWebCheckBox::TRpWebCheckBox(TComponent* AOwner) : TRpPCheckBox(AOwner) {}
TRpWebCheckBox::~TRpWebCheckBox() = default;

void TRpWebCheckBox::Print(int OfsX, int OfsY) { HandToFilter(this, OfsX, OfsY); }

void TRpWebCheckBox::Published(TPublished<TRpWebCheckBox>& P) {
    P.Enum("CheckBoxStyle", &TRpWebCheckBox::CheckBoxStyle, &TRpWebCheckBox::SetCheckBoxStyle, {"cbHtml", "cbText", "cbImage"})
        .Default(cbHtml);
    P.Integer("LeftMargin", &TRpWebCheckBox::LeftMargin, &TRpWebCheckBox::SetLeftMargin).Default(0);
    P.Integer("TopMargin", &TRpWebCheckBox::TopMargin, &TRpWebCheckBox::SetTopMargin).Default(0);
    P.String("Text", &TRpWebCheckBox::Text, &TRpWebCheckBox::SetText);
    P.String("CheckedText", &TRpWebCheckBox::CheckedText, &TRpWebCheckBox::SetCheckedText);
    P.String("URLCheckedImage", &TRpWebCheckBox::URLCheckedImage, &TRpWebCheckBox::SetURLCheckedImage);
    P.String("URLUnCheckedImage", &TRpWebCheckBox::URLUnCheckedImage, &TRpWebCheckBox::SetURLUnCheckedImage);
    P.String("DesignBMPFile", &TRpWebCheckBox::DesignBMPFile, &TRpWebCheckBox::SetDesignBMPFile);
    PublishBorder(P);
}

void TRpWebCheckBox::Paint() {
    TCanvas* C = Canvas();
    if (!C) return;
    C->SetPen(Pen());
    C->SetBrush(Brush());
    C->SetFont(Font());
    const TRect R = ClientRect();
    C->Rectangle(R.Left, R.Top, R.Right, R.Bottom);
    if (FCheckBoxStyle == cbHtml) {
        C->MoveTo(R.Right - R.Height(), R.Top);
        C->LineTo(R.Right - R.Height(), R.Bottom);
    }
    if (FCheckBoxStyle == cbImage && !QFile::exists(FDesignBMPFile))
        C->TextOut(R.Left + 4, R.Top + 2, u"Not found "_s + FDesignBMPFile);
    else
        C->TextOut(R.Left + 4, R.Top + 2, FText);
    PaintCorners();
}

REF_SETTER(TRpWebPageSelect, PageButton, TRef::ButtonAny)
REF_SETTER(TRpWebPageSelect, PageInput, TRef::Input)
REF_SETTER(TRpWebPageSelect, WebPageLabel, TRef::Label)
REF_SETTER(TRpWebPageSelect, TargetFrame, TRef::Frame)

void TRpWebPageSelect::Published(TPublished<TRpWebPageSelect>& P) {
    P.String("PageButton", &TRpWebPageSelect::PageButton, &TRpWebPageSelect::SetPageButton);
    P.String("PageInput", &TRpWebPageSelect::PageInput, &TRpWebPageSelect::SetPageInput);
    P.String("WebPageLabel", &TRpWebPageSelect::WebPageLabel, &TRpWebPageSelect::SetWebPageLabel);
    P.String("TargetFrame", &TRpWebPageSelect::TargetFrame, &TRpWebPageSelect::SetTargetFrame);
}

TRpWebSplitter::TRpWebSplitter(TComponent* AOwner) : TRpShape(AOwner) {}

void TRpWebSplitter::AfterConstruction() {
    TRpShape::AfterConstruction();
    SetShape(rpsRectangle);
    Brush()->SetStyle(bsSolid);
    Pen()->SetStyle(psSolid);
    SetRpWebColor(u"#FFFFFF"_s);
}
TRpWebSplitter::~TRpWebSplitter() = default;

void TRpWebSplitter::SetRpWebColor(const String& Value) {
    TColor C;
    if (!ParseWebColor(Value, C)) return;
    FRpWebColor = Value;
    Brush()->SetColor(C);
    Pen()->SetColor(C);
}

REF_SETTER(TRpWebSplitter, TopSplitterName, TRef::AnyControl)
REF_SETTER(TRpWebSplitter, LeftFrame, TRef::Frame)
REF_SETTER(TRpWebSplitter, RightFrame, TRef::Frame)
REF_SETTER(TRpWebSplitter, WebStatusLabel, TRef::Label)

void TRpWebSplitter::Print(int OfsX, int OfsY) { HandToFilter(this, OfsX, OfsY); }

void TRpWebSplitter::Paint() {
    SetShape(rpsRectangle);
    Pen()->SetStyle(psSolid);
    Brush()->SetStyle(bsSolid);
    TRpShape::Paint();
}

void TRpWebSplitter::Published(TPublished<TRpWebSplitter>& P) {
    P.Enum("ActionMode", &TRpWebSplitter::ActionMode, &TRpWebSplitter::SetActionMode, {"marker", "toSplitter", "drag", "click"})
        .Default(marker);
    P.Enum("Direction", &TRpWebSplitter::Direction, &TRpWebSplitter::SetDirection, {"UpDown", "LeftRight"}).Default(UpDown);
    P.Enum("InitialState", &TRpWebSplitter::InitialState, &TRpWebSplitter::SetInitialState, {"isOpen", "isClosed"}).Default(isOpen);
    P.String("TopSplitterName", &TRpWebSplitter::TopSplitterName, &TRpWebSplitter::SetTopSplitterName);
    P.String("LeftFrame", &TRpWebSplitter::LeftFrame, &TRpWebSplitter::SetLeftFrame);
    P.String("RightFrame", &TRpWebSplitter::RightFrame, &TRpWebSplitter::SetRightFrame);
    P.String("Text", &TRpWebSplitter::Text, &TRpWebSplitter::SetText);
    P.String("TextClosed", &TRpWebSplitter::TextClosed, &TRpWebSplitter::SetTextClosed);
    P.String("RpWebColor", &TRpWebSplitter::RpWebColor, &TRpWebSplitter::SetRpWebColor);
    P.Integer("FlashColor", &TRpWebSplitter::FlashColor, &TRpWebSplitter::SetFlashColor).NoDefault();
    P.String("WebStatusMessage", &TRpWebSplitter::WebStatusMessage, &TRpWebSplitter::SetWebStatusMessage);
    P.String("WebStatusLabel", &TRpWebSplitter::WebStatusLabel, &TRpWebSplitter::SetWebStatusLabel);
    P.Integer("PositionMax", &TRpWebSplitter::PositionMax, &TRpWebSplitter::SetPositionMax).Default(0);
    P.Integer("PositionMin", &TRpWebSplitter::PositionMin, &TRpWebSplitter::SetPositionMin).Default(0);
    PublishBorder(P);
}

TRpWebInput::TRpWebInput(TComponent* AOwner) : TRpWebPrintable(AOwner) {}

void TRpWebInput::Published(TPublished<TRpWebInput>& P) {
    P.String("InitialValue", &TRpWebInput::InitialValue, &TRpWebInput::SetInitialValue);
    PublishBorder(P);
}

void TRpWebTabs::SetTabButtons(const String& Value) {
    if (!ComponentState().Contains(csLoading)) {
        TCustomRpReport* R = ReportOf(this);
        for (const String& N : SplitNames(Value)) {
            if (!Matches(FindOnFirstBand(R, N), TRef::Button)) {
                ShowMessage(u"'"_s + N + u"' is not a TRpWebButton control name"_s);
                return;
            }
        }
    }
    FTabButtons = Value;
}

void TRpWebTabs::SetSelectedColor(const String& Value) {
    TColor C;
    if (ParseWebColor(Value, C)) FSelectedColor = Value;
}

void TRpWebTabs::SetSelectedFontColor(const String& Value) {
    TColor C;
    if (ParseWebColor(Value, C)) FSelectedFontColor = Value;
}

void TRpWebTabs::Published(TPublished<TRpWebTabs>& P) {
    P.String("TabButtons", &TRpWebTabs::TabButtons, &TRpWebTabs::SetTabButtons);
    P.Integer("InitialTab", &TRpWebTabs::InitialTab, &TRpWebTabs::SetInitialTab).Default(0);
    P.String("SelectedColor", &TRpWebTabs::SelectedColor, &TRpWebTabs::SetSelectedColor);
    P.String("SelectedFontColor", &TRpWebTabs::SelectedFontColor, &TRpWebTabs::SetSelectedFontColor);
}

TRpWebCanvas::TRpWebCanvas(TComponent* AOwner) : TRpWebPrintable(AOwner), FRenderCode(NewOwned<TStringList>()) {}
TRpWebCanvas::~TRpWebCanvas() = default;
TStrings* TRpWebCanvas::RenderCode() const { return FRenderCode.get(); }
void TRpWebCanvas::SetRenderCode(TStrings* Value) { FRenderCode->Assign(Value); }

void TRpWebCanvas::Published(TPublished<TRpWebCanvas>& P) {
    P.Object("RenderCode", &TRpWebCanvas::RenderCode, &TRpWebCanvas::SetRenderCode);
    PublishBorder(P);
}

// ---- the export: elements and scripts ----------------------------------------------------------------

namespace {

// A script string literal of a text.
String Q(const String& S) { return u"\""_s + EscapeJS(S) + u"\""_s; }

// Text from a template: each "@KEY@" replaced in turn.
String Tpl(const char* Text, std::initializer_list<std::pair<const char*, String>> Subs) {
    String S = QString::fromUtf8(Text);
    for (const auto& [K, V] : Subs) S.replace(u'@' + QLatin1String(K) + u'@', V);
    return S;
}

void Js(TRpGHTMLDocumentFilter* F, const String& Text) {
    QStringList L = Text.split(u'\n');
    if (!L.isEmpty() && L.last().isEmpty()) L.removeLast();
    F->javalist << L;
}

String BorderText(TRpWebBorderStyles Style, TColor Color, TRpWebBorderWidths Width, int PixelWidth) {
    return u"border-style:"_s + WebBorderStyleText(Style) + u";border-color:"_s + HTMLColor(Color) + u";border-width:"_s +
           (PixelWidth >= 1 ? String::number(PixelWidth) + u"px;"_s : WebBorderWidthText(Width) + u";"_s);
}

String Visibility(TControl* C) { return C->Visible() ? u"visible"_s : u"hidden"_s; }
String DataCont(TObject* O) { return u" data-cont=\""_s + O->ClassName() + u"\" "_s; }

String RoundedRule(const String& N, int R, bool Shadow) {
    String S = u"#"_s + N + u"{position: relative;border: 8px solid #666;\t-webkit-border-radius: %1px; -moz-border-radius: %1px;border-radius: %1"_s.arg(R);
    S += Shadow ? u"px;-webkit-box-shadow: 2px 2px 4px #888;-moz-box-shadow: 2px 2px 4px #888;\tbox-shadow: 2px 2px 4px #888;}"_s : u"px;}"_s;
    return S;
}

void AddLoad(TRpGHTMLDocumentFilter* F, const String& S) { F->FDropDownsToLoad << S; }

void MouseMoveStopper(TRpGHTMLDocumentFilter* F, const String& N) {
    AddLoad(F, u"   document.getElementById(\""_s + N + u"\").addEventListener(\"mousemove\", "_s + N + u"mousemove);"_s);
    Js(F, u"function "_s + N + u"mousemove(e){ e=e || window.event; e.stopPropagation();}"_s);
}

const char* const PagePreamble = R"JS(  if (Target_num_pages == 0) { getDivContents(); }
  if (Target_num_pages == 0) { setStatus(@LBL@, "No pages loaded"); return; }
)JS";

// ---- scripts -------------------------------------------------------------------------------------

void ButtonScript(TRpGHTMLDocumentFilter* F, TRpWebButton* B) {
    const String N = B->Name();
    Js(F, Tpl("var @N@BC = @BC@;\nvar @N@FC = @FC@;", {{"N", N}, {"BC", Q(HTMLColor(B->Color()))}, {"FC", Q(HTMLColor(B->FlashColor()))}}));
    auto Hover = [&](const char* Fn, const String& Image, const String& Colour, const String& Status, bool Show) {
        String S = u"function "_s + N + QLatin1String(Fn) + u"() {\n  var el = document.getElementById("_s + Q(N) + u");\n"_s;
        if (!B->UseHTMLButton()) {
            if (!Image.isEmpty()) S += u"  if (el) el.style.background = \"url(\" + "_s + Q(Image) + u" + \")\";\n"_s;
            else S += u"  if (el) el.style.backgroundColor = "_s + Colour + u";\n"_s;
        }
        if (!B->WebStatusLabel().trimmed().isEmpty()) S += u"  setStatus("_s + Q(B->WebStatusLabel()) + u", "_s + Q(Status) + u");\n"_s;
        if (Show && !B->Hint().trimmed().isEmpty()) S += u"  showHint("_s + Q(N) + u", "_s + Q(B->Hint()) + u");\n"_s;
        if (!Show) S += u"  hideHint();\n"_s;
        Js(F, S + u"}"_s);
    };
    Hover("MouseEnter", B->URLOverImage(), N + u"FC"_s, B->WebStatusMessage(), true);
    Hover("MouseLeave", B->URLUpImage(), N + u"BC"_s, String(), false);

    auto* Option = dynamic_cast<TRpWebMenuOption*>(B);
    const String Close = Option && !Option->ParentMenu().trimmed().isEmpty() ? u"  "_s + Option->ParentMenu() + u"CloseParent();\n"_s : String();
    const String Disp = B->DisplayControl();
    const String Lbl = Q(B->WebPageLabel());
    const String Pre = Tpl(PagePreamble, {{"LBL", Lbl}});
    String Body;
    switch (B->ButtonAction()) {
        case TRpButtonAction::null: return;
        case TRpButtonAction::get:
            if (B->RequestURL().trimmed().isEmpty()) {
                ShowMessage(N + u" has no RequestURL. No code generated."_s);
                return;
            }
            if (Disp.trimmed().isEmpty()) {
                ShowMessage(N + u" has no DisplayControl. No code generated."_s);
                return;
            }
            Body = Tpl(R"JS(  Target_Control = @D@;
  CurrentPage = 1;
  Target_num_pages = 0;
  CurrentZoom = 1.0;
  CurrentRequestURL = @U@;
@STATUS@  ReportCont = @D@;
  initHTTPRequest();
  xmlhttp.open("GET", @U@, true);
  xmlhttp.setRequestHeader("Content-Type", "utf8");
  xmlhttp.send();
)JS",
                       {{"D", Q(Disp)}, {"U", Q(B->RequestURL())},
                        {"STATUS", B->WebPageLabel().trimmed().isEmpty() ? String() : u"  setStatus("_s + Lbl + u", \"Page 1\");\n"_s}});
            break;
        case TRpButtonAction::post: {
            const QStringList Inputs = SplitNames(B->WebInputName());
            if (B->RequestURL().trimmed().isEmpty()) {
                ShowMessage(N + u" has no RequestURL. No code generated."_s);
                return;
            }
            if (Inputs.isEmpty()) {
                ShowMessage(N + u" has no inputs. No code generated."_s);
                return;
            }
            Js(F, Tpl(R"JS(function @N@PostCallback() {
  if (xmlhttp.readyState == 4 && xmlhttp.status == 200) {
    var rc = document.getElementById(ReportCont);
    if (rc) rc.innerHTML = xmlhttp.responseText;
  }
})JS",
                      {{"N", N}}));
            Body = u"  var sendstr = \"\";\n"_s;
            for (int i = 0; i < Inputs.size(); ++i)
                Body += Tpl("  var v@I@ = getInputValue(@M@);\n  v@I@ = encodeURIComponent(v@I@);\n  sendstr = sendstr + encodeURIComponent(@M@) + \"=\" + v@I@ + \"&\";\n",
                            {{"I", String::number(i)}, {"M", Q(Inputs[i])}});
            Body += Tpl(R"JS(  sendstr = sendstr.substring(0, sendstr.length - 1);
  ReportCont = @D@;
  var rc = document.getElementById(ReportCont);
  if (rc) rc.scrollTop = 0;
  setStatus("pagelabel", "Page 1");
  Target_Control = @D@;
  CurrentPage = 1;
  Target_num_pages = 0;
  CurrentRequestURL = "";
  makePost(@U@, sendstr, @N@PostCallback);
)JS",
                        {{"D", Q(Disp)}, {"U", Q(B->RequestURL())}, {"N", N}});
            break;
        }
        case TRpButtonAction::inWindow:
            Body = u"  window.open("_s + Q(B->RequestURL()) + u", "_s + Q(B->RequestURL()) + u", "_s +
                   Q(u"left=%1,scrollbars=yes, top=%2, width=%3, height=%4"_s.arg(B->ReportWindowLeft())
                         .arg(B->ReportWindowTop())
                         .arg(B->ReportWindowWidth())
                         .arg(B->ReportWindowHeight())) +
                   u");\n"_s;
            break;
        case TRpButtonAction::first:
            Body = Pre + u"  CurrentPage = 1;\n  plist[CurrentPage-1].scrollIntoView();\n  setStatus("_s + Lbl + u", \"Page 1\");\n"_s;
            break;
        case TRpButtonAction::prev:
            Body = Pre + u"  CurrentPage = Math.max(CurrentPage - 1, 1);\n  plist[CurrentPage-1].scrollIntoView();\n  setStatus("_s + Lbl +
                   u", \"Page \" + CurrentPage);\n"_s;
            break;
        case TRpButtonAction::next:
            Body = Pre + u"  if (CurrentPage + 1 > Target_num_pages) return;\n  CurrentPage = CurrentPage + 1;\n"
                         u"  plist[CurrentPage-1].scrollIntoView();\n  setStatus("_s + Lbl + u", \"Page \" + CurrentPage);\n"_s;
            break;
        case TRpButtonAction::last:
            Body = Pre + u"  CurrentPage = Target_num_pages;\n  plist[CurrentPage-1].scrollIntoView();\n  setStatus("_s + Lbl +
                   u", \"Page \" + CurrentPage + \" (last)\");\n"_s;
            break;
        case TRpButtonAction::zoom:
            F->zoomCode = true;
            Body = Tpl(R"JS(  var p = parseFloat(getInputValue(@I@));
  if (isNaN(p) || p <= 0) return;
  var cscale = (p / 100) / CurrentZoom;
  setInputValue("zoomInput", Math.round(cscale * 100));
  var dc = document.getElementById(@D@);
  if (dc) {
    var kids = dc.children;
    for (var i = 0; i < kids.length; i++) {
      var k = kids[i];
      if (k.tagName != "DIV" && k.tagName != "A" && k.tagName != "P") continue;
      k.style.left = scaleV(numericStyleVal(k.style.left), @I@);
      k.style.top = scaleV(numericStyleVal(k.style.top), @I@);
      k.style.height = scaleV(numericStyleVal(k.style.height), @I@);
      k.style.width = scaleV(numericStyleVal(k.style.width), @I@);
      k.style.fontSize = scaleF(numericStyleVal(k.style.fontSize), @I@);
    }
  }
  CurrentZoom = p / 100;
  setInputValue("zoomInput", Math.round(p));
)JS",
                       {{"I", Q(B->WebInputName().trimmed())}, {"D", Q(Disp)}});
            break;
        case TRpButtonAction::scripted:
            for (int i = 0; i < B->ClickScript()->Count(); ++i) F->javalist << B->ClickScript()->Strings(i);
            return;
        case TRpButtonAction::testEcho:
            Body = u"  var d = document.getElementById("_s + Q(Disp) + u");\n  if (d) d.innerHTML += "_s + Q(EscapeHTML(N) + u" was clicked<br>"_s) +
                   u";\n"_s;
            break;
    }
    const bool Closes = B->ButtonAction() != TRpButtonAction::inWindow;
    // A menu option closes its menu after its action; the page actions that return early close it first.
    if (Closes && !Close.isEmpty()) Body = Body.replace(u"return;"_s, u"{ "_s + Close.trimmed() + u" return; }"_s) + Close;
    Js(F, u"function "_s + N + u"Click() {\n"_s + Body + u"}"_s);
}

void MenuScript(TRpGHTMLDocumentFilter* F, TRpWebMenu* M) {
    const String N = M->Name();
    const bool Sub = M->MenuMode() == subMenu;
    QStringList Kids = M->MenuOptions().split(u',', Qt::SkipEmptyParts);
    QStringList Subs = M->SubMenus().split(u',', Qt::SkipEmptyParts);
    QStringList Siblings;
    if (Sub) {
        if (auto* Parent = dynamic_cast<TRpWebMenu*>(FindOnFirstBand(ReportOf(M), M->ParentMenu())))
            for (const String& S : Parent->SubMenus().split(u',', Qt::SkipEmptyParts))
                if (S != N) Siblings << S;
    }
    auto Array = [](const QStringList& L) {
        QStringList Q_;
        for (const String& S : L) Q_ << Q(S);
        return u"["_s + Q_.join(u", "_s) + u"]"_s;
    };
    String CloseSiblings;
    for (const String& S : Siblings) CloseSiblings += u"  if (typeof "_s + S + u"Close == \"function\") "_s + S + u"Close();\n"_s;
    Js(F, Tpl(R"JS(var @N@Closed = true;
var @N@Expanded = 0;
var @N@Subs = [];
var @N@Submnus = [];
var @N@Kids = @KIDS@;
var @N@SubNames = @SUBS@;
function @N@Click() {
  if (!@N@Closed) { @N@Close(); return; }
  var me = document.getElementById(@QN@);
  if (!me) return;
  var top = numericStyleVal(me.style.top);
  var height = numericStyleVal(me.style.height);
  var left = numericStyleVal(me.style.left);
  var width = numericStyleVal(me.style.width);
  var ch = @CH@;
  @N@Subs = [];
  @N@Submnus = [];
@SIBLINGS@  for (var i = 0; i < @N@Kids.length; i++) {
    var k = document.getElementById(@N@Kids[i]);
    if (!k) continue;
    k.style.top = ch + "px";
    ch += numericStyleVal(k.style.height) + @BW@;
    k.style.left = (@LEFT@) + "px";
    k.style.visibility = "visible";
    @N@Subs.push(@PUSH@);
    if (@N@SubNames.indexOf(@N@Kids[i]) >= 0) @N@Submnus.push(@N@Kids[i]);
  }
  @N@Closed = false;
}
var @N@BC = @BC@;
var @N@FC = @FC@;
function @N@MouseEnter() {
  var el = document.getElementById(@QN@);
  if (el) el.style.backgroundColor = @N@FC;
@ENTER@}
function @N@MouseLeave() {
  var el = document.getElementById(@QN@);
  if (el) el.style.backgroundColor = @N@BC;
@LEAVE@  hideHint();
}
function @N@Close() {
  for (var i = 0; i < @N@Kids.length; i++) {
    var k = document.getElementById(@N@Kids[i]);
    if (k) k.style.visibility = "hidden";
  }
  for (var j = 0; j < @N@SubNames.length; j++) {
    var f = window[@N@SubNames[j] + "Close"];
    if (typeof f == "function") f();
  }
  @N@Closed = true;
}
function @N@CloseParent() {
  @CLOSEPARENT@
})JS",
              {{"N", N},
               {"QN", Q(N)},
               {"KIDS", Array(Kids)},
               {"SUBS", Array(Subs)},
               {"CH", Sub ? u"top"_s : u"top + height + 1"_s},
               {"SIBLINGS", CloseSiblings},
               {"BW", String::number(M->BorderPixelWidth())},
               {"LEFT", Sub ? u"left + width + "_s + String::number(M->BorderPixelWidth()) : u"left"_s},
               {"PUSH", Sub ? N + u"Kids[i]"_s : u"k"_s},
               {"BC", Q(HTMLColor(M->Color()))},
               {"FC", Q(HTMLColor(M->FlashColor()))},
               {"ENTER", (M->WebStatusLabel().trimmed().isEmpty() ? String() : u"  setStatus("_s + Q(M->WebStatusLabel()) + u", "_s + Q(M->WebStatusMessage()) + u");\n"_s) +
                             (M->Hint().trimmed().isEmpty() ? String() : u"  showHint("_s + Q(N) + u", "_s + Q(M->Hint()) + u");\n"_s)},
               {"LEAVE", M->WebStatusLabel().trimmed().isEmpty() ? String() : u"  setStatus("_s + Q(M->WebStatusLabel()) + u", \" \");\n"_s},
               {"CLOSEPARENT", Sub && !M->ParentMenu().trimmed().isEmpty()
                                   ? u"if (typeof "_s + M->ParentMenu() + u"CloseParent == \"function\") "_s + M->ParentMenu() + u"CloseParent(); else "_s + N + u"Close();"_s
                                   : N + u"Close();"_s}}));
}

void DropListScript(TRpGHTMLDocumentFilter* F, TRpWebDropList* D) {
    Js(F, Tpl(R"JS(function @N@Click() { @N@Reset("visible"); }
var seltxt = "";
function @N@ItemClick(inum) {
  var it = document.getElementById(@QN@ + "i" + inum);
  if (!it) return;
  seltxt = getContText(it);
  setText(@QN@, seltxt);
  @N@Reset("hidden");
}
function @N@Reset(vval) {
  if (vval != "hidden" && vval != "visible") vval = "hidden";
  for (var i = 0; i < @COUNT@; i++) {
    var it = document.getElementById(@QN@ + "i" + i);
    if (it) it.style.visibility = vval;
  }
}
function @N@ItemMouseEnter(n) {
  var it = document.getElementById(@QN@ + "i" + n);
  if (it) it.style.backgroundColor = @FLASH@;
}
function @N@ItemMouseLeave(n) {
  var it = document.getElementById(@QN@ + "i" + n);
  if (it) it.style.backgroundColor = @BACK@;
}
function @N@MouseEnter() {}
function @N@MouseLeave() {})JS",
              {{"N", D->Name()}, {"QN", Q(D->Name())}, {"COUNT", String::number(D->Items()->Count())},
               {"FLASH", Q(HTMLColor(D->ContentFlashColor()))}, {"BACK", Q(HTMLColor(D->Color()))}}));
}

void DataScript(TRpGHTMLDocumentFilter* F, TRpWebData* D) {
    if (!F->DoneWebData) {
        F->DoneWebData = true;
        Js(F, R"JS(var daynames = ["Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"];
var monthnames = ["January", "February", "March", "April", "May", "June", "July", "August", "September", "October", "November", "December"];)JS");
    }
    String Value;
    switch (D->DataType()) {
        case wShortDate: Value = u"currentdate.getDate() + \"/\" + (currentdate.getMonth() + 1) + \"/\" + currentdate.getFullYear()"_s; break;
        case wLongDate:
            Value = u"daynames[currentdate.getDay()] + \" \" + currentdate.getDate() + \" \" + monthnames[currentdate.getMonth()] + \" \" + currentdate.getFullYear()"_s;
            break;
        case wFullDateTime:
            Value = u"daynames[currentdate.getDay()] + \" \" + currentdate.getDate() + \" \" + monthnames[currentdate.getMonth()] + \" \" + "
                    "currentdate.getFullYear() + \" \" + currentdate.getHours() + \":\" + currentdate.getMinutes()"_s;
            break;
        case wTimehhmm: Value = u"currentdate.getHours() + \":\" + currentdate.getMinutes()"_s; break;
        case wTimehhmmss: Value = u"currentdate.getHours() + \":\" + currentdate.getMinutes() + \":\" + currentdate.getSeconds()"_s; break;
        case wDay: Value = u"daynames[currentdate.getDay()]"_s; break;
        case wMonth: Value = u"monthnames[currentdate.getMonth()]"_s; break;
        case wLocale: Value = u"currentdate.toLocaleString()"_s; break;
    }
    Js(F, Tpl("function @N@setData() {\n  var currentdate = new Date();\n  var datetime = @V@;\n  setText(@QN@, datetime);\n}",
              {{"N", D->Name()}, {"QN", Q(D->Name())}, {"V", Value}}));
}

void DropDownScript(TRpGHTMLDocumentFilter* F, TRpDropDown* D) {
    const bool FromFile = D->DropDownLoadMethod() == lm_fromFile;
    Js(F, Tpl(R"JS(function @N@Click() {
  var me = document.getElementById(@QN@);
  var panel = document.getElementById(@QN@ + "Cont");
  if (!me || !panel) return;
  var sign;
  if (panel.style.visibility == "hidden") {
    panel.style.visibility = "visible";
    me.innerHTML = @OPEN@;
    sign = 1;
@SRC@  } else {
    panel.style.visibility = "hidden";
    me.innerHTML = @CLOSED@;
    sign = -1;
  }
  var bottom = numericStyleVal(me.style.top) + numericStyleVal(me.style.height);
  var els = document.getElementsByClassName("rpcontrol");
  for (var i = 0; i < els.length; i++) {
    var e = els[i];
    if (e === panel) continue;
    var t = numericStyleVal(e.style.top);
    if (t >= bottom) e.style.top = (t + sign * @H@) + "px";
  }
})JS",
              {{"N", D->Name()}, {"QN", Q(D->Name())}, {"OPEN", Q(D->HTMLOpen())}, {"CLOSED", Q(D->HTMLClosed())},
               {"H", String::number(D->DropHeight())},
               {"SRC", FromFile ? u"    panel.src = "_s + Q(D->URLDropdownContent()) + u";\n"_s : String()}}));
    if (FromFile) AddLoad(F, u"   document.getElementById("_s + Q(D->Name()) + u").innerHTML = "_s + Q(D->HTMLClosed()) + u";"_s);
}

void FrameLoadScript(TRpGHTMLDocumentFilter* F, TRpReportFrame* R) {
    Js(F, Tpl(R"JS(function @N@LoadContent() {
  CurrentPage = 1;
  var req = new XMLHttpRequest();
  req.onreadystatechange = function() {
    if (req.readyState == 4 && req.status == 200) {
      var fr = document.getElementById(@QN@);
      if (fr) fr.innerHTML = req.responseText;
    }
  };
  req.open("GET", @U@, true);
  req.setRequestHeader("Content-Type", "utf8");
  req.send();
})JS",
              {{"N", R->Name()}, {"QN", Q(R->Name())}, {"U", Q(R->RequestURL())}}));
}

void CheckBoxScript(TRpGHTMLDocumentFilter* F, TRpWebCheckBox* C) {
    if (C->CheckBoxStyle() == cbHtml) return;
    const bool Image = C->CheckBoxStyle() == cbImage;
    Js(F, Tpl(R"JS(function @N@Click() {
  var el = document.getElementById(@QN@);
  if (!el) return;
  if (el.getAttribute("data-checked") == "checked") {
    @OFF@;
    el.setAttribute("data-checked", "unchecked");
  } else {
    @ON@;
    el.setAttribute("data-checked", "checked");
  }
})JS",
              {{"N", C->Name()},
               {"QN", Q(C->Name())},
               {"OFF", Image ? u"el.style.background = \"url(\" + "_s + Q(C->URLUnCheckedImage()) + u" + \")\""_s : u"setText("_s + Q(C->Name()) + u", "_s + Q(C->Text()) + u")"_s},
               {"ON", Image ? u"el.style.background = \"url(\" + "_s + Q(C->URLCheckedImage()) + u" + \")\""_s : u"setText("_s + Q(C->Name()) + u", "_s + Q(C->CheckedText()) + u")"_s}}));
}

void PageSelectScript(TRpGHTMLDocumentFilter* F, TRpWebPageSelect* S) {
    if (S->PageButton().trimmed().isEmpty()) return;
    Js(F, Tpl(R"JS(function @B@Click() {
@PRE@  var n = parseInt(getInputValue(@I@), 10);
  if (isNaN(n)) { n = 1; setInputValue(@I@, n); }
  if (n < 1) n = 1;
  if (n > Target_num_pages) { n = Target_num_pages; setInputValue(@I@, n); }
  CurrentPage = n;
  plist[n - 1].scrollIntoView();
  setStatus(@LBL@, "Page " + n);
})JS",
              {{"B", S->PageButton()}, {"PRE", Tpl(PagePreamble, {{"LBL", Q(S->WebPageLabel())}})}, {"I", Q(S->PageInput())},
               {"LBL", Q(S->WebPageLabel())}}));
}

void FinderScript(TRpGHTMLDocumentFilter* F, TRpWebFinder* W) {
    if (W->SearchButton().trimmed().isEmpty()) return;
    const bool HasNext = !W->NextButton().trimmed().isEmpty();
    String WordCheck;
    if (!W->SearchWordCheck().trimmed().isEmpty())
        WordCheck = W->CheckBoxStyle() != cbHtml
                        ? u"  var wc = document.getElementById("_s + Q(W->SearchWordCheck()) + u");\n  if (wc && wc.getAttribute(\"data-checked\") == \"checked\") RpWHilitor.setMatchType(\"def\");\n"_s
                        : u"  var wc = document.getElementById("_s + Q(W->SearchWordCheck()) + u");\n  if (wc && wc.checked) RpWHilitor.setMatchType(\"def\");\n"_s;
    Js(F, Tpl(R"JS(var searchHits = [];
var currentHit = 0;
var currSearchText = "";
var RpWHilitor = null;
function resetSearch() {
  searchHits.length = 0;
  currentHit = 0;
  currSearchText = "";
  setStatus(@LBL@, "");
}
function gotoNextHit() {
  if (searchHits.length == 0) return;
  currentHit = (currentHit + 1) % searchHits.length;
  searchHits[currentHit].scrollIntoView();
  setStatus(@LBL@, "hit " + (currentHit + 1) + " of " + searchHits.length);
}
function @B@Click() {
  if (typeof Hilitor != "function") return;
  var stext = String(getInputValue(@I@));
  if (stext == "" || stext == "0") { setStatus(@LBL@, @ERR@); return; }
@AGAIN@  RpWHilitor = new Hilitor(@T@, "EM", searchHits);
  RpWHilitor.setMatchType("open");
@WORD@  currSearchText = stext;
  currentHit = 0;
  var n = RpWHilitor.apply(stext);
  setStatus(@LBL@, " found " + n);
  if (searchHits.length > 0) searchHits[0].scrollIntoView();
})JS",
              {{"B", W->SearchButton()}, {"LBL", Q(W->SearchLabel())}, {"I", Q(W->SearchInput())}, {"ERR", Q(W->NoTextErrorMsg())},
               {"T", Q(W->TargetFrame())},
               {"WORD", WordCheck},
               {"AGAIN", HasNext ? String() : u"  if (stext == currSearchText && searchHits.length > 0) { gotoNextHit(); return; }\n"_s}}));
    if (HasNext)
        Js(F, Tpl(R"JS(function @B@MouseEnter() { setStatus(@LBL@, "Move to search text"); }
function @B@MouseLeave() { setStatus(@LBL@, ""); }
function @B@Click() { gotoNextHit(); })JS",
                  {{"B", W->NextButton()}, {"LBL", Q(W->SearchLabel())}}));
}

void IndexScript(TRpGHTMLDocumentFilter* F, TRpWebIndex* W) {
    if (!W->IndexButton().trimmed().isEmpty())
        Js(F, Tpl("function @B@Click() { makeIndex(@C@, @I@, @K@, false); }",
                  {{"B", W->IndexButton()}, {"C", Q(W->ContentFrame())}, {"I", Q(W->IndexFrame())}, {"K", Q(W->IndexControl())}}));
    const String Listener = u"   document.getElementById("_s + Q(W->IndexFrame()) + u").addEventListener(\"click\", "_s + W->IndexFrame() + u"Click);"_s;
    if (F->FDropDownsToLoad.contains(Listener)) return;
    AddLoad(F, Listener);
    Js(F, Tpl(R"JS(var @IF@Marked = null;
function @IF@Click(e) {
  e = e || window.event;
  var fr = document.getElementById(@I@);
  var cont = document.getElementById(@C@);
  if (!fr || !cont) return;
  var y = e.clientY - fr.getBoundingClientRect().top + fr.scrollTop;
  var el = getHits(fr, y);
  if (!el) return;
  var name = sindNames[selIndex];
  var pos = indNames.indexOf(name);
  if (pos < 0) return;
  cont.scrollTop = numericStyleVal(indYs[pos]) - 25;
  if (@IF@Marked) @IF@Marked.style.backgroundColor = "transparent";
  el.style.backgroundColor = "#F0C0C0";
  @IF@Marked = el;
})JS",
              {{"IF", W->IndexFrame()}, {"I", Q(W->IndexFrame())}, {"C", Q(W->ContentFrame())}}));
}

void ExtractorScript(TRpGHTMLDocumentFilter* F, TRpWebPageExtractor* W) {
    if (!F->DoneExtractPage) {
        F->DoneExtractPage = true;
        Js(F, R"JS(function extractPage(plabel, pinput, srcframe, targframe) {
  if (Target_num_pages == 0) { Target_Control = srcframe; getDivContents(); }
  if (Target_num_pages == 0) { setStatus(plabel, "No pages loaded"); return; }
  var n = parseInt(getInputValue(pinput), 10);
  if (isNaN(n)) { n = 1; setInputValue(pinput, n); }
  if (n < 1) n = 1;
  if (n > Target_num_pages) { n = Target_num_pages; setInputValue(pinput, n); }
  var src = document.getElementById(srcframe);
  var targ = document.getElementById(targframe);
  if (!src || !targ) return;
  var top = numericStyleVal(plist[n - 1].style.top);
  var bottom = n < plist.length ? numericStyleVal(plist[n].style.top) : Infinity;
  targ.innerHTML = "";
  var divs = src.getElementsByTagName("DIV");
  for (var i = 0; i < divs.length; i++) {
    var t = numericStyleVal(divs[i].style.top);
    if (t >= top && t < bottom) {
      var c = divs[i].cloneNode(true);
      c.style.top = (t - top) + "px";
      targ.appendChild(c);
    }
  }
  setStatus(plabel, "Page " + n);
})JS");
    }
    if (!W->SelectButton().trimmed().isEmpty())
        Js(F, Tpl("function @B@Click() { extractPage(@L@, @I@, @C@, @D@); }",
                  {{"B", W->SelectButton()}, {"L", Q(W->PageLabel())}, {"I", Q(W->PageInput())}, {"C", Q(W->ContentFrame())},
                   {"D", Q(W->DisplayFrame())}}));
}

void CrossTabScript(TRpGHTMLDocumentFilter* F, TRpWebCrossTab* X) {
    const String Border = String::number(X->BorderWidth()) + u"px solid "_s + HTMLColor(X->BorderColor());
    if (!F->DoneCrossTab) {
        F->DoneCrossTab = true;
        F->FStylesheet << u" table { border: "_s + Border + u"; border-collapse:collapse; font-size:"_s + String::number(X->FontSize()) + u"pt;}"_s
                       << u" td {align:right;  border: "_s + Border + u"; padding: "_s + String::number(X->Padding()) + u"px; }"_s
                       << u" th { height: "_s + String::number(X->RowHeight()) + u"px; color:"_s + HTMLColor(X->HeadingColor()) +
                              u"; background-color:"_s + HTMLColor(X->HeadingBackground()) + u"; border: "_s + Border + u"; padding: "_s +
                              String::number(X->Padding()) + u"px; }"_s
                       << u" "_s;
        Js(F, R"JS(var xtabRownames = [];
var xtabRowfield = "";
var xtabColnames = [];
var xtabColfield = "";
var xtabnumrows = 0;
var xtabnumcols = 0;
var xtabDatafield = "";
var xtabData = [];
var maxcolw = 0;
var xtabfontsize = 10;
var xtabTitle = "(xtabTitle is unset)";
function numval(ns) {
  var s = String(ns);
  var dot = s.indexOf(".");
  if (dot >= 0) s = s.substring(0, dot);
  var d = s.replace(/[^0-9-]/g, "");
  var v = parseInt(d, 10);
  return isNaN(v) ? 0 : v;
}
function doXtab(srcId, dispId, tableName, rowTotals, colTotals, offX, offY, dataInput) {
  var src = document.getElementById(srcId);
  var disp = document.getElementById(dispId);
  if (!src || !disp) return;
  if (dataInput != "") {
    xtabDatafield = getText(dataInput);
    if (String(xtabDatafield).indexOf("Select") >= 0) { disp.innerHTML = "<p>Please select a variable to analyse</p>"; return; }
  }
  xtabRownames = []; xtabColnames = []; xtabData = [];
  var divs = src.getElementsByTagName("DIV");
  var rows = [], cols = [], vals = [];
  for (var i = 0; i < divs.length; i++) {
    var t = getContText(divs[i]);
    if (divs[i].id == xtabRowfield) { rows.push(t); if (xtabRownames.indexOf(t) < 0) xtabRownames.push(t); }
    else if (divs[i].id == xtabColfield) { cols.push(t); if (xtabColnames.indexOf(t) < 0) xtabColnames.push(t); }
    else if (divs[i].id == xtabDatafield) vals.push(numval(t));
  }
  xtabnumrows = xtabRownames.length + (colTotals ? 1 : 0);
  xtabnumcols = xtabColnames.length + (rowTotals ? 1 : 0);
  for (var r = 0; r < xtabnumrows; r++) { xtabData.push([]); for (var c = 0; c < xtabnumcols; c++) xtabData[r].push(0); }
  var n = Math.min(rows.length, cols.length, vals.length);
  for (var k = 0; k < n; k++) {
    var ri = xtabRownames.indexOf(rows[k]), ci = xtabColnames.indexOf(cols[k]);
    if (ri < 0 || ci < 0) { disp.innerHTML = "bad index<br>"; return; }
    xtabData[ri][ci] += vals[k];
    if (rowTotals) xtabData[ri][xtabColnames.length] += vals[k];
    if (colTotals) { xtabData[xtabRownames.length][ci] += vals[k]; if (rowTotals) xtabData[xtabRownames.length][xtabColnames.length] += vals[k]; }
  }
  var colNames = xtabColnames.slice(); if (rowTotals) colNames.push("Total");
  var rowNames = xtabRownames.slice(); if (colTotals) rowNames.push("Total");
  var h = "<table id=\"" + rpEscapeHtml(tableName) + "\" style=\"position:absolute;left:" + offX + "px;top:" + offY + "px;\">";
  h += "<tr><th colspan=\"" + (colNames.length + 1) + "\">" + rpEscapeHtml(xtabTitle) + "</th></tr><tr><th></th>";
  for (var c2 = 0; c2 < colNames.length; c2++) h += "<th>" + rpEscapeHtml(colNames[c2]) + "</th>";
  h += "</tr>";
  for (var r2 = 0; r2 < rowNames.length; r2++) {
    h += "<tr><th>" + rpEscapeHtml(rowNames[r2]) + "</th>";
    for (var c3 = 0; c3 < colNames.length; c3++) h += "<td style=\"text-align:right;width:70px\">" + xtabData[r2][c3] + "</td>";
    h += "</tr>";
  }
  disp.innerHTML = h + "</table>";
})JS");
    }
    if (!X->XTabButton().trimmed().isEmpty())
        Js(F, Tpl(R"JS(function @B@Click() {
  xtabRowfield = @R@;
  xtabColfield = @C@;
@DATA@  xtabTitle = @T@;
  doXtab(@SRC@, @DISP@, @TN@, @RT@, @CT@, @OX@, @OY@, @IN@);
})JS",
                  {{"B", X->XTabButton()}, {"R", Q(X->RowField())}, {"C", Q(X->ColumnField())},
                   {"DATA", X->UseDataVarInput() ? String() : u"  xtabDatafield = "_s + Q(X->DataVariable()) + u";\n"_s},
                   {"T", Q(X->XTabTitle())}, {"SRC", Q(X->ContentFrame())}, {"DISP", Q(X->DisplayFrame())}, {"TN", Q(X->DisplayTablename())},
                   {"RT", X->DoRowTotals() ? u"true"_s : u"false"_s}, {"CT", X->DoColumnTotals() ? u"true"_s : u"false"_s},
                   {"OX", String::number(X->TableOffsetX())}, {"OY", String::number(X->TableOffsetY())},
                   {"IN", X->UseDataVarInput() ? Q(X->DataFieldInput()) : u"\"\""_s}}));
}

void TabsScript(TRpGHTMLDocumentFilter* F, TRpWebTabs* T) {
    TCustomRpReport* R = ReportOf(T);
    std::vector<TRpWebButton*> Buttons;
    for (const String& N : SplitNames(T->TabButtons()))
        if (auto* B = dynamic_cast<TRpWebButton*>(FindOnFirstBand(R, N))) Buttons.push_back(B);
    if (Buttons.empty()) return;
    bool ImageMode = true;
    for (TRpWebButton* B : Buttons) ImageMode = ImageMode && !B->URLUpImage().isEmpty() && !B->URLOverImage().isEmpty();
    const String N = T->Name();
    const String FontColor = Q(HTMLColor(T->Font()->Color()));
    String Reset = u"var tb;\nfunction "_s + N + u"ResetTabs() {\n"_s;
    for (TRpWebButton* B : Buttons) {
        const String BN = B->Name();
        Reset += u"  tb = document.getElementById("_s + Q(BN) + u");\n  if (tb) {\n    tb.onmouseenter = "_s + BN + u"MouseEnter;\n    tb.onmouseleave = "_s + BN +
                 u"MouseLeave;\n"_s +
                 (ImageMode ? u"    tb.style.background = \"url(\" + "_s + Q(B->URLUpImage()) + u" + \")\";\n"_s
                            : u"    tb.style.backgroundColor = "_s + BN + u"BC;\n"_s) +
                 u"    tb.style.color = "_s + FontColor + u";\n  }\n"_s;
    }
    Js(F, Reset + u"}\nfunction DoNil() {}"_s);
    for (TRpWebButton* B : Buttons) {
        const String BN = B->Name();
        AddLoad(F, u"   document.getElementById("_s + Q(BN) + u").onclick = "_s + BN + u"TClick;"_s);
        Js(F, Tpl(R"JS(function @B@TClick() {
  @N@ResetTabs();
  if (typeof @B@Click == "function") @B@Click();
  var el = document.getElementById(@QB@);
  if (!el) return;
  @LOOK@;
  el.style.color = @SF@;
  el.onmouseenter = DoNil;
  el.onmouseleave = DoNil;
})JS",
                  {{"B", BN}, {"N", N}, {"QB", Q(BN)},
                   {"LOOK", ImageMode ? u"el.style.background = \"url(\" + "_s + Q(B->URLOverImage()) + u" + \")\""_s
                                      : u"el.style.backgroundColor = "_s + Q(T->SelectedColor())},
                   {"SF", Q(T->SelectedFontColor())}}));
    }
    if (T->InitialTab() >= 0 && T->InitialTab() < int(Buttons.size()))
        AddLoad(F, u"   "_s + Buttons[std::size_t(T->InitialTab())]->Name() + u"TClick();"_s);
}

void CanvasScript(TRpGHTMLDocumentFilter* F, TRpWebCanvas* C) {
    const String N = C->Name();
    if (C->RenderCode()->Count() == 0) {
        C->RenderCode()->Add(u"function "_s + N + u"Draw() {"_s);
        C->RenderCode()->Add(u"  var c = document.getElementById("_s + Q(N) + u");"_s);
        C->RenderCode()->Add(u"  if (!c || !c.getContext) return;"_s);
        C->RenderCode()->Add(u"  var ctx = c.getContext(\"2d\");"_s);
        C->RenderCode()->Add(u"  ctx.fillStyle = \"#C00000\";"_s);
        C->RenderCode()->Add(u"  ctx.fillText(\"This control needs code\", 15, 15);"_s);
        C->RenderCode()->Add(u"}"_s);
    }
    // The element's handlers do nothing unless the render code defines them (a later definition wins).
    Js(F, u"function "_s + N + u"Click() {}\nfunction "_s + N + u"Mouseenter() {}\nfunction "_s + N + u"Mouseleave() {}"_s);
    for (int i = 0; i < C->RenderCode()->Count(); ++i) F->javalist << C->RenderCode()->Strings(i);
    AddLoad(F, u"   "_s + N + u"Draw();"_s);
}

// The frames (and splitters) beside a dragging splitter, and the limits of its position.
void DragLimits(TRpWebSplitter* S, int& Lowest, int& Highest, QStringList& Before, QStringList& After) {
    const bool Vertical = S->Direction() == UpDown;
    TWinControl* Band = FirstBand(ReportOf(S));
    Lowest = 0;
    Highest = Band ? (Vertical ? Band->Height() - Band->Top() : Band->Width() - Band->Left()) : 10000;
    if (Band) {
        for (int i = 0; i < Band->ControlCount(); ++i) {
            TControl* C = Band->Controls(i);
            if (C == S || (C->ClassName() != u"TRpReportFrame"_s && C->ClassName() != u"TRpWebSplitter"_s)) continue;
            auto* Fr = dynamic_cast<TRpReportFrame*>(C);
            const int Margin = Fr ? (Vertical ? Fr->MinimumHeight() : Fr->MinimumWidth()) : (Vertical ? 20 : 15);
            if (Vertical) {
                if (C->Left() < S->Left() || C->Left() + C->Width() > S->Left() + S->Width()) continue;
                const int Above = S->Top() - (C->Top() + C->Height()), Below = C->Top() - (S->Top() + S->Height());
                if (Above >= 1 && Above <= 14) {
                    Before << C->Name();
                    Lowest = std::max(Lowest, C->Top() + Margin);
                } else if (Below >= 1 && Below <= 14) {
                    After << C->Name();
                    Highest = std::min(Highest, C->Top() + C->Height() - Margin);
                }
            } else {
                if (C->Top() < S->Top() || C->Top() + C->Height() > S->Top() + S->Height()) continue;
                const int Left = S->Left() - (C->Left() + C->Width()), Right = C->Left() - (S->Left() + S->Width());
                if (Left >= 1 && Left <= 14) {
                    Before << C->Name();
                    Lowest = std::max(Lowest, C->Left() + Margin);
                } else if (Right >= 1 && Right <= 14) {
                    After << C->Name();
                    Highest = std::min(Highest, C->Left() + C->Width() - Margin);
                }
            }
        }
    }
    if (Lowest < S->PositionMin()) Lowest = S->PositionMin();
    if (S->PositionMax() > 0 && S->PositionMax() < Highest) Highest = S->PositionMax();
    Lowest = std::max(Lowest, 100);
}

void SplitterScript(TRpGHTMLDocumentFilter* F, TRpWebSplitter* S) {
    const String N = S->Name();
    const bool Vertical = S->Direction() == UpDown;
    Js(F, Tpl(R"JS(function @N@MouseEnter() {
@STATUS@  var el = document.getElementById(@QN@);
  if (el) el.style.backgroundColor = @FLASH@;
}
function @N@MouseLeave() {
@CLEAR@  var el = document.getElementById(@QN@);
  if (el) el.style.backgroundColor = @BACK@;
})JS",
              {{"N", N}, {"QN", Q(N)}, {"FLASH", Q(HTMLColor(S->FlashColor()))}, {"BACK", Q(HTMLColor(S->Brush()->Color()))},
               {"STATUS", S->WebStatusLabel().trimmed().isEmpty() ? String() : u"  setStatus("_s + Q(S->WebStatusLabel()) + u", "_s + Q(S->WebStatusMessage()) + u");\n"_s},
               {"CLEAR", S->WebStatusLabel().trimmed().isEmpty() ? String() : u"  setStatus("_s + Q(S->WebStatusLabel()) + u", \" \");\n"_s}}));
    if (S->ActionMode() == drag) {
        int Lowest, Highest;
        QStringList Before, After;
        DragLimits(S, Lowest, Highest, Before, After);
        auto Array = [](const QStringList& L) {
            QStringList R;
            for (const String& X : L) R << Q(X);
            return u"["_s + R.join(u", "_s) + u"]"_s;
        };
        // The element's click does nothing for a dragging splitter.
        Js(F, Tpl(R"JS(function @N@Click() {}
var @N@selected = null;
var @N@pos = 0;
var @N@moff = 0;
var @N@BC = "";
var @N@Before = @BEFORE@;
var @N@After = @AFTER@;
function pauseEvent(e) {
  if (e.stopPropagation) e.stopPropagation();
  if (e.preventDefault) e.preventDefault();
  return false;
}
function @N@mousedown(e) {
  e = e || window.event;
  var el = document.getElementById(@QN@);
  if (!el) return;
  @N@selected = el;
  @N@pos = numericStyleVal(el.style.@EDGE@);
  @N@moff = e.@CLIENT@ - @N@pos;
  @N@BC = el.style.borderColor;
  el.style.borderColor = "red";
  pauseEvent(e);
}
function @N@docmousemove(e) {
  e = e || window.event;
  if (!@N@selected) return;
  var p = e.@CLIENT@ - @N@moff;
  var stop = false;
  if (p <= @LOW@) { p = @LOW@ + 2; stop = true; }
  if (p >= @HIGH@) { p = @HIGH@ - 2; stop = true; }
  var d = p - @N@pos;
  @N@selected.style.@EDGE@ = p + "px";
  for (var i = 0; i < @N@Before.length; i++) {
    var b = document.getElementById(@N@Before[i]);
    if (b) b.style.@SIZE@ = (numericStyleVal(b.style.@SIZE@) + d) + "px";
  }
  for (var j = 0; j < @N@After.length; j++) {
    var a = document.getElementById(@N@After[j]);
    if (a) {
      a.style.@SIZE@ = (numericStyleVal(a.style.@SIZE@) - d) + "px";
      a.style.@EDGE@ = (numericStyleVal(a.style.@EDGE@) + d) + "px";
    }
  }
  @N@pos = p;
  if (stop) @N@mouseup(e);
  pauseEvent(e);
}
function @N@mouseup(e) {
  if (!@N@selected) return;
  @N@selected.style.borderColor = @N@BC;
  @N@selected = null;
  if (window.getSelection) window.getSelection().removeAllRanges();
})JS",
                  {{"N", N}, {"QN", Q(N)}, {"BEFORE", Array(Before)}, {"AFTER", Array(After)},
                   {"EDGE", Vertical ? u"top"_s : u"left"_s}, {"SIZE", Vertical ? u"height"_s : u"width"_s},
                   {"CLIENT", Vertical ? u"clientY"_s : u"clientX"_s}, {"LOW", String::number(Lowest)},
                   {"HIGH", String::number(Highest)}}));
        AddLoad(F, u"   document.addEventListener(\"mousemove\", "_s + N + u"docmousemove);"_s);
        AddLoad(F, u"   document.getElementById("_s + Q(N) + u").addEventListener(\"mouseup\", "_s + N + u"mouseup);"_s);
        AddLoad(F, u"   document.getElementById("_s + Q(N) + u").addEventListener(\"mousedown\", "_s + N + u"mousedown);"_s);
        return;
    }
    // Collapse (toSplitter or click): the controls between the other splitter (or the top) and
    // this one are hidden; those below move up, frames grow by the distance.
    if (Vertical) {
        Js(F, Tpl(R"JS(var @N@Up = 0;
var @N@_otop = 0;
var @N@Hidden = [];
var @N@Moved = [];
var @N@Heights = [];
function @N@Click() {
  if (@N@Up) { @N@Reset(); return; }
  var me = document.getElementById(@QN@);
  if (!me) return;
  var splitTop = numericStyleVal(me.style.top);
  var btop = 0, bheight = 0;
@TOP@  @N@_otop = splitTop - btop - bheight;
  var els = document.body.getElementsByClassName("rpcontrol");
  for (var i = 0; i < els.length; i++) {
    var e = els[i];
    var t = numericStyleVal(e.style.top);
    if (t > btop + bheight && t < splitTop && e.style.visibility != "hidden") {
      e.style.visibility = "hidden";
      @N@Hidden.push(e);
    } else if (t >= splitTop) {
      var nt = t - splitTop + btop + bheight + 2;
      e.style.top = nt + "px";
      @N@Moved.push(e);
      @N@Heights.push(e.style.height);
      if (e.getAttribute("data-cont") == "TRpReportFrame") e.style.height = (numericStyleVal(e.style.height) + (t - nt)) + "px";
    }
  }
  @N@Up = 1;
  setStatus(@QN@, @CLOSED@);
}
function @N@Reset() {
  for (var i = 0; i < @N@Moved.length; i++) {
    var e = @N@Moved[i];
    e.style.top = (numericStyleVal(e.style.top) + @N@_otop - 2) + "px";
    e.style.height = @N@Heights[i];
  }
  for (var j = 0; j < @N@Hidden.length; j++) @N@Hidden[j].style.visibility = "visible";
  @N@Hidden = [];
  @N@Moved = [];
  @N@Heights = [];
  @N@Up = 0;
  setStatus(@QN@, @TEXT@);
})JS",
                  {{"N", N}, {"QN", Q(N)}, {"CLOSED", Q(S->TextClosed())}, {"TEXT", Q(S->Text())},
                   {"TOP", S->ActionMode() == toSplitter && !S->TopSplitterName().trimmed().isEmpty()
                               ? u"  var ts = document.getElementById("_s + Q(S->TopSplitterName()) +
                                     u");\n  if (ts) { btop = numericStyleVal(ts.style.top); bheight = numericStyleVal(ts.style.height); }\n"_s
                               : String()}}));
    } else {
        Js(F, Tpl(R"JS(var @N@Closed = 0;
var @N@_oleft = 0;
var @N@Hidden = [];
var @N@Moved = [];
function @N@Click() {
  if (@N@Closed) { @N@Reset(); return; }
  var me = document.getElementById(@QN@);
  if (!me) return;
  var sl = numericStyleVal(me.style.left);
  var st = numericStyleVal(me.style.top);
  var sb = st + numericStyleVal(me.style.height);
  @N@_oleft = sl;
  var els = document.body.getElementsByClassName("rpcontrol");
  for (var i = 0; i < els.length; i++) {
    var e = els[i];
    var l = numericStyleVal(e.style.left);
    var t = numericStyleVal(e.style.top);
    if (l >= 0 && l < sl && t >= st && t < sb) {
      e.style.visibility = "hidden";
      @N@Hidden.push(e);
    } else if (e.style.visibility != "hidden" && l >= sl && t >= st) {
      e.style.left = (l - sl + 2) + "px";
      if (e !== me && e.getAttribute("data-cont") != "TRpWebButton") e.style.width = (numericStyleVal(e.style.width) + sl - 2) + "px";
      @N@Moved.push(e);
    }
  }
  @N@Closed = 1;
}
function @N@Reset() {
  var me = document.getElementById(@QN@);
  for (var i = 0; i < @N@Moved.length; i++) {
    var e = @N@Moved[i];
    e.style.left = (numericStyleVal(e.style.left) + @N@_oleft - 2) + "px";
    if (e !== me && e.getAttribute("data-cont") != "TRpWebButton") e.style.width = (numericStyleVal(e.style.width) - @N@_oleft + 2) + "px";
  }
  for (var j = 0; j < @N@Hidden.length; j++) @N@Hidden[j].style.visibility = "visible";
  @N@Hidden = [];
  @N@Moved = [];
  @N@Closed = 0;
})JS",
                  {{"N", N}, {"QN", Q(N)}}));
    }
}

// ---- elements ------------------------------------------------------------------------------------

void LabelElement(TRpGHTMLDocumentFilter* F, TRpWebLabel* L, int x, int y) {
    const String N = L->Name();
    const int W = L->Width(), H = L->Height();
    TFont* Font = L->Font();
    const String Bg = L->Transparent() ? u"transparent"_s : HTMLColor(L->Color());
    const String Align = L->Alignment() == taLeftJustify ? u"left"_s : L->Alignment() == taRightJustify ? u"right"_s : u"center"_s;
    String LineHeight = u"normal"_s;
    if (L->VerticalAlignment() == tlCenter) LineHeight = String::number(H) + u"px"_s;
    else if (L->VerticalAlignment() == tlBottom) LineHeight = String::number(Round(Font->Size() * 2.0L / 3) + H) + u"px"_s;
    const String Weight = Font->Style().Contains(fsBold) ? u"Bold"_s : u"normal"_s;
    const String Italic = Font->Style().Contains(fsItalic) ? u"font-style:italic;"_s : String();
    const String Caption = L->CaptionIsHtml() ? L->Caption() : EscapeHTML(L->Caption()).replace(u' ', u"&nbsp;"_s);
    if (L->RoundedCorners()) {
        if (L->CornerRadius() < 5) L->SetCornerRadius(5);
        F->FStylesheet << RoundedRule(N, L->CornerRadius(), L->UseShadow());
    }
    const bool Button = L->Is<TRpWebButton>();
    String Events;
    if (L->Is<TRpWebDropList>() || Button)
        Events = u" onclick=\"%1Click()\" onmouseenter=\"%1MouseEnter()\" onmouseleave=\"%1MouseLeave()\" "_s.arg(N);
    else if (L->Is<TRpDropDown>())
        Events = u" onclick=\"%1Click()\" "_s.arg(N);
    String Vis = Visibility(L);
    if (L->Is<TRpWebMenuOption>()) {
        Vis = u"hidden"_s;
        MouseMoveStopper(F, N);
    } else if (auto* M = dynamic_cast<TRpWebMenu*>(L); M && M->MenuMode() == subMenu) {
        Vis = u"hidden"_s;
    }
    const String Cursor = WebCursorText(L->WebCursor());
    const String Border = BorderText(L->BorderStyle(), L->BorderColor(), L->BorderWidth(), L->BorderPixelWidth());
    auto* B = dynamic_cast<TRpWebButton*>(L);
    const String Styles = u"text-align:"_s + Align + u";line-height:"_s + LineHeight + u";font-family:"_s + EscapeHTML(Font->Name()) +
                          u";font-size:"_s + String::number(Font->Size()) + u"pt;font-weight:"_s + Weight + u";"_s + Italic + u"color:"_s +
                          HTMLColor(Font->Color()) + u";background-color:"_s + Bg + u";"_s + Border;
    if (B && B->UseHTMLButton()) {
        F->AddLine(u"<BUTTON ID=\""_s + N + u"\" class=\"rpcontrol\""_s + Events + DataCont(L) + u" style=\"visibility:"_s + Vis + u";cursor:"_s +
                   Cursor + u";position:absolute;left:%1px;top:%2px;width:%3px;height:%4px\">"_s.arg(x).arg(y).arg(W).arg(H) + Caption +
                   u"</BUTTON>"_s);
    } else {
        const String UpImage = B && !B->URLUpImage().isEmpty() ? u"background:url("_s + EscapeHTML(B->URLUpImage()) + u");"_s : String();
        F->AddLine(u"<DIV ID=\""_s + N + u"\" "_s + DataCont(L) + Events + u" class=\"rpcontrol\" style=\"overflow:hidden;visibility:"_s + Vis +
                   u";cursor:"_s + Cursor + u";position:absolute;top:%1px;left:%2px;width:%3px;height:%4px;"_s.arg(y).arg(x).arg(W).arg(H) +
                   Styles + UpImage + u"\">"_s + Caption + u"</DIV>"_s);
    }

    if (auto* D = dynamic_cast<TRpWebDropList*>(L)) {
        if (D->Items()->Count() == 0) ShowMessage(u"Warning : "_s + N + u" has no items."_s);
        AddLoad(F, u"   document.addEventListener(\"mousemove\", "_s + N + u"Reset);"_s);
        MouseMoveStopper(F, N);
        for (int i = 0; i < D->Items()->Count(); ++i) {
            const String Id = N + u"i"_s + String::number(i);
            F->AddLine(u"<DIV ID=\""_s + Id + u"\" "_s + u" onclick=\"%1ItemClick(%2)\"   onmouseenter=\"%1ItemMouseEnter(%2)\" onmouseleave=\"%1ItemMouseLeave(%2)\" "_s.arg(N).arg(i) +
                       u" class=\"rpcontrol\" style=\"overflow:hidden;visibility:hidden;cursor:"_s + Cursor +
                       u";position:absolute;top:%1px;left:%2px;width:%3px;height:%4px;"_s.arg(y + H * (i + 1) + 1).arg(x + 1).arg(W - 2).arg(H) +
                       Styles + u"\">"_s + EscapeHTML(D->Items()->Strings(i)) + u"</DIV>"_s);
            MouseMoveStopper(F, Id);
        }
        DropListScript(F, D);
    } else if (auto* M = dynamic_cast<TRpWebMenu*>(L)) {
        if (M->MenuMode() == mainMenu) AddLoad(F, u"   document.addEventListener(\"mousemove\", "_s + N + u"Close);"_s);
        MouseMoveStopper(F, N);
        MenuScript(F, M);
    } else if (B) {
        if (B->ButtonAction() == TRpButtonAction::post) F->PostCode = true;
        if (B->ButtonAction() == TRpButtonAction::get) F->GetCode = true;
        ButtonScript(F, B);
    } else if (auto* D = dynamic_cast<TRpWebData*>(L)) {
        DataScript(F, D);
        AddLoad(F, u"   "_s + N + u"setData();"_s);
        if (D->UpdateInterval() > 0) AddLoad(F, u"   setInterval("_s + N + u"setData, "_s + String::number(qint64(D->UpdateInterval()) * 1000) + u");"_s);
    } else if (auto* D = dynamic_cast<TRpDropDown*>(L)) {
        const String Tag = D->DropDownLoadMethod() == lm_fromFile ? u"IFRAME"_s : u"DIV"_s;
        F->AddLine(u"<"_s + Tag + u" ID=\""_s + N + u"Cont\" class=\"rpcontrol\" "_s + DataCont(L) + u" style=\"overflow:"_s +
                   (D->DropScrolled() ? u"auto"_s : u"hidden"_s) + u";visibility:hidden;cursor:"_s + Cursor +
                   u";position:absolute;top:%1px;left:%2px;width:%3px;height:%4px;"_s.arg(y + H + 1).arg(x).arg(W).arg(D->DropHeight()) +
                   u"text-align:"_s + Align + u";font-family:"_s + EscapeHTML(Font->Name()) + u";font-size:"_s + String::number(Font->Size()) +
                   u"pt;font-weight:"_s + Weight + u";"_s + Italic + u"color:"_s + HTMLColor(Font->Color()) + u";background-color:#FFFFFF;"_s +
                   Border + u"\"></"_s + Tag + u">"_s);
        DropDownScript(F, D);
    }
}

}  // namespace

void RpWebScanHeadFlags(TRpGHTMLDocumentFilter* Filter) {
    TWinControl* B = FirstBand(Filter->parentreport);
    if (!B) return;
    for (int i = 0; i < B->ControlCount(); ++i) {
        TControl* C = B->Controls(i);
        const String Cls = C->ClassName();
        if (Cls.compare(u"TRpWebButton"_s, Qt::CaseInsensitive) == 0) {
            auto* W = static_cast<TRpWebButton*>(C);
            if (W->ButtonAction() == TRpButtonAction::post) Filter->PostCode = true;
            if (W->ButtonAction() == TRpButtonAction::get) Filter->GetCode = true;
            if (W->ButtonAction() == TRpButtonAction::zoom) Filter->zoomCode = true;
        } else if (Cls.compare(u"TRpReportFrame"_s, Qt::CaseInsensitive) == 0) {
            if (static_cast<TRpReportFrame*>(C)->AutoLoad()) Filter->GetCode = true;
        } else if (Cls.compare(u"TRpWebFinder"_s, Qt::CaseInsensitive) == 0) {
            Filter->SearchCode = true;
        } else if (Cls.compare(u"TRpWebIndex"_s, Qt::CaseInsensitive) == 0) {
            Filter->IndexCode = true;
        }
    }
}

void TRpGHTMLDocumentFilter::AcceptControl(Extended Xoff, Extended Yoff, TControl* GControl) {
    if (!GControl) return;
    const int x = int(Xoff);
    const int y = int(Round(Yoff)) + PageOffset();
    const int W = GControl->Width(), H = GControl->Height();
    const String N = GControl->Name();
    const String Vis = Visibility(GControl);
    const String Cursor = [&] {
        if (auto* C = dynamic_cast<TRpReportFrame*>(GControl)) return WebCursorText(C->WebCursor());
        if (auto* C = dynamic_cast<TRpWebInput*>(GControl)) return WebCursorText(C->WebCursor());
        if (auto* C = dynamic_cast<TRpWebCheckBox*>(GControl)) return WebCursorText(C->WebCursor());
        if (auto* C = dynamic_cast<TRpWebSplitter*>(GControl)) return WebCursorText(C->WebCursor());
        if (auto* C = dynamic_cast<TRpWebCanvas*>(GControl)) return WebCursorText(C->WebCursor());
        return u"default"_s;
    }();

    if (auto* L = dynamic_cast<TRpWebLabel*>(GControl)) {
        LabelElement(this, L, x, y);
    } else if (auto* S = dynamic_cast<TRpWebSplitter*>(GControl)) {
        // Only a splitter that collapses has a click for the page's load to run.
        if (S->InitialState() == isClosed && (S->ActionMode() == click || S->ActionMode() == toSplitter)) FSplittersToClose << N;
        TFont* Font = S->Font();
        const String Border = BorderText(S->BorderStyle(), S->BorderColor(), S->BorderWidth(), S->BorderPixelWidth());
        const String Align = S->Alignment() == taLeftJustify ? u"left"_s : S->Alignment() == taRightJustify ? u"right"_s : u"center"_s;
        const String TextStyle = u"text-align:"_s + Align + u";font-family:"_s + EscapeHTML(Font->Name()) + u";font-size:"_s +
                                 String::number(Font->Size()) + u"pt;color:"_s + HTMLColor(Font->Color()) + u";font-weight:"_s +
                                 (Font->Style().Contains(fsBold) ? u"bold"_s : u"normal"_s) + u";"_s;
        const String Box = u";cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px;width:%3px;height:%4px;background-color:"_s.arg(x).arg(y).arg(W).arg(H) +
                           HTMLColor(S->Brush()->Color()) + u";"_s + Border;
        if (S->ActionMode() == marker) {
            AddLine(u"<DIV ID=\""_s + N + u"\" class=\"rpcontrol\" style=\"visibility:"_s + Vis + u";overflow:hidden"_s + Box + TextStyle + u"\">"_s +
                    EscapeHTML(S->Text()) + u"</DIV>"_s);
        } else {
            AddLine(u"<DIV ID=\""_s + N + u"\" class=\"rpcontrol\" onclick=\"%1Click()\" onmouseenter=\"%1MouseEnter()\" onmouseleave=\"%1MouseLeave()\" "_s.arg(N) +
                    DataCont(S) + u" style=\"visibility:"_s + Vis + Box + TextStyle + u"\">"_s + EscapeHTML(S->Text()) + u"</DIV>"_s);
            SplitterScript(this, S);
        }
    } else if (auto* I = dynamic_cast<TRpWebInput*>(GControl)) {
        AddLine(u"<INPUT ID=\""_s + N + u"\" class=\"rpcontrol\" value=\""_s + EscapeHTML(I->InitialValue()) + u"\" "_s + DataCont(I) +
                u" style=\"cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px;width:%3px;height:%4px\"/>"_s.arg(x).arg(y).arg(W).arg(H));
    } else if (auto* C = dynamic_cast<TRpWebCheckBox*>(GControl)) {
        TFont* Font = C->Font();
        const String BoxText = u"background-color:"_s + HTMLColor(C->Brush()->Color()) + u";border-style:"_s + WebBorderStyleText(C->BorderStyle()) +
                               u";border-color:"_s + HTMLColor(C->BorderColor()) + u";border-width:"_s +
                               (C->BorderPixelWidth() >= 1 ? String::number(C->BorderPixelWidth()) + u"px;"_s : WebBorderWidthText(C->BorderWidth()) + u";"_s);
        const String FontText = u"font-family:"_s + EscapeHTML(Font->Name()) + u"; font-size:"_s + String::number(Font->Size()) + u"pt;"_s +
                                (Font->Style().Contains(fsItalic) ? u"font-style:italic;"_s : String()) +
                                (Font->Style().Contains(fsBold) ? u"font-weight:bold;"_s : String()) + u"color:"_s + HTMLColor(Font->Color()) + u";"_s;
        const String State = C->Checked() ? u"checked"_s : u"unchecked"_s;
        const int L = x + C->LeftMargin(), T = y + C->TopMargin();
        if (C->CheckBoxStyle() == cbHtml) {
            AddLine(u"<INPUT ID=\""_s + N + u"\" type=\"checkbox\" "_s + DataCont(C) + u" class=\"rpcontrol\" "_s + u" style=\"visibility:"_s + Vis +
                    u";cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px;\"/>"_s.arg(x + W - H).arg(y));
            AddLine(u"<DIV ID=\""_s + N + u"Text\""_s + u" class=\"rpcontrol\" style=\"cursor:"_s + Cursor +
                    u";position:absolute;left:%1px;top:%2px; width:%3px;height:%4px;"_s.arg(L).arg(T).arg(W - H).arg(H) + FontText + BoxText + u"\">"_s +
                    EscapeHTML(C->Text()) + u"</div>"_s);
        } else {
            const String Head = u"<DIV ID=\""_s + N + u"\""_s + u" onclick=\"%1Click()\" "_s.arg(N) + u" class=\"rpcontrol\" data-checked=\""_s + State +
                                u"\" style=\"cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px; width:%3px;height:%4px;"_s.arg(L).arg(T).arg(W).arg(H);
            if (C->CheckBoxStyle() == cbText)
                AddLine(Head + FontText + BoxText + u"\">"_s + EscapeHTML(C->Checked() ? C->CheckedText() : C->Text()) + u"</div>"_s);
            else
                AddLine(Head + u"background:url("_s + EscapeHTML(C->Checked() ? C->URLCheckedImage() : C->URLUnCheckedImage()) + u");"_s + BoxText +
                        u"\"></div>"_s);
            CheckBoxScript(this, C);
        }
    } else if (auto* P = dynamic_cast<TRpWebPageSelect*>(GControl)) {
        PageSelectScript(this, P);
    } else if (auto* Fd = dynamic_cast<TRpWebFinder*>(GControl)) {
        SearchCode = true;
        FinderScript(this, Fd);
    } else if (auto* X = dynamic_cast<TRpWebCrossTab*>(GControl)) {
        if (X->ContentFrame().trimmed().isEmpty() || X->DisplayFrame().trimmed().isEmpty()) {
            ShowMessage(N + u" has frames and/or input not specified. No code written."_s);
        } else if (X->RowField().trimmed().isEmpty() || X->ColumnField().trimmed().isEmpty()) {
            ShowMessage(N + u" has unset row and/or column fields . No code written."_s);
        } else if (X->UseDataVarInput() && X->DataFieldInput().trimmed().isEmpty()) {
            ShowMessage(N + u" uses data variable input which is not set . No code written."_s);
        } else if (!X->UseDataVarInput() && X->DataVariable().trimmed().isEmpty()) {
            ShowMessage(N + u" uses data variable which is not set . No code written."_s);
        } else {
            if (X->UseDataVarInput()) AddLoad(this, u"   "_s + X->DataFieldInput() + u"ItemClick(0);"_s);
            CrossTabScript(this, X);
        }
    } else if (auto* Cv = dynamic_cast<TRpWebCanvas*>(GControl)) {
        AddLine(u"<canvas ID=\""_s + N + u"\" width=\"%1\" height=\"%2\" "_s.arg(W).arg(H) +
                u" onclick=\"%1Click()\" onmouseenter=\"%1Mouseenter()\" onmouseleave=\"%1Mouseleave()\" "_s.arg(N) +
                u" class=\"rpcontrol\" style=\"cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px;"_s.arg(x).arg(y) +
                BorderText(Cv->BorderStyle(), Cv->BorderColor(), Cv->BorderWidth(), Cv->BorderPixelWidth()) + u"\"></canvas>"_s);
        CanvasScript(this, Cv);
    } else if (auto* E = dynamic_cast<TRpWebPageExtractor*>(GControl)) {
        if (E->ContentFrame().trimmed().isEmpty() || E->DisplayFrame().trimmed().isEmpty() || E->PageInput().trimmed().isEmpty()) {
            ShowMessage(N + u" has frames or input not specified. No code written."_s);
        } else {
            AddLoad(this, u"   document.getElementById("_s + Q(E->ContentFrame()) + u").style.visibility=\"hidden\";"_s);
            ExtractorScript(this, E);
        }
    } else if (auto* Tb = dynamic_cast<TRpWebTabs*>(GControl)) {
        TabsScript(this, Tb);
    } else if (auto* R = dynamic_cast<TRpReportFrame*>(GControl)) {
        TFont* Font = R->Font();
        const String FontText = u"font-family:"_s + EscapeHTML(Font->Name()) + u";font-size:"_s + String::number(Font->Size()) + u"pt;font-weight:"_s +
                                (Font->Style().Contains(fsBold) ? u"Bold"_s : u"normal"_s) + u";"_s +
                                (Font->Style().Contains(fsItalic) ? u"font-style:italic;"_s : String()) + u"color:"_s + HTMLColor(Font->Color()) + u";"_s;
        const String BW = R->BorderPixelWidth() >= 1 ? String::number(R->BorderPixelWidth()) + u"px"_s : WebBorderWidthText(R->BorderWidth());
        if (R->RoundedCorners()) {
            if (R->CornerRadius() < 5) R->SetCornerRadius(5);
            FStylesheet << RoundedRule(N, R->CornerRadius(), R->UseShadow());
        }
        const String Tag = R->FrameMode() == TRpFrameMode::subForm ? u"IFRAME"_s : u"DIV"_s;
        AddLine(u"<"_s + Tag + u" ID=\""_s + N + u"\""_s + DataCont(R) + u" class=\"rpcontrol\" style=\""_s + FontText + u"visibility: "_s + Vis +
                u" ;border-style:"_s + WebBorderStyleText(R->BorderStyle()) + u";border-color:"_s + HTMLColor(R->BorderColor()) +
                u";overflow:auto;cursor:"_s + Cursor + u";position:absolute;left:%1px;top:%2px;width:%3px;height:%4px;border-width:"_s.arg(x).arg(y).arg(W).arg(H) +
                BW + u";\"> </"_s + Tag + u">"_s);
        if (R->AutoLoad()) {
            if (R->RequestURL().trimmed().isEmpty()) {
                ShowMessage(N + u" is AutoLoad but has no RequestURL. No code generated."_s);
            } else {
                FrameLoadScript(this, R);
                AddLoad(this, u"   "_s + N + u"LoadContent();"_s);
            }
        }
    } else if (auto* Ix = dynamic_cast<TRpWebIndex*>(GControl)) {
        if (Ix->IndexFrame().trimmed().isEmpty() || Ix->ContentFrame().trimmed().isEmpty() || Ix->IndexControl().trimmed().isEmpty()) {
            ShowMessage(N + u" is missing frame or button mames. No code generated."_s);
        } else {
            IndexCode = true;
            IndexScript(this, Ix);
        }
    }
}
