#include "engine/QorAuthStore.h"

#include "engine/QorFile.h"

#include <gtest/gtest.h>

namespace {

TEST(QorAuthStoreTest, AsksOnceThenSendsTheKeptCredentials) {
    TQorAuthStore store;
    int asked = 0;
    auto ask = [&](const TQorFile&, std::string& user, std::string& password) {
        ++asked;
        EXPECT_EQ(user, "");
        user = "me";
        password = "pw";
        return true;
    };
    TQorFile file("http://h:8080/secret/a.html?x=1");
    std::string user, password;
    ASSERT_TRUE(store.Answer(file, user, password, ask));
    EXPECT_EQ(user + ":" + password, "me:pw");
    EXPECT_EQ(asked, 1);

    // A new load of the same address starts without credentials: the kept
    // ones go without a question.
    TQorFile again("http://H:8080/secret/a.html?x=2");
    user.clear();
    password.clear();
    ASSERT_TRUE(store.Answer(again, user, password, ask));
    EXPECT_EQ(user + ":" + password, "me:pw");
    EXPECT_EQ(asked, 1);

    // Another port is another server.
    TQorFile otherPort("http://h/secret/a.html");
    user.clear();
    password.clear();
    EXPECT_TRUE(store.Answer(otherPort, user, password, ask));
    EXPECT_EQ(asked, 2);
}

TEST(QorAuthStoreTest, RefusedKeptCredentialsAskAgainAndCancelKeepsNothing) {
    TQorAuthStore store;
    TQorFile file("http://h/a.html");
    store.Keep(file, "old", "bad");
    std::string seenUser;
    auto cancel = [&](const TQorFile&, std::string& user, std::string&) {
        seenUser = user;
        return false;
    };
    std::string user = "old", password = "bad"; // sent and refused
    EXPECT_FALSE(store.Answer(file, user, password, cancel));
    EXPECT_EQ(seenUser, "old");
    EXPECT_FALSE(store.Answer(file, user, password, nullptr));
}

} // namespace
