// A component with a property of every kind the stream knows, children and a collection: the
// root the component-stream targets read into.
#pragma once

#include "platform/rtl/classes.h"
#include "platform/rtl/collections.h"
#include "platform/rtl/currency.h"
#include "platform/rtl/filer.h"

#include <QByteArray>

enum TFuzzShape { fsCircle, fsSquare };
enum TFuzzMark { fmA, fmB, fmC };
using TFuzzMarks = TSet<TFuzzMark>;

class TFuzzItem : public TCollectionItem {
    SDELKA_CLASS(TFuzzItem, TCollectionItem)
public:
    explicit TFuzzItem(TCollection* C) : TCollectionItem(C) {}
    static void Published(TPublished<TFuzzItem>& P) {
        P.String("Caption", &TFuzzItem::Caption, &TFuzzItem::SetCaption);
        P.Integer("Weight", &TFuzzItem::Weight, &TFuzzItem::SetWeight).Default(0);
    }
    String Caption() const { return FCaption; }
    void SetCaption(const String& v) { FCaption = v; }
    int Weight() const { return FWeight; }
    void SetWeight(int v) { FWeight = v; }

private:
    String FCaption;
    int FWeight = 0;
};

class TFuzzWidget : public TComponent {
    SDELKA_CLASS(TFuzzWidget, TComponent)
public:
    explicit TFuzzWidget(TComponent* AOwner) : TComponent(AOwner), FItems(NewOwned<TOwnedCollection>(this, TFuzzItem::StaticClass())) {
        FItems->SetPropName("Items");
    }
    static void Published(TPublished<TFuzzWidget>& P) {
        P.Integer("Count", &TFuzzWidget::Count, &TFuzzWidget::SetCount);
        P.Int64("Big", &TFuzzWidget::Big, &TFuzzWidget::SetBig).Default(0);
        P.String("Text", &TFuzzWidget::Text, &TFuzzWidget::SetText);
        P.Boolean("Flag", &TFuzzWidget::Flag, &TFuzzWidget::SetFlag).Default(false);
        P.Enum("Shape", &TFuzzWidget::Shape, &TFuzzWidget::SetShape, {"fsCircle", "fsSquare"}).Default(fsCircle);
        P.Set("Marks", &TFuzzWidget::Marks, &TFuzzWidget::SetMarks, {"fmA", "fmB", "fmC"}).Default(0);
        P.Extended("Ratio", &TFuzzWidget::Ratio, &TFuzzWidget::SetRatio);
        P.Single("Scale", &TFuzzWidget::Scale, &TFuzzWidget::SetScale);
        P.Currency("Amount", &TFuzzWidget::Amount, &TFuzzWidget::SetAmount);
        P.Date("When", &TFuzzWidget::When, &TFuzzWidget::SetWhen);
        P.Char("Letter", &TFuzzWidget::Letter, &TFuzzWidget::SetLetter).Default(' ');
        P.Object("Items", &TFuzzWidget::Items);
        P.Component("Link", &TFuzzWidget::Link, &TFuzzWidget::SetLink);
        P.Event("OnChange", &TFuzzWidget::OnChangeName, &TFuzzWidget::SetOnChangeName);
    }
    int Count() const { return FCount; }
    void SetCount(int v) { FCount = v; }
    Int64 Big() const { return FBig; }
    void SetBig(Int64 v) { FBig = v; }
    String Text() const { return FText; }
    void SetText(const String& v) { FText = v; }
    bool Flag() const { return FFlag; }
    void SetFlag(bool v) { FFlag = v; }
    TFuzzShape Shape() const { return FShape; }
    void SetShape(TFuzzShape v) { FShape = v; }
    TFuzzMarks Marks() const { return FMarks; }
    void SetMarks(TFuzzMarks v) { FMarks = v; }
    Extended Ratio() const { return FRatio; }
    void SetRatio(Extended v) { FRatio = v; }
    float Scale() const { return FScale; }
    void SetScale(float v) { FScale = v; }
    Currency Amount() const { return FAmount; }
    void SetAmount(Currency v) { FAmount = v; }
    TDateTime When() const { return FWhen; }
    void SetWhen(TDateTime v) { FWhen = v; }
    QChar Letter() const { return FLetter; }
    void SetLetter(QChar v) { FLetter = v; }
    TOwnedCollection* Items() { return FItems.get(); }
    TFuzzWidget* Link() const { return FLink; }
    void SetLink(TFuzzWidget* v) {
        if (v) v->FreeNotification(this);
        FLink = v;
    }
    String OnChangeName() const { return FOnChange; }
    void SetOnChangeName(const String& v) { FOnChange = v; }

    QByteArray Data;
    std::vector<Variant> Extra;

    void GetChildren(const TGetChildProc& Proc, TComponent*) override {
        for (int i = 0; i < ComponentCount(); ++i) Proc(Components(i));
    }
    TComponent* GetChildOwner() override { return this; }

    void DefineProperties(TFiler* Filer) override {
        TComponent::DefineProperties(Filer);
        Filer->DefineBinaryProperty(
            "Data",
            [this](TStream* S) {
                Data.resize(static_cast<qsizetype>(S->Size()));
                if (!Data.isEmpty()) S->ReadBuffer(Data.data(), static_cast<Integer>(Data.size()));
            },
            [this](TStream* S) {
                if (!Data.isEmpty()) S->WriteBuffer(Data.constData(), static_cast<Integer>(Data.size()));
            },
            !Data.isEmpty());
        Filer->DefineProperty(
            "Extra",
            [this](TReader* R) {
                Extra.clear();
                R->ReadListBegin();
                while (!R->EndOfList()) Extra.push_back(R->ReadVariant());
                R->ReadListEnd();
            },
            [this](TWriter* W) {
                W->WriteListBegin();
                for (const Variant& v : Extra) W->WriteVariant(v);
                W->WriteListEnd();
            },
            !Extra.empty());
    }

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove && AComponent == FLink) FLink = nullptr;
    }

private:
    int FCount = 0;
    Int64 FBig = 0;
    String FText;
    bool FFlag = false;
    TFuzzShape FShape = fsCircle;
    TFuzzMarks FMarks;
    Extended FRatio = 0;
    float FScale = 0;
    Currency FAmount;
    TDateTime FWhen = 0;
    QChar FLetter = u' ';
    TOwned<TOwnedCollection> FItems;
    TFuzzWidget* FLink = nullptr;
    String FOnChange;
};

// Registers the widget class for as long as the program runs.
void RegisterFuzzWidget();
// A small tree of widgets with every kind of property set, as the writer streams it.
QByteArray FuzzWidgetStream();
