#pragma once
// Ctrl+C and SIGTERM for the life of the object: the first one only raises a
// flag that the command's wait loop reads and answers by cancelling its
// transfers as a closing window does; the handlers before are put back at
// the end.
#include <csignal>

class TCliSignals {
public:
    TCliSignals();
    ~TCliSignals();
    TCliSignals(const TCliSignals&) = delete;
    TCliSignals& operator=(const TCliSignals&) = delete;

    bool Interrupted() const;

private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
};
