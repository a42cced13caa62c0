#include "cli/CliSignals.h"

#include <atomic>

namespace {

std::atomic<bool> interrupted{false};

void OnSignal(int) { interrupted.store(true); }

} // namespace

TCliSignals::TCliSignals() {
    interrupted.store(false);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &oldInt_);
    sigaction(SIGTERM, &action, &oldTerm_);
}

TCliSignals::~TCliSignals() {
    sigaction(SIGINT, &oldInt_, nullptr);
    sigaction(SIGTERM, &oldTerm_, nullptr);
}

bool TCliSignals::Interrupted() const { return interrupted.load(); }
