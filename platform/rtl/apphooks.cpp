#include "platform/rtl/apphooks.h"

void (*ApplicationHandleException)(TObject* Sender) = nullptr;
void (*ApplicationBroadcastToForms)(unsigned Msg) = nullptr;
void (*LongWaitBegin)() = nullptr;
bool (*LongWaitPoll)() = nullptr;
void (*LongWaitEnd)() = nullptr;
