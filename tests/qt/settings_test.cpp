// The real settings store with broken, hostile or unwritable config: the game starts, places the
// window on screen, closes without a crash, and stores clean values where it can.
#include "qt/live_window.h"
#include "qt/session_end.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

#include <gtest/gtest.h>

namespace kazuroi {
namespace {

class Settings : public ::testing::Test {
  protected:
    QTemporaryDir root;
    QString ini() const { return root.path() + "/kazuroi/kazuroi.ini"; }

    void SetUp() override { qputenv("XDG_CONFIG_HOME", root.path().toUtf8()); }

    void writeIni(const QByteArray& content) {
        QDir().mkpath(root.path() + "/kazuroi");
        QFile file(ini());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray readIni() {
        QFile file(ini());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts the game, checks where it put the window, closes it as the player would.
    QPoint startAndClose() {
        testing::LiveWindow live;
        const QPoint placed = live.window.pos();
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        EXPECT_TRUE(screen.intersects(live.window.frameGeometry())) << "window off screen";
        live.window.close();
        return placed;
    }
};

TEST_F(Settings, CleanRoundTrip) {
    writeIni("[Startup]\nLeft=\" 1500\"\nTop=\" 960\"\n");
    EXPECT_EQ(startAndClose(), QPoint(100, 64));
    EXPECT_TRUE(readIni().contains("Left=\" 1500\"")) << readIni().toStdString();
    EXPECT_TRUE(readIni().contains("Top=\" 960\""));
}

TEST_F(Settings, NothingStoredOpensAtOneHundredTwips) {
    EXPECT_EQ(startAndClose(), QPoint(7, 7));
    EXPECT_TRUE(readIni().contains("Left=\" 100\""));
}

TEST_F(Settings, HostileValuesReadAsZero) {
    for (const char* value : {"1e999", "-99999999999", "nan", "\"\"", "", "inf", "0x7fffffff"}) {
        writeIni(QByteArray("[Startup]\nLeft=") + value + "\nTop=" + value + "\n");
        EXPECT_EQ(startAndClose(), QPoint(0, 0)) << value;
        EXPECT_TRUE(readIni().contains("Left=\" 0\"")) << value << ": " << readIni().toStdString();
    }
}

TEST_F(Settings, LeadingNumberOfATextIsTaken) {
    writeIni("[Startup]\nLeft=\"  12abc\"\nTop=\"  45.9xyz\"\n");
    startAndClose();
    EXPECT_TRUE(readIni().contains("Left=\" 12\"")) << readIni().toStdString();
    EXPECT_TRUE(readIni().contains("Top=\" 45.9\""));
}

TEST_F(Settings, BinaryGarbageIsReplacedByCleanValues) {
    QByteArray garbage;
    for (int i = 0; i < 4096; ++i)
        garbage.append(char((i * 7919) % 256));
    writeIni(garbage);
    EXPECT_EQ(startAndClose(), QPoint(7, 7));
    EXPECT_TRUE(readIni().contains("[Startup]")) << "the next save rewrites the file";
    EXPECT_TRUE(readIni().contains("Left=\" 100\""));
}

TEST_F(Settings, OffScreenPositionOpensOnThePrimaryScreen) {
    writeIni("[Startup]\nLeft=\" 150000\"\nTop=\" -90000\"\n");
    const QPoint placed = startAndClose();
    EXPECT_EQ(placed, QGuiApplication::primaryScreen()->availableGeometry().topLeft());
    // The window moved from where the stored values put it, so its real place is stored.
    EXPECT_TRUE(readIni().contains("Left=\" 0\"")) << readIni().toStdString();
}

TEST_F(Settings, UnwritableFolderStillStartsAndCloses) {
    // A file where the folder should be: no one, not even root, can create the store.
    QFile blocker(root.path() + "/kazuroi");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_EQ(startAndClose(), QPoint(7, 7));
    EXPECT_TRUE(QFileInfo(root.path() + "/kazuroi").isFile());
}

TEST_F(Settings, MissingFolderIsCreated) {
    qputenv("XDG_CONFIG_HOME", (root.path() + "/a/b/c").toUtf8());
    startAndClose();
    EXPECT_TRUE(QFile::exists(root.path() + "/a/b/c/kazuroi/kazuroi.ini"));
}

// Left and Top go to the file together, in one rewrite once the Unload handler is done.
TEST_F(Settings, ThePositionIsStoredInOneRewrite) {
    writeIni("[Startup]\nLeft=\" 1\"\nTop=\" 2\"\n");
    QtPlatform platform;
    platform.writeSetting("kazuroi", "Startup", "Left", " 30");
    platform.writeSetting("kazuroi", "Startup", "Top", " 40");
    EXPECT_EQ(readIni(), "[Startup]\nLeft=\" 1\"\nTop=\" 2\"\n");
    platform.commitSettings();
    EXPECT_EQ(readIni(), "[Startup]\nLeft=\" 30\"\nTop=\" 40\"\n");

    // A file whose last line nothing can follow unchanged: QSettings writes it in its own way,
    // and the close says so in one line.
    writeIni("[Startup]\nLeft=\" 1\"\nnote=\"open");
    QtPlatform rewriting;
    rewriting.writeSetting("kazuroi", "Startup", "Left", " 30");
    rewriting.writeSetting("kazuroi", "Startup", "Top", " 40");
    ::testing::internal::CaptureStderr();
    rewriting.commitSettings();
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(QSettings(ini(), QSettings::IniFormat).value("Startup/Top"), " 40");
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_NE(said.find("QSettings rewrote " + ini().toStdString()), std::string::npos) << said;
}

// A logout or `kill` closes the game as the player would, storing the position; with a box open
// it ends the game without storing anything.
TEST_F(Settings, EndingFromOutside) {
    {
        testing::LiveWindow live;
        SessionEnd sessionEnd(live.window);
        ::raise(SIGTERM);
        EXPECT_TRUE(QTest::qWaitFor([&] { return !live.window.isVisible(); }, 3000));
        EXPECT_TRUE(readIni().contains("Left=\" 100\"")) << readIni().toStdString();
    }
    QFile::remove(ini());
    {
        testing::LiveWindow live;
        SessionEnd sessionEnd(live.window);
        live.form.StageIndex = 2;
        live.form.TimeLeft = 0;
        live.form.shp制限時間残り.Width = 19;
        live.form.tim制限時間タイマ.Enabled = true;
        live.game.showChanges(); // the next tick opens the time-out box
        bool boxOpen = false;
        QTimer::singleShot(200, [&] {
            boxOpen = live.game.boxOpen();
            ::raise(SIGHUP);
        });
        EXPECT_TRUE(QTest::qWaitFor([&] { return live.game.ended(); }, 3000));
        EXPECT_TRUE(boxOpen);
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_FALSE(QFile::exists(ini()));
    }
}

} // namespace
} // namespace kazuroi
