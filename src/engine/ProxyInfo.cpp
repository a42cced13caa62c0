#include "engine/ProxyInfo.h"

void TProxyInfo::Assign(const TPersistent* source) {
    auto* from = dynamic_cast<const TProxyInfo*>(source);
    if (!from || from == this) return;
    Name = from->Name;
    Host = from->Host;
    Port = from->Port;
}
