#include "platform/TextHash.h"

#include <random>

uint64_t TTextHash::MakeSeed() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}
