#pragma once
// Hands mail addresses to the user's mail program. MailerPath is the
// program of the desktop's default mailto: handler (freedesktop mimeapps.list
// and the handler's .desktop file), empty when none is set; MailTo goes
// through the desktop as one mailto: URL, never a command line.
//
// Main thread only.
#include <string>
#include <string_view>

class TDefaultMailer {
public:
    TDefaultMailer() { GetMailer(); }

    std::string MailerPath; // Windows form; empty when unknown

    void GetMailer();
    // Opens "mailto:" + address; false when the desktop refuses it.
    bool MailTo(std::string_view address);
};
