// Controls that hold a position in a range: TScrollBar (QScrollBar), TTrackBar (QSlider), TUpDown
// (painted arrow buttons that step a buddy edit) and TDateTimePicker (QDateTimeEdit with a
// drop-down calendar). Also the scroll-bar kinds and codes the scrolling controls share.
#pragma once

#include "platform/gui/controls.h"

class QScrollBar;
class QSlider;
class QDateTimeEdit;

enum TScrollBarKind { sbHorizontal, sbVertical };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };
enum TScrollCode { scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll };
using TScrollEvent = TEvent<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)>;
using TScrollBarInc = int;

// ---- scroll bar --------------------------------------------------------------------------------
// Min..Max with a thumb of PageSize positions: the highest position the thumb reaches is
// Max - PageSize + 1 (Max itself when PageSize is 0). A user action computes the new position
// (SmallChange, LargeChange, the thumb), offers it to OnScroll, which may change it, and moves
// there (OnChange when it moved); each action ends with scEndScroll.
class TScrollBar : public TWinControl {
    SDELKA_CLASS(TScrollBar, TWinControl)
protected:
    explicit TScrollBar(TComponent* AOwner);
    ~TScrollBar() override = default;

public:
    TScrollBarKind Kind() const { return FKind; }
    void SetKind(TScrollBarKind Value);
    int Min() const { return FMin; }
    void SetMin(int Value) { SetParams(FPosition, Value, FMax); }
    int Max() const { return FMax; }
    void SetMax(int Value) { SetParams(FPosition, FMin, Value); }
    int Position() const { return FPosition; }
    void SetPosition(int Value) { SetParams(Value, FMin, FMax); }
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value);
    TScrollBarInc SmallChange() const { return FSmallChange; }
    void SetSmallChange(TScrollBarInc Value) { FSmallChange = Value; UpdateWidget(); }
    TScrollBarInc LargeChange() const { return FLargeChange; }
    void SetLargeChange(TScrollBarInc Value) { FLargeChange = Value; UpdateWidget(); }
    // EInvalidOperation "Scroll bar property out of range" when Max < Min or the page does not fit.
    void SetParams(int APosition, int AMin, int AMax);
    // The highest position the thumb reaches.
    int MaxPosition() const;

    // The user path: one scroll action with the thumb's position for scPosition/scTrack.
    void DoScroll(TScrollCode Code, int TrackPos = 0);

    TScrollEvent OnScroll;
    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    bool HostEvent(QEvent* Event) override;
    virtual void Scroll(TScrollCode ScrollCode, int& ScrollPos);
    virtual void Change();

private:
    QScrollBar* Bar() const;
    void UpdateWidget();
    TScrollBarKind FKind = sbHorizontal;
    int FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0;
    TScrollBarInc FSmallChange = 1, FLargeChange = 1;
    int FSyncing = 0;
};

// ---- track bar ---------------------------------------------------------------------------------
enum TTrackBarOrientation { trHorizontal, trVertical };
enum TTickStyle { tsNone, tsAuto, tsManual };
enum TTickMark { tmBottomRight, tmTopLeft, tmBoth };

class TTrackBar : public TWinControl {
    SDELKA_CLASS(TTrackBar, TWinControl)
protected:
    explicit TTrackBar(TComponent* AOwner);
    ~TTrackBar() override = default;

public:
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    // Kept in Min..Max; OnChange whenever it moves (by code too).
    int Position() const { return FPosition; }
    void SetPosition(int Value);
    int Frequency() const { return FFrequency; }
    void SetFrequency(int Value);
    int LineSize() const { return FLineSize; }
    void SetLineSize(int Value);
    int PageSize() const { return FPageSize; }
    void SetPageSize(int Value);
    TTrackBarOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TTrackBarOrientation Value);
    TTickStyle TickStyle() const { return FTickStyle; }
    void SetTickStyle(TTickStyle Value);
    TTickMark TickMarks() const { return FTickMarks; }
    void SetTickMarks(TTickMark Value);

    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    virtual void Changed();

