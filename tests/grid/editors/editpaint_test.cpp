// What the edit draws besides its text: the red line under an empty required value (looked for in
// the grabbed window), the image at the left of the text chosen by the value or an event, and the
// height that follows the font or a taller image.
#include "grid/base/toolsvz.h"
#include "grid/editors/dbeditvz.h"
#include "grid/memtable/memtablevz.h"
#include "platform/db/fields.h"
#include "platform/gui/forms.h"
#include "platform/gui/imaging.h"

#include <gtest/gtest.h>

#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QWidget>

namespace {

class EditPaint : public ::testing::Test {
protected:
    void SetUp() override {
        Form = New<TForm>(nullptr);
        Form->SetBounds(0, 0, 300, 120);
        Ed = New<TDBEditVz>(Form);
        Ed->SetParent(Form);
        Ed->SetBounds(10, 10, 200, 24);
        Form->Show();
        Application->ProcessMessages();
    }
    void TearDown() override {
        FreeAndNil(Form);
        Application->ProcessMessages();
    }
    // Red pixels in the lowest rows of the edit as it is on the screen.
    int RedPixelsAtTheBottom() {
        Application->ProcessMessages();
        const QImage img = Ed->Handle()->grab().toImage();
        int red = 0;
        for (int y = img.height() - 4; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x) {
                const QColor c = img.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60) ++red;
            }
        return red;
    }
    TImageList* Images(int Size, int Count) {
        TImageList* list = New<TImageList>(Form);
        list->SetWidth(Size);
        list->SetHeight(Size);
        for (int i = 0; i < Count; ++i) {
            TBitmap bmp;
            bmp.SetSize(Size, Size);
            bmp.Canvas()->Brush()->SetColor(i == 0 ? clBlue : clGreen);
            bmp.Canvas()->FillRect(TRect(0, 0, Size, Size));
            list->Add(&bmp, nullptr);
        }
        return list;
    }
    TForm* Form = nullptr;
    TDBEditVz* Ed = nullptr;
};

TEST_F(EditPaint, RequiredEmptyValueIsUnderlinedInRedWhileEditing) {
    TMemTableVz* t = New<TMemTableVz>(Form);
    t->FieldDefs()->Add(u"Name"_S, ftString, 20);
    t->CreateDataSet();
    t->FieldByName(u"Name"_S)->SetRequired(true);
    t->AppendRecord({Variant(u"Иванов"_S)});
    TDataSource* src = New<TDataSource>(Form);
    src->SetDataSet(t);
    Ed->SetDataSource(src);
    Ed->SetDataField(u"Name"_S);
    Ed->SetHighlightRequired(true);
    EXPECT_EQ(RedPixelsAtTheBottom(), 0);  // browsing a filled value
    t->Append();
    EXPECT_GT(RedPixelsAtTheBottom(), 20);  // a new record without the required value
    t->FieldByName(u"Name"_S)->SetAsString(u"Петров"_S);
    EXPECT_EQ(RedPixelsAtTheBottom(), 0);
    t->Cancel();
    t->Edit();
    t->FieldByName(u"Name"_S)->Clear();
    EXPECT_GT(RedPixelsAtTheBottom(), 20);
    bool asked = false;
    Ed->OnCheckDrawRequiredState = [&](TObject*, bool& Draw) {
        asked = true;
        Draw = false;
    };
    t->FieldByName(u"Name"_S)->Clear();  // a data change asks again
    EXPECT_TRUE(asked);
    EXPECT_EQ(RedPixelsAtTheBottom(), 0);
    t->Cancel();
    Ed->OnCheckDrawRequiredState = nullptr;
    Ed->SetHighlightRequired(false);
    t->Append();
    EXPECT_EQ(RedPixelsAtTheBottom(), 0);  // not asked for
    t->Cancel();
}

TEST_F(EditPaint, ImageStandsLeftOfTheTextAndFollowsTheValue) {
    const int plain = Ed->Height();
    TImageList* big = Images(24, 2);
    Ed->SetImages(big);
    EXPECT_TRUE(Ed->EditImage()->Visible());
    EXPECT_GT(Ed->Height(), plain);  // a taller image makes a taller editor
    EXPECT_EQ(Ed->Height(), GetSystemMetrics(SM_CYBORDER) * 8 + 24);
    auto* line = qobject_cast<QLineEdit*>(Ed->Handle());
    EXPECT_EQ(line->textMargins().left(), 28);
    EXPECT_EQ(Ed->EditRect().Left, 2 + 28);

    Ed->SetText(u"1"_S);  // a text is no number: the default index
    EXPECT_EQ(Ed->EditImage()->ImageIndex(), -1);
    int asked = 0;
    Ed->OnGetImageIndex = [&](TObject*, int& Index) {
        ++asked;
        if (Index < 0) Index = 1;
    };
    Ed->SetText(u"2"_S);
    EXPECT_GT(asked, 0);
    EXPECT_EQ(Ed->EditImage()->ImageIndex(), 1);
    Application->ProcessMessages();
    const QImage img = Ed->Handle()->grab().toImage();
    EXPECT_EQ(img.pixelColor(2 + 14, Ed->Height() / 2), QColor(0, 128, 0));  // image 1 is green

    Ed->EditImage()->SetUseImageHeight(false);
    EXPECT_EQ(Ed->Height(), plain);
    Ed->SetAutoSize(false);
    Ed->SetBounds(10, 10, 200, 40);
    Ed->EditImage()->SetUseImageHeight(true);
    EXPECT_EQ(Ed->Height(), 40);  // no longer follows
}

}  // namespace

namespace {

TEST_F(EditPaint, FlatBorderIsSunkenOnlyWhileActive) {
    TDBEditVz* other = New<TDBEditVz>(Form);
    other->SetParent(Form);
    other->SetBounds(10, 60, 200, 24);
    other->SetFocus();
    Ed->SetFlat(true);
    auto at = [&](int X, int Y) {
        Application->ProcessMessages();
        return Ed->Handle()->grab().toImage().pixelColor(X, Y);
    };
    const QColor face = ColorToQColor(clBtnFace);
    const int h = Ed->Height(), w = Ed->Width();
    EXPECT_EQ(at(0, h / 2), face);  // not focused: flat, in the face colour
    EXPECT_EQ(at(w - 1, h / 2), face);
    Ed->SetAlwaysShowBorder(true);
    EXPECT_TRUE(Ed->BorderActive());
    EXPECT_EQ(at(0, h / 2), ColorToQColor(clBtnShadow));
    EXPECT_EQ(at(w - 1, h / 2), ColorToQColor(clBtnHighlight));
    Ed->SetAlwaysShowBorder(false);
    EXPECT_FALSE(Ed->BorderActive());
    Ed->SetFocus();  // focus makes it active too
    Application->ProcessMessages();
    EXPECT_TRUE(Ed->BorderActive());
    EXPECT_EQ(at(0, h / 2), ColorToQColor(clBtnShadow));
    EXPECT_EQ(Ed->Height(), GetSystemMetrics(SM_CYBORDER) * 6 + GetFontTextHeightVz(nullptr, Ed->Font(), false));
}

}  // namespace
