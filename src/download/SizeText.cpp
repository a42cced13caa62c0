#include "download/SizeText.h"

#include <cstdio>

std::string TSizeText::Get(uint64_t bytes)
{
    char buf[64];
    if (bytes < 1024)
        std::snprintf(buf, sizeof buf, "%llu B", static_cast<unsigned long long>(bytes));
    else if (bytes < 1048576)
        std::snprintf(buf, sizeof buf, "%llu KB", static_cast<unsigned long long>((bytes + 1023) / 1024));
    else if (bytes < 1073741824)
        std::snprintf(buf, sizeof buf, "%.2f MB", static_cast<double>(bytes) / 1048576.0);
    else
        std::snprintf(buf, sizeof buf, "%.2f GB", static_cast<double>(bytes) / 1073741824.0);
    return buf;
}