private:
    QSlider* Slider() const;
    void UpdateWidget();
    int FMin = 0, FMax = 10, FPosition = 0, FFrequency = 1, FLineSize = 1, FPageSize = 2;
    TTrackBarOrientation FOrientation = trHorizontal;
    TTickStyle FTickStyle = tsAuto;
    TTickMark FTickMarks = tmBottomRight;
    int FSyncing = 0;
};

// ---- up-down -----------------------------------------------------------------------------------
enum TUDBtnType { btNext, btPrev };
enum TUDAlignButton { udLeft, udRight };
enum TUDOrientation { udHorizontal, udVertical };
enum TUpDownDirection { updNone, updUp, updDown };
using TUDClickEvent = TEvent<void(TObject* Sender, TUDBtnType Button)>;
using TUDChangingEvent = TEvent<void(TObject* Sender, bool& AllowChange)>;
using TUDChangingEventEx =
    TEvent<void(TObject* Sender, bool& AllowChange, SmallInt NewValue, TUpDownDirection Direction)>;

// Two arrow buttons. A press steps Position by Increment (wrapping or stopping at Min/Max), after
// OnChanging may refuse; the associated control shows the position as text and is read back
// before each step, so a number typed into it is where the next step starts.
class TUpDown : public TCustomControl {
    SDELKA_CLASS(TUpDown, TCustomControl)
protected:
    explicit TUpDown(TComponent* AOwner);
    ~TUpDown() override = default;

public:
    TWinControl* Associate() const { return FAssociate; }
    // Places the up-down beside the control (shrinking it by the up-down's width) and shows the position in it.
    void SetAssociate(TWinControl* Value);
    int Min() const { return FMin; }
    void SetMin(int Value);
    int Max() const { return FMax; }
    void SetMax(int Value);
    int Position() const;
    void SetPosition(int Value);
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    bool Wrap() const { return FWrap; }
    void SetWrap(bool Value) { FWrap = Value; }
    bool Thousands() const { return FThousands; }
    void SetThousands(bool Value);
    TUDAlignButton AlignButton() const { return FAlignButton; }
    void SetAlignButton(TUDAlignButton Value);
    TUDOrientation Orientation() const { return FOrientation; }
    void SetOrientation(TUDOrientation Value);

    // The user path: one press of a button.
    void DoButtonClick(TUDBtnType Button);

    TUDClickEvent OnClick;
    TUDChangingEvent OnChanging;
    TUDChangingEventEx OnChangingEx;

protected:
    void Paint() override;
    void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
    void Notification(TComponent* AComponent, TOperation Operation) override;
    virtual bool CanChange(int NewValue, TUpDownDirection Direction);
    virtual void ClickButton(TUDBtnType Button);

private:
    void UpdateAssociate();
    void ReadAssociate();
    void PlaceBeside();
    TWinControl* FAssociate = nullptr;
    int FMin = 0, FMax = 100, FPosition = 0, FIncrement = 1;
    bool FWrap = false;
    bool FThousands = true;
    TUDAlignButton FAlignButton = udRight;
    TUDOrientation FOrientation = udVertical;
    int FPressed = -1;  // the button held down (TUDBtnType), -1 none
};

// ---- date and time picker ----------------------------------------------------------------------
enum TDateTimeKind { dtkDate, dtkTime };
enum TDTDateMode { dmComboBox, dmUpDown };
enum TDTDateFormat { dfShort, dfLong };

