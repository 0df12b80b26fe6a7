#include "platform/gui/dialogs.h"
#include "platform/gui/imaging.h"
#include "platform/testing/scriptedresponder.h"

#include <gtest/gtest.h>

#include <memory>

// The colour and picture dialogs go through the responder like every other dialog: the answer
// fills the dialog and Execute reports it; a dismissed dialog leaves the values alone.
TEST(CommonDialogs, ColourAndPictureDialogsAreAnsweredThroughTheResponder) {
    TScriptedResponder responder;
    TResponderScope scope(&responder);
    auto owner = TOwned<TComponent>(New<TComponent>(nullptr));

    auto* colour = New<TColorDialog>(owner.get());
    colour->SetColor(clRed);
    responder.AnswerDialog([](TCommonDialog* d) {
        EXPECT_EQ(static_cast<TColorDialog*>(d)->Color(), clRed);
        static_cast<TColorDialog*>(d)->SetColor(clBlue);
        return true;
    });
    responder.AnswerDialog([](TCommonDialog*) { return false; });
    EXPECT_TRUE(colour->Execute());
    EXPECT_EQ(colour->Color(), clBlue);
    EXPECT_FALSE(colour->Execute());
    EXPECT_EQ(colour->Color(), clBlue);

    auto* open = New<TOpenPictureDialog>(owner.get());
    EXPECT_TRUE(open->Filter().contains("*.bmp", Qt::CaseInsensitive));
    EXPECT_TRUE(open->Filter().contains("*.jpg", Qt::CaseInsensitive));
    EXPECT_FALSE(open->IsSaveDialog());
    auto* save = New<TSavePictureDialog>(owner.get());
    EXPECT_TRUE(save->IsSaveDialog());
    EXPECT_EQ(save->Filter(), open->Filter());
}
