// Standard controls: TLabel and TPanel paint themselves; TEdit, TButton, TCheckBox and
// TRadioButton wrap the matching Qt widgets; TTimer is a QTimer with a floor of 10 ms.
#pragma once

#include "platform/gui/controls.h"
#include "platform/gui/forms.h"

#include <memory>

class QTimer;

enum TTextLayout { tlTop, tlCenter, tlBottom };
enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };
enum TCheckBoxState { cbUnchecked, cbChecked, cbGrayed };

class TLabel : public TGraphicControl {
    SDELKA_CLASS(TLabel, TGraphicControl)
protected:
    explicit TLabel(TComponent* AOwner);
    ~TLabel() override = default;

public:
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TTextLayout Layout() const { return FLayout; }
    void SetLayout(TTextLayout Value);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool Value);
    bool Transparent() const { return FTransparent; }
    void SetTransparent(bool Value);
    bool ShowAccelChar() const { return FShowAccelChar; }
    void SetShowAccelChar(bool Value);
    TWinControl* FocusControl() const { return FFocusControl; }
    void SetFocusControl(TWinControl* Value);

    // Sizes the label to its text (AutoSize), keeping the edge its alignment anchors.
    void AdjustBounds();

protected:
    void Paint() override;
    void TextChanged() override;
    void FontChanged() override;
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    unsigned DrawTextFlags() const;
    void DoDrawText(HDC DC, TRect& Rect, unsigned Flags);
    bool FAutoSize = true;
    TAlignment FAlignment = taLeftJustify;
    TTextLayout FLayout = tlTop;
    bool FWordWrap = false;
    bool FTransparent = false;
    bool FShowAccelChar = true;
    TWinControl* FFocusControl = nullptr;
};

class TPanel : public TCustomControl {
    SDELKA_CLASS(TPanel, TCustomControl)
protected:
    explicit TPanel(TComponent* AOwner);
    ~TPanel() override = default;

public:
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);
    TBevelCut BevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut Value);
    TBevelCut BevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut Value);
    int BevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int Value);
    int BorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int Value);
    // bsNone or bsSingle (a one-pixel window frame).
    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TFormBorderStyle Value);

    // Children align inside the bevels and the border.
    TRect AdjustClientRect() const override;

protected:
    void Paint() override;
    void TextChanged() override { Invalidate(); }

private:
    TAlignment FAlignment = taCenter;
    TBevelCut FBevelInner = bvNone;
    TBevelCut FBevelOuter = bvRaised;
    int FBevelWidth = 1;
    int FBorderWidth = 0;
    TFormBorderStyle FBorderStyle = bsNone;
};

class TEdit : public TWinControl {
    SDELKA_CLASS(TEdit, TWinControl)
protected:
    explicit TEdit(TComponent* AOwner);
    ~TEdit() override = default;

public:
    bool ReadOnly() const { return FReadOnly; }
    void SetReadOnly(bool Value);
    Char PasswordChar() const { return FPasswordChar; }
    void SetPasswordChar(Char Value);
    int MaxLength() const { return FMaxLength; }  // 0: no limit
    void SetMaxLength(int Value);
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // Selection: SelStart counts from 0.
    int SelStart() const;
    void SetSelStart(int Value);
    int SelLength() const;
    void SetSelLength(int Value);
    String SelText() const;
    void SetSelText(const String& Value);
    void SelectAll();
    void Clear() { SetText(String()); }

    TNotifyEvent OnChange;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void DestroyWnd() override;
    String GetText() const override;
    void SetTextValue(const String& Value) override;
    void Dispatch(TMessage& Message) override;
    virtual void Change();

private:
    bool FReadOnly = false;
    Char FPasswordChar;
    int FMaxLength = 0;
    bool FAutoSelect = true;
    bool FModified = false;
    int FSelStart = 0;
    int FSelLength = 0;
};

class TButton : public TWinControl {
    SDELKA_CLASS(TButton, TWinControl)
protected:
    explicit TButton(TComponent* AOwner);
    ~TButton() override = default;

public:
    bool Default() const { return FDefault; }
    void SetDefault(bool Value);
    bool Cancel() const { return FCancel; }
    void SetCancel(bool Value) { FCancel = Value; }
    int ModalResult() const { return FModalResult; }
    void SetModalResult(int Value) { FModalResult = Value; }
    // Sets the form's ModalResult to the button's, then OnClick.
    void Click() override;

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void TextChanged() override;
    void Dispatch(TMessage& Message) override;

private:
    bool FDefault = false;
    bool FCancel = false;
    int FModalResult = mrNone;
};

class TCheckBox : public TWinControl {
    SDELKA_CLASS(TCheckBox, TWinControl)
protected:
    explicit TCheckBox(TComponent* AOwner);
    ~TCheckBox() override = default;

public:
    bool Checked() const { return FState == cbChecked; }
    // A change fires OnClick, also when made by code.
    void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
    TCheckBoxState State() const { return FState; }
    void SetState(TCheckBoxState Value);
    bool AllowGrayed() const { return FAllowGrayed; }
    void SetAllowGrayed(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void TextChanged() override;

private:
    TCheckBoxState FState = cbUnchecked;
    bool FAllowGrayed = false;
    TAlignment FAlignment = taRightJustify;
};

class TRadioButton : public TWinControl {
    SDELKA_CLASS(TRadioButton, TWinControl)
protected:
    explicit TRadioButton(TComponent* AOwner);
    ~TRadioButton() override = default;

public:
    bool Checked() const { return FChecked; }
    // Checking turns the sibling radio buttons off and fires OnClick, also when made by code.
    void SetChecked(bool Value);
    TAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TAlignment Value);

protected:
    QWidget* CreateWidget(QWidget* ParentWidget) override;
    void InitWidget() override;
    void TextChanged() override;

private:
    bool FChecked = false;
    TAlignment FAlignment = taRightJustify;
};

class TTimer : public TComponent {
    SDELKA_CLASS(TTimer, TComponent)
protected:
    explicit TTimer(TComponent* AOwner);
    ~TTimer() override;

public:
    void BeforeDestruction() override;

    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value);
    unsigned Interval() const { return FInterval; }
    void SetInterval(unsigned Value);

    TNotifyEvent OnTimer;

    // The shortest interval a timer runs at.
    static constexpr unsigned MinInterval = 10;

protected:
    void Loaded() override;
    virtual void Timer();

private:
    void UpdateTimer();
    void DropTimer();
    QTimer* FTimer = nullptr;
    bool FEnabled = true;
    unsigned FInterval = 1000;
};
