#include "inet/InetHTTPConnPool.h"

#include "platform/SjisText.h"
#include "platform/Transport.h"

#include <vector>

namespace {

// An idle connection has nothing to say: anything readable is the server's
// close (or bytes of no request), except TLS records that carry no data.
bool StillOpen(TTransport& connection) {
    if (!connection.Connected()) return false;
    if (connection.WaitReadable(0, nullptr) != rrReadable) return true;
    char byte;
    return connection.Recv(&byte, 1) == TTransport::kRecvNothingYet;
}

} // namespace

TInetHTTPConnPool::TInetHTTPConnPool(size_t perKey, size_t total) : perKey_(perKey), total_(total) {}

TInetHTTPConnPool::~TInetHTTPConnPool() { Clear(); }

std::string TInetHTTPConnPool::Key(bool secure, const std::string& host, int port,
                                   const std::string& proxy, int proxyPort) {
    std::string key = secure ? "https " : "http ";
    if (!proxy.empty() && !secure) return key + TSjisText::LowerCase(proxy) + ":" + std::to_string(proxyPort);
    key += TSjisText::LowerCase(host) + ":" + std::to_string(port);
    if (!proxy.empty()) key += " via " + TSjisText::LowerCase(proxy) + ":" + std::to_string(proxyPort);
    return key;
}

std::unique_ptr<TTransport> TInetHTTPConnPool::Take(const std::string& key) {
    for (;;) {
        std::unique_ptr<TTransport> found;
        {
            std::lock_guard lock(mutex_);
            for (auto it = idle_.rbegin(); it != idle_.rend(); ++it) {
                if (it->first != key) continue;
                found = std::move(it->second);
                idle_.erase(std::next(it).base());
                break;
            }
        }
        if (!found) return nullptr;
        if (StillOpen(*found)) return found;
        found->Close();
    }
}

void TInetHTTPConnPool::Put(const std::string& key, std::unique_ptr<TTransport> connection) {
    if (!connection) return;
    std::vector<std::unique_ptr<TTransport>> dropped;
    {
        std::lock_guard lock(mutex_);
        size_t same = 0;
        for (const auto& entry : idle_) same += entry.first == key;
        if (same >= perKey_) {
            for (auto it = idle_.begin(); it != idle_.end(); ++it) {
                if (it->first != key) continue;
                dropped.push_back(std::move(it->second));
                idle_.erase(it);
                break;
            }
        }
        if (idle_.size() >= total_) {
            dropped.push_back(std::move(idle_.front().second));
            idle_.pop_front();
        }
        idle_.emplace_back(key, std::move(connection));
    }
    // Closed outside the lock: a close may wait for the peer (TLS).
    for (auto& c : dropped) c->Close();
}

void TInetHTTPConnPool::Clear() {
    std::deque<std::pair<std::string, std::unique_ptr<TTransport>>> all;
    {
        std::lock_guard lock(mutex_);
        all.swap(idle_);
    }
    for (auto& entry : all) entry.second->Close();
}

size_t TInetHTTPConnPool::Idle() const {
    std::lock_guard lock(mutex_);
    return idle_.size();
}
