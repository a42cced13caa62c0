// vorlen-httpget: one TInetHTTP::Get from the command line, for measuring
// the transfer beside curl and wget.
//   vorlen-httpget URL FILE      body to FILE (header kept out of the file)
//   vorlen-httpget --memory URL  whole answer to memory, then discarded
// Prints "MBps=... bytes=..." from its own clock as its last line.
#include "inet/InetHTTP.h"
#include "inet/InetURLEx.h"
#include "platform/CodePage.h"
#include "platform/WinPath.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    bool memory = argc == 3 && std::strcmp(argv[1], "--memory") == 0;
    if (argc != 3) {
        std::fprintf(stderr, "usage: vorlen-httpget URL FILE | vorlen-httpget --memory URL\n");
        return 1;
    }
    std::string url = TCodePage::FromUtf8(memory ? argv[2] : argv[1]);
    TInetURLEx parsed(url);
    TInetHTTP http;
    http.Timeout = 30;
    http.Port = parsed.Port.empty() ? (parsed.Scheme == "https" ? 443 : 80) : std::atoi(parsed.Port.c_str());
    if (!memory) {
        http.ReceiveToFile = true;
        http.TargetFile = TWinPath::FromNative(argv[2]);
    }
    auto t0 = std::chrono::steady_clock::now();
    http.Get(url, false);
    double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    int64_t bytes = memory ? http.GetBinaryLen() : 0;
    if (!memory) {
        if (FILE* f = std::fopen(argv[2], "rb")) {
            std::fseek(f, 0, SEEK_END);
            bytes = std::ftell(f);
            std::fclose(f);
        }
    }
    if (http.ErrorCode != 0) {
        std::fprintf(stderr, "vorlen-httpget: error %d\n", http.ErrorCode.load());
        return 2;
    }
    std::printf("status=%d MBps=%.1f bytes=%lld\n", http.ResponseHeader.StatusCode,
                secs > 0 ? bytes / secs / 1e6 : 0.0, static_cast<long long>(bytes));
    return 0;
}
