// SPDX-License-Identifier: GPL-3.0-or-later
// How Tosk meets the desktop: its name and icon, the file type of patches,
// and the socket through which a second start hands its files over.
#include "app/SingleInstance.h"
#include "app/ToskApplication.h"
#include "support/TestSupport.h"

#include <QApplication>
#include <QDir>
#include <QMimeDatabase>
#include <QTest>

#include <atomic>
#include <cstdlib>
#include <optional>
#include <thread>
#include <tuple>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace tosk;
namespace fs = std::filesystem;

namespace {

fs::path linuxFiles()
{
    return fs::canonical(test::dataPath("sigdbase.sbf")).parent_path().parent_path() / "packaging" / "linux";
}

} // namespace

TEST(DesktopIntegration, TheProgramNamesItsDesktopEntryAndDrawsItsIcon)
{
    const QString organization = QApplication::organizationName();
    const QString application = QApplication::applicationName();
    ToskApplication::setUpIdentity();
    // The desktop finds the entry the package installs by this name.
    EXPECT_TRUE(fs::exists(linuxFiles() / (QGuiApplication::desktopFileName().toStdString() + ".desktop")));
    EXPECT_EQ(QApplication::applicationName(), "Tosk");
    // The icon drawn: an opaque tile with clear rounded corners.
    const QImage picture = QApplication::windowIcon().pixmap(128).toImage();
    EXPECT_EQ(picture.pixelColor(64, 118).alpha(), 255);
    EXPECT_EQ(picture.pixelColor(1, 1).alpha(), 0);

    QApplication::setWindowIcon(QIcon());
    QApplication::setOrganizationName(organization);
    QApplication::setApplicationName(application);
    QGuiApplication::setDesktopFileName(QString());
}

// Other programs write ".sig" files (OpenPGP signatures above all): the file
// type claims only those whose first record is a head module. Read through
// Qt's MIME database from the system's types merged with the package's, as
// update-mime-database merges them when the package is installed.
TEST(DesktopIntegration, SigFilesOfOtherProgramsAreNotTakenForPatches)
{
    const fs::path system = "/usr/share/mime/packages/freedesktop.org.xml";
    if (!fs::exists(system) || std::system("command -v update-mime-database >/dev/null") != 0)
        GTEST_SKIP() << "needs shared-mime-info (update-mime-database and the system's types)";
    test::TempDir dir;
    const fs::path packages = dir / "share" / "mime" / "packages";
    fs::create_directories(packages);
    fs::create_directories(dir / "home");
    fs::copy_file(system, packages / "freedesktop.org.xml");
    fs::copy_file(linuxFiles() / "org.tosk.Tosk.xml", packages / "org.tosk.Tosk.xml");
    const std::string update =
        "PKGSYSTEM_ENABLE_FSYNC=0 update-mime-database '" + (dir / "share" / "mime").string() + "' >/dev/null 2>&1";
    ASSERT_EQ(std::system(update.c_str()), 0) << update;
    // Read once, on first use: this test runs in a process of its own.
    setenv("XDG_DATA_DIRS", (dir / "share").c_str(), 1);
    setenv("XDG_DATA_HOME", (dir / "home").c_str(), 1);

    const std::tuple<const char*, std::string, bool> cases[] = {
        {"demo.sig", test::readFile(test::dataPath("examples/demo.sig")), true},
        {"legacy.sig", test::readFile(test::dataPath("examples/legacy-head.sig")), true},
        {"tabbed.sig", "HEADM\tadc \"Tabbed\" t 2 2 1 a b c\n", true},
        {"demo.sif", test::readFile(test::dataPath("examples/demo.sig")), true},
        {"release.tar.gz.sig",
         "-----BEGIN PGP SIGNATURE-----\n\niQIzBAABCAAdFiEE\n=abcd\n-----END PGP SIGNATURE-----\n", false},
        {"binary.sig", std::string("\x89\x02\x33\x04\x00\x01\x08\x00\x1d\x16\x21\x04", 12), false},
        {"notes.sig", "some text that is no patch\n", false},
        {"headline.sig", "HEADLINE news of the day\n", false},
        {"indented.sig", " HEADM adc\n", false},
    };
    QMimeDatabase mime;
    for (const auto& [name, bytes, patch] : cases) {
        test::writeFile(dir / name, bytes);
        const QMimeType type = mime.mimeTypeForFile(QString::fromStdString((dir / name).string()));
        EXPECT_EQ(type.name() == "application/x-tosk-patch", patch) << name << ": " << type.name().toStdString();
    }
    EXPECT_EQ(mime.mimeTypeForName(QStringLiteral("application/x-tosk-patch")).iconName(), "application-x-tosk-patch");
}

