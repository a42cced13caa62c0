#include "cli/CliConnectWatch.h"

#include "engine/QorLoadManager.h"
#include "engine/QorLoadThread.h"
#include "inet/InetHTTP.h"

void TCliConnectWatch::Attach(TQorLoadManager& manager) {
    manager.OnHeading = [this](TQorLoadThread* sender, TQorFile&) { thread_ = sender; };
}

TConnectFailure TCliConnectWatch::Take() {
    detail_.clear();
    TQorLoadThread* thread = thread_.exchange(nullptr);
    if (!thread) return cfNone;
    TTransport* socket = thread->GetHTTP().GetSocket();
    if (!socket) return cfNone;
    detail_ = socket->LastFailureDetail();
    return socket->LastConnectFailure();
}
