#include "messagetransfer.h"

#include "messagefileoperations.h"
#include "shell/appcontext.h"

MessageTransfer::MessageTransfer(AppContext &ctx) : ctx_(ctx) {}

bool MessageTransfer::notAvailable()
{
    ctx_.messenger().showMessage(QStringLiteral("プリンタとの通信はこの版ではまだ使用できません。"), 64,
                                 kAppTitle);
    return false;
}

bool MessageTransfer::readAll(MessageForm &) { return notAvailable(); }
bool MessageTransfer::registerOne(MessageForm &) { return notAvailable(); }
bool MessageTransfer::deleteOne(MessageForm &) { return notAvailable(); }
bool MessageTransfer::testPrint(MessageForm &) { return notAvailable(); }
bool MessageTransfer::clearAll() { return notAvailable(); }
bool MessageTransfer::registerAll(MessageForm &) { return notAvailable(); }
bool MessageTransfer::printAll() { return notAvailable(); }
void MessageTransfer::cancelRead() {}
