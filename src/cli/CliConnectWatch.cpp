#include "cli/CliConnectWatch.h"

#include "engine/QorLoadManager.h"
#include "engine/QorLoadThread.h"
#include "inet/InetHTTP.h"

void TCliConnectWatch::Attach(TQorLoadManager& manager) {
    manager.OnHeading = [this](TQorLoadThread* sender, TQorFile&) { thread_ = sender; };
}

TConnectFailure TCliConnectWatch::Take() {
    TQorLoadThread* thread = thread_.exchange(nullptr);
    if (!thread) return cfNone;
    TTransport* socket = thread->GetHTTP().GetSocket();
    return socket ? socket->LastConnectFailure() : cfNone;
}