// The display follows FormatSettings (ShortDateFormat or LongDateFormat, LongTimeFormat) at the
// time the window is made. OnChange: a user edit or a calendar pick that changes the value;
// OnCloseUp: the calendar closed (also when the same day was picked); Enter reaches OnKeyPress.
//
// Keys of a short-format date, section by section (day, month, year in the format's order): typed
// digits fill the focused section, which is done after two digits (four for the year) or after one
// that no second can follow (a day from 4, a month from 2), or at a separator, and the next
// section takes the focus; Up and Down step the section, the day within its month and the month
// within its year, a day past the new month's end coming back to that end; Left and Right move
// between sections; Backspace and Delete drop what was typed. What is shown is the value: a typed
// date becomes the value as soon as it is a whole valid date. A date that does not exist (31.02,
// 29.02 of a common year, a month 13, a year not yet typed whole) stays shown in red with the value
// unchanged while the other sections are typed; when the last section is done, on Enter or when
// the focus leaves, it is refused with a message and the date from before the typing comes back.
class TDateTimePicker : public TWinControl {
    SDELKA_CLASS(TDateTimePicker, TWinControl)
protected:
    explicit TDateTimePicker(TComponent* AOwner);
    ~TDateTimePicker() override = default;

public:
    TDateTime DateTime() const { return FDateTime; }
    void SetDateTime(TDateTime Value);
    // The date part (whole days); setting it keeps the time of day.
    TDate Date() const;
    void SetDate(TDate Value);
    // The time of day; setting it keeps the date.
    TTime Time() const;
    void SetTime(TTime Value);
    TDateTimeKind Kind() const { return FKind; }
    void SetKind(TDateTimeKind Value);
    TDTDateFormat DateFormat() const { return FDateFormat; }
    void SetDateFormat(TDTDateFormat Value);
    TDTDateMode DateMode() const { return FDateMode; }
    void SetDateMode(TDTDateMode Value);
    // 0: no limit. A value outside the limits raises EDateTimeError.
    TDate MinDate() const { return FMinDate; }
    void SetMinDate(TDate Value);
    TDate MaxDate() const { return FMaxDate; }
    void SetMaxDate(TDate Value);
    bool ShowCheckbox() const { return FShowCheckbox; }
    void SetShowCheckbox(bool Value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool Value);
    bool DroppedDown() const { return FDroppedDown; }

    // The Qt display format of a framework date/time format ("dd.mm.yyyy" -> "dd.MM.yyyy").
    static String QtDisplayFormat(const String& Format);

    TNotifyEvent OnChange;
    TNotifyEvent OnCloseUp;
    TNotifyEvent OnDropDown;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void Dispatch(TMessage& Message) override;
    bool HostEvent(QEvent* Event) override;
    virtual void Change();
    virtual void CloseUp();
    virtual void DropDown();

private:
    friend class TPickerPopupWatch;
    QDateTimeEdit* Edit() const;
    void UpdateWidget();
    // Typing of a short-format date (see above).
    bool TypesSections() const;
    bool TypeKey(QKeyEvent* E);
    void StartTyping();
    bool TypedDateValid() const;
    void Settle(bool Last);
    void ShowTyped();
    void DropTyping();
    void RefuseTyped();
    String TypedText(int* SectionStart = nullptr, int* SectionLength = nullptr) const;
    int FTypedDay = 0, FTypedMonth = 0, FTypedYear = 0;
    bool FTyping = false;       // the sections shown are not the value (a date that does not exist)
    bool FYearPartial = false;  // the year section holds fewer digits than it takes
    int FSection = 0;           // the focused section, by its place in the format
    String FDigits;             // digits typed into the focused section so far
    bool FRun = false;          // a date is being typed: it began from FRunFrom (a day number)
    qint64 FRunFrom = 0;
    void CheckRange(TDateTime Value) const;
    void WidgetChanged();
    TDateTime FDateTime = 0;
    TDateTimeKind FKind = dtkDate;
    TDTDateFormat FDateFormat = dfShort;
    TDTDateMode FDateMode = dmComboBox;
    TDate FMinDate = 0;
    TDate FMaxDate = 0;
    bool FShowCheckbox = false;
    bool FChecked = true;
    bool FDroppedDown = false;
    int FSyncing = 0;
};

SDELKA_EXCEPTION(EDateTimeError, Exception)
