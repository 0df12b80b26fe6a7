// The image at the left of an editor's text and the grey hint text of an empty control.
#include "grid/editors/editimagevz.h"
#include "platform/gui/imaging.h"
#include "platform/gui/messages.h"

#include <gtest/gtest.h>

namespace {

// An edit control that counts the image-changed messages it gets.
class TImageHostVz : public TWinControl {
    SDELKA_CLASS(TImageHostVz, TWinControl)
protected:
    explicit TImageHostVz(TComponent* AOwner) : TWinControl(AOwner) {}
    ~TImageHostVz() override = default;

public:
    int ImageChanges = 0;
    void Dispatch(TMessage& Message) override {
        if (Message.Msg == CM_EDITIMAGECHANGEDVz) ++ImageChanges;
        TWinControl::Dispatch(Message);
    }
};

TEST(EditImage, WidthVisibilityAndTheEditorsNotice) {
    auto* host = New<TImageHostVz>(nullptr);
    auto* images = New<TImageList>(host);
    images->SetWidth(16);
    images->SetHeight(16);
    TOwned<TEditImageVz> img = NewOwned<TEditImageVz>(host);
    EXPECT_EQ(img->DrawWidth(), 0);
    img->SetImages(images);
    EXPECT_EQ(img->DrawWidth(), 0);  // not visible
    img->SetVisible(true);
    EXPECT_EQ(img->DrawWidth(), 20);
    EXPECT_FALSE(img->Showing());  // no image chosen
    img->SetImageIndex(0);
    EXPECT_TRUE(img->Showing());
    img->SetWidth(30);
    EXPECT_EQ(img->DrawWidth(), 34);
    EXPECT_EQ(host->ImageChanges, 3);  // images, visible, width; not the index
    img->SetWidth(30);
    EXPECT_EQ(host->ImageChanges, 3);

    TOwned<TEditImageVz> copy = NewOwned<TEditImageVz>(host);
    copy->SetUseImageHeight(false);
    copy->Assign(img.get());
    EXPECT_EQ(copy->Images(), images);
    EXPECT_EQ(copy->ImageIndex(), 0);
    EXPECT_TRUE(copy->Visible());
    EXPECT_EQ(copy->Width(), 30);
    EXPECT_FALSE(copy->UseImageHeight());  // not copied
    copy.reset();
    img.reset();
    host->Free();
}

class TTestEmptyInfoVz : public TCustomControlEmptyDataInfoVz {
    SDELKA_CLASS(TTestEmptyInfoVz, TCustomControlEmptyDataInfoVz)
protected:
    explicit TTestEmptyInfoVz(TControl* AControl) : TCustomControlEmptyDataInfoVz(AControl) {
        Parent.SetName(u"Arial"_S);
        Parent.SetSize(11);
    }
    ~TTestEmptyInfoVz() override = default;

public:
    bool Empty = true;
    mutable TFont Parent;
    TAlignment DefaultAlignment() const override { return taRightJustify; }
    TFont* DefaultFont() const override { return &Parent; }
    bool ControlIsEmpty() const override { return Empty; }
};

TEST(EmptyDataInfo, ShowsOnlyWithATextOrColourWhileTheControlIsEmpty) {
    TOwned<TTestEmptyInfoVz> info = NewOwned<TTestEmptyInfoVz>(nullptr);
    EXPECT_FALSE(info->Showing());  // nothing to show, however empty
    info->SetText(u"Не задано"_S);
    EXPECT_TRUE(info->Showing());
    info->Empty = false;
    EXPECT_FALSE(info->Showing());
    info->Empty = true;
    info->SetText(String());
    info->SetColor(clYellow);
    EXPECT_TRUE(info->Showing());
    EXPECT_EQ(info->ActualColor(), clYellow);
    info->SetColor(clDefault);
    EXPECT_EQ(info->ActualColor(), clWindow);
}

TEST(EmptyDataInfo, FontFollowsTheDefaultUntilChangedAndAlignmentUntilSet) {
    TOwned<TTestEmptyInfoVz> info = NewOwned<TTestEmptyInfoVz>(nullptr);
    EXPECT_EQ(info->Font()->Name(), u"Arial"_S);
    EXPECT_EQ(info->Font()->Color(), TColor(12632256));
    EXPECT_TRUE(info->Font()->Style().Contains(fsItalic));
    EXPECT_TRUE(info->ParentFont());
    info->Parent.SetSize(14);
    info->RefreshDefaultFont();
    EXPECT_EQ(info->Font()->Size(), 14);
    EXPECT_TRUE(info->ParentFont());
    EXPECT_EQ(info->Font()->Color(), TColor(12632256));  // colour and italic stay
    info->Font()->SetSize(9);
    EXPECT_FALSE(info->ParentFont());
    info->Parent.SetSize(20);
    info->RefreshDefaultFont();
    EXPECT_EQ(info->Font()->Size(), 9);

    EXPECT_EQ(info->Alignment(), taRightJustify);
    EXPECT_FALSE(info->AlignmentIsStored());
    info->SetAlignment(taCenter);
    EXPECT_TRUE(info->AlignmentIsStored());
    EXPECT_EQ(info->Alignment(), taCenter);
    info->SetAlignmentIsStored(false);
    EXPECT_EQ(info->Alignment(), taRightJustify);
}

}  // namespace
