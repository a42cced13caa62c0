#pragma once
// Numbers the running instances of the program. Each number is a lock file
// in a folder ("<name>.<number>.lock"), held with flock() for as long as the
// object lives; an instance takes the smallest number whose file nobody
// holds. The system drops the lock when the holder ends in any way, so a
// crashed or killed instance frees its number, and numbers are reused.
//
// flock() belongs to the open file, not to the process: two objects in one
// process get two numbers. The descriptor is close-on-exec, so a program we
// start (a browser, say) never keeps a number alive; a child made by fork
// without exec shares the parent's lock until both have closed it.
// The lock files stay in the folder: removing one could let two instances
// hold "the same" number through two different files.
//
// Construct and destroy on one thread; Number may be read from any thread.
#include <string>
#include <string_view>

class TInstanceLock {
public:
    // Tries the numbers 0 to maxCount - 1 in `folder` (Windows form, with a
    // trailing "\"). A number whose file cannot be opened (a folder in its
    // place, say) counts as taken.
    TInstanceLock(std::string_view folder, std::string_view name, int maxCount);
    ~TInstanceLock(); // frees the number
    TInstanceLock(const TInstanceLock&) = delete;
    TInstanceLock& operator=(const TInstanceLock&) = delete;

    // The number held; -1 when every number was taken or no file could be
    // opened (the folder is missing, say).
    int Number() const { return number_; }
    // The lock file held (Windows form); empty when none.
    const std::string& FileName() const { return fileName_; }

private:
    int fd_ = -1;
    int number_ = -1;
    std::string fileName_;
};
