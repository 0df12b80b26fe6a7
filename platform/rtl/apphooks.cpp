#include "platform/rtl/apphooks.h"

void (*ApplicationHandleException)(TObject* Sender) = nullptr;
void (*ApplicationBroadcastToForms)(unsigned Msg) = nullptr;
