// The default mail program from the desktop's lists, and mail addresses
// handed over as one mailto: URL.
#include "shell/DefaultMailer.h"
#include "shell/QtText.h"
#include "support/ScopedEnv.h"
#include "support/TempFolder.h"

#include <QDesktopServices>
#include <QUrl>
#include <QtTest>

#include <filesystem>
#include <fstream>

class TMailRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void handle(const QUrl& url) { urls.append(url); }
};

class DefaultMailerTest : public QObject {
    Q_OBJECT

    // A desktop of its own: config and data folders in a temporary folder.
    struct TDesktop {
        TTempFolder tmp;
        TScopedEnv config{"XDG_CONFIG_HOME", tmp.NativePath("config").string()};
        TScopedEnv configDirs{"XDG_CONFIG_DIRS", tmp.NativePath("none").string()};
        TScopedEnv data{"XDG_DATA_HOME", tmp.NativePath("data").string()};
        TScopedEnv dataDirs{"XDG_DATA_DIRS", tmp.NativePath("none").string()};
        TDesktop() {
            std::filesystem::create_directories(tmp.NativePath("config"));
            std::filesystem::create_directories(tmp.NativePath("data/applications"));
        }
        void Write(const std::string& name, const std::string& text) { std::ofstream(tmp.NativePath(name)) << text; }
    };

private slots:
    void mailerIsTheProgramOfTheMailtoDefault() {
        TDesktop desktop;
        desktop.Write("config/mimeapps.list",
                      "[Added Associations]\nx-scheme-handler/mailto=wrong.desktop\n"
                      "[Default Applications]\ntext/html=web.desktop\n"
                      "x-scheme-handler/mailto=my-mail.desktop;other.desktop;\n");
        desktop.Write("data/applications/my-mail.desktop",
                      "[Desktop Entry]\nType=Application\nName=Mail\nExec=\"/opt/My Mail/mail\" %u\n");
        QCOMPARE(TDefaultMailer().MailerPath, std::string("C:\\opt\\My Mail\\mail"));
    }

    void noDefaultOrNoDesktopFileLeavesItEmpty() {
        TDesktop desktop;
        QCOMPARE(TDefaultMailer().MailerPath, std::string());
        desktop.Write("config/mimeapps.list", "[Default Applications]\nx-scheme-handler/mailto=gone.desktop\n");
        QCOMPARE(TDefaultMailer().MailerPath, std::string());
    }

    void mailToHandsOverOneUrl() {
        TMailRecorder recorder;
        QDesktopServices::setUrlHandler(QStringLiteral("mailto"), &recorder, "handle");
        TDefaultMailer mailer;
        QVERIFY(mailer.MailTo("someone@example.com"));
        QVERIFY(mailer.MailTo("a@example.com?subject=x y&body=$(id)"));
        QDesktopServices::unsetUrlHandler(QStringLiteral("mailto"));
        QCOMPARE(recorder.urls.size(), 2);
        QCOMPARE(recorder.urls[0].toString(), QStringLiteral("mailto:someone@example.com"));
        QCOMPARE(recorder.urls[1].toString(QUrl::FullyEncoded),
                 QStringLiteral("mailto:a@example.com?subject=x%20y&body=$(id)"));
    }
};

QTEST_MAIN(DefaultMailerTest)
#include "DefaultMailerTest.moc"