TEST(SingleInstance, OneSocketPerSessionAndDisplay)
{
    const QString base = SingleInstance::serverName("/run/user/1000", ":0", "", "/home/u");
    EXPECT_TRUE(base.startsWith("/run/user/1000/tosk-") && base.endsWith(".socket")) << base.toStdString();
    EXPECT_EQ(SingleInstance::serverName("/run/user/1000", ":0", "", "/home/other"), base)
        << "the runtime folder is the user's already";
    for (const QString& other : {SingleInstance::serverName("/run/user/1000", ":1", "", "/home/u"),
                                 SingleInstance::serverName("/run/user/1000", ":0", "wayland-0", "/home/u"),
                                 SingleInstance::serverName("/tmp/test-run", ":0", "", "/home/u")})
        EXPECT_NE(other, base);
    const QString noRuntime = SingleInstance::serverName("", ":0", "", "/home/u");
    EXPECT_TRUE(noRuntime.startsWith(QDir::tempPath() + "/tosk-")) << noRuntime.toStdString();
    EXPECT_NE(SingleInstance::serverName("", ":0", "", "/home/other"), noRuntime)
        << "in the shared temporary folder users do not meet";

    SingleInstance nobody(SingleInstance::serverName("/nonexistent/run", ":0", "", "/home/u"));
    EXPECT_FALSE(nobody.handOff({"/tmp/a.sig"}, 500)) << "no editor listens there";
    EXPECT_FALSE(nobody.listen()) << "nor can one, in a folder that is not there";

    EXPECT_EQ(SingleInstance::absolutePaths({"a.sig", "/b/c.sig"}),
              (QStringList{QDir::current().absoluteFilePath("a.sig"), "/b/c.sig"}));
}

// The other end of the socket is checked to be the same user: an editor
// takes no files from a start of someone else. (A start meeting a socket of
// someone else is EditorProcess.ASocketOfAnotherUserIsPassedBy.)
TEST(SingleInstance, AnEditorTakesFilesOnlyFromItsOwnUser)
{
    test::TempDir dir;
    const QString name = QString::fromStdString((dir / "tosk.socket").string());
    for (const bool sameUser : {true, false}) {
        SCOPED_TRACE(sameUser ? "same user" : "another user");
        SingleInstance editor(name);
        if (!sameUser)
            editor.setUser(long(geteuid()) + 1);
        ASSERT_TRUE(editor.listen());
        std::optional<QStringList> received;
        QObject::connect(&editor, &SingleInstance::filesReceived,
                         [&received](const QStringList& paths) { received = paths; });

        // The second start blocks while it waits for the answer: it runs on
        // a thread of its own while this one serves the editor.
        std::atomic<int> taken = -1;
        std::thread start([&name, &taken] { taken = SingleInstance(name).handOff({"/p/demo.sig"}, 5000) ? 1 : 0; });
        static_cast<void>(QTest::qWaitFor([&taken] { return taken >= 0; }, 10000));
        start.join();
        QCoreApplication::processEvents();

        EXPECT_EQ(taken, sameUser ? 1 : 0);
        EXPECT_EQ(received, sameUser ? std::optional<QStringList>(QStringList{"/p/demo.sig"}) : std::nullopt);
    }
}
