#include "engine/QorAuthStore.h"

#include "engine/QorFile.h"

std::string TQorAuthStore::Key(const TQorFile& file) { return file.URL->GetCompEntity(); }

void TQorAuthStore::Keep(const TQorFile& file, const std::string& user, const std::string& password) {
    kept_[Key(file)] = {user, password};
}

bool TQorAuthStore::Find(const TQorFile& file, std::string& user, std::string& password) const {
    const auto it = kept_.find(Key(file));
    if (it == kept_.end()) return false;
    user = it->second.first;
    password = it->second.second;
    return true;
}

bool TQorAuthStore::Answer(const TQorFile& file, std::string& user, std::string& password,
                           const TAskEvent& ask) {
    std::string keptUser, keptPassword;
    const bool kept = Find(file, keptUser, keptPassword);
    if (kept && (keptUser != user || keptPassword != password)) {
        user = keptUser;
        password = keptPassword;
        return true;
    }
    if (!ask) return false;
    std::string askUser = user, askPassword = password;
    if (!ask(file, askUser, askPassword)) return false;
    user = askUser;
    password = askPassword;
    Keep(file, user, password);
    return true;
}
