#include "fuzz/component_widget.h"

void RegisterFuzzWidget() {
    static bool done = [] {
        RegisterClasses({TFuzzWidget::StaticClass()});
        return true;
    }();
    (void)done;
}

QByteArray FuzzWidgetStream() {
    RegisterFuzzWidget();
    TOwned<TFuzzWidget> root = NewOwned<TFuzzWidget>(nullptr);
    root->SetName(QStringLiteral("Root"));
    root->SetCount(-7);
    root->SetBig(Int64(1) << 40);
    root->SetText(QStringLiteral("Сдельный наряд 'пробный'\r\n"));
    root->SetFlag(true);
    root->SetShape(fsSquare);
    root->SetMarks({fmA, fmC});
    root->SetRatio(2.5);
    root->SetScale(0.25f);
    root->SetAmount(Currency(1234.5678L));
    root->SetWhen(45000.5);
    root->SetLetter(u'Ж');
    root->SetOnChangeName(QStringLiteral("RootChange"));
    root->Data = QByteArray("\x00\x01\x02binary", 9);
    root->Extra = {Variant(1), Variant(QStringLiteral("два")), Variant(3.5), Variant::Null()};
    static_cast<TFuzzItem*>(root->Items()->Add())->SetCaption(QStringLiteral("first"));
    static_cast<TFuzzItem*>(root->Items()->Add())->SetWeight(9);
    TFuzzWidget* child = New<TFuzzWidget>(root.get());
    child->SetName(QStringLiteral("Child"));
    child->SetText(QStringLiteral("x"));
    TFuzzWidget* grandchild = New<TFuzzWidget>(child);
    grandchild->SetName(QStringLiteral("Leaf"));
    root->SetLink(child);
    auto s = NewOwned<TMemoryStream>();
    WriteComponentToStream(s.get(), root.get());
    return QByteArray(static_cast<const char*>(s->Memory()), qsizetype(s->Size()));
}
