#pragma once
// One proxy server of the user's proxy list.
#include "platform/Persistent.h"

#include <string>

class TProxyInfo : public TPersistent {
public:
    // Copies all three fields from another TProxyInfo; any other source does
    // nothing.
    void Assign(const TPersistent* source) override;

    std::string Name; // shown in the proxy box and the editor
    std::string Host;
    int Port = 0;
};
