// The rich-text printable: formatted text held in a rich edit of its own (or in another rich edit
// it is pointed to), laid out at the control's width and drawn onto the page canvas as text runs.
// A text that does not fit may grow its band in fixed steps and goes on, on the next page, from
// the first character that was not printed. While the report exports, the same text is rendered
// into a metafile that goes to the filter as a picture.
#pragma once

#include "platform/gui/richedit.h"
#include "report/rpprintable.h"

class TRpRichEdit : public TCustomRichEdit {
    SDELKA_CLASS(TRpRichEdit, TCustomRichEdit)
protected:
    ~TRpRichEdit() override = default;

private:
public:
    using TCustomRichEdit::TCustomRichEdit;
};

class TRpCustomRichText : public TRpPrintable {
    SDELKA_CLASS(TRpCustomRichText, TRpPrintable)
protected:
    explicit TRpCustomRichText(TComponent* AOwner);
    ~TRpCustomRichText() override;

public:
    void AfterConstruction() override;
    static void Published(TPublished<TRpCustomRichText>& P);

    void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
    void Print(int OfsX, int OfsY) override;
    int ContinuationMark() const override { return LastChar; }
    void GetExpandedHeight(Extended& NewHeight) override;

    TAlignment GetTextAlignment() const;
    void SetAlignment(TAlignment Value) override;
    TColor TextColor() const;
    void SetTextColor(TColor Value);
    TFont* TextFont() const;
    void SetTextFont(TFont* Value);
    bool AutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool Value) { FAutoStretch = Value; }
    bool HiresExport() const { return FHiresExport; }
    void SetHiresExport(bool Value) { FHiresExport = Value; }
    int YIncrement() const { return FYIncrement; }
    void SetYIncrement(int Value) { FYIncrement = Value; }
    // One flag for every rich-text printable and its editors.
    static bool Transparent() { return RichTextTransparent; }
    static void SetTransparent(bool Value) { RichTextTransparent = Value; }
    bool TransparentProp() const { return RichTextTransparent; }
    void SetTransparentProp(bool Value) { RichTextTransparent = Value; }

    TRpRichEdit* RichEdit() const { return FRichEdit; }
    // Another rich edit whose text is printed instead of the own one; not owned.
    TCustomRichEdit* ParentRichEdit() const { return FParentRichEdit; }
    void SetParentRichEdit(TCustomRichEdit* Value);
    // The first character not printed yet.
    int LastCharIndex() const { return LastChar; }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

private:
    TCustomRichEdit* Source() const { return FParentRichEdit ? FParentRichEdit : FRichEdit; }
    // The exported picture of the text from LastChar in a box of device units.
    void ExportPicture(int From, const TRect& Box, int OfsX, int OfsY);

    static inline bool RichTextTransparent = false;
    static inline int ExportCounter = 0;

    int LastChar = 0;
    bool FAutoStretch = false;
    TCustomRichEdit* FParentRichEdit = nullptr;
    TRpRichEdit* FRichEdit = nullptr;
    bool FHiresExport = false;
    int FYIncrement = 50;
};
