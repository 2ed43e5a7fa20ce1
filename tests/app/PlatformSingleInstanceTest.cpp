#include "app/platform/SingleInstance.h"
#include "tests/shell/EventPump.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

mode_t ModeOf(const QString& path) {
    struct stat info {};
    EXPECT_EQ(lstat(QFile::encodeName(path).constData(), &info), 0) << path.toStdString();
    return info.st_mode & 0777;
}

// Leaves a socket file behind whose owner is gone, as a crashed instance does.
void MakeStaleSocket(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, native.constData(), static_cast<size_t>(native.size()));
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(listen(fd, 1), 0);
    close(fd);
}

class SingleInstanceTest : public ::testing::Test {
protected:
    QString Dir() const { return root.path() + QStringLiteral("/zentrilo"); }

    // Sends `bytes` as a client and waits until the server has dropped the connection.
    bool SendAndWaitForClose(const QByteArray& bytes) {
        QLocalSocket client;
        client.connectToServer(instance->SocketPath());
        if (!client.waitForConnected(1000))
            return false;
        client.write(bytes);
        client.flush();
        return PumpUntil([&] { return client.state() == QLocalSocket::UnconnectedState; });
    }

    void ListenFirst() {
        instance = std::make_unique<TSingleInstance>(Dir());
        instance->OnExitRequest = [this] { ++exits; };
        ASSERT_EQ(instance->Listen(), TSingleInstance::clListening);
    }

    QTemporaryDir root;
    std::unique_ptr<TSingleInstance> instance;
    int exits = 0;
};

TEST_F(SingleInstanceTest, ListensOnAPrivateSocketNamedAfterTheWindowClass) {
    ListenFirst();
    EXPECT_EQ(instance->SocketPath(), Dir() + QStringLiteral("/TzentriloMF"));
    EXPECT_EQ(ModeOf(Dir()), 0700u);
    EXPECT_EQ(ModeOf(instance->SocketPath()), 0600u);
}

TEST_F(SingleInstanceTest, TightensAnExistingDirectoryThatOthersCouldEnter) {
    ASSERT_EQ(mkdir(QFile::encodeName(Dir()).constData(), 0755), 0);
    ListenFirst();
    EXPECT_EQ(ModeOf(Dir()), 0700u);
}

TEST_F(SingleInstanceTest, RefusesADirectoryThatIsASymlink) {
    const QString elsewhere = root.path() + QStringLiteral("/elsewhere");
    ASSERT_EQ(mkdir(QFile::encodeName(elsewhere).constData(), 0700), 0);
    ASSERT_EQ(
        symlink(QFile::encodeName(elsewhere).constData(), QFile::encodeName(Dir()).constData()), 0);
    TSingleInstance other(Dir());
    EXPECT_EQ(other.Listen(), TSingleInstance::clFailed);
}

TEST_F(SingleInstanceTest, RunningOnlyWhileALiveInstanceListens) {
    TSingleInstance probe(Dir());
    EXPECT_FALSE(probe.AlreadyRunning());
    ListenFirst();
    EXPECT_TRUE(probe.AlreadyRunning());
    instance.reset();
    EXPECT_FALSE(probe.AlreadyRunning());
}

TEST_F(SingleInstanceTest, SecondClaimWhileTheFirstRunsIsRefused) {
    ListenFirst();
    TSingleInstance second(Dir());
    EXPECT_EQ(second.Listen(), TSingleInstance::clOtherInstance);
    // The first keeps working.
    EXPECT_TRUE(second.AlreadyRunning());
}

TEST_F(SingleInstanceTest, LeftoversOfACrashedInstanceDoNotCountAsRunning) {
    ASSERT_EQ(mkdir(QFile::encodeName(Dir()).constData(), 0700), 0);
    TSingleInstance probe(Dir());
    MakeStaleSocket(probe.SocketPath());
    // A lock file naming a process that no longer exists.
    const pid_t child = fork();
    if (child == 0)
        _exit(0);
    ASSERT_GT(child, 0);
    waitpid(child, nullptr, 0);
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    QFile lock(probe.LockPath());
    ASSERT_TRUE(lock.open(QIODevice::WriteOnly));
    lock.write(QByteArray::number(child) + "\nzentrilo\n" + host + "\n");
    lock.close();

    EXPECT_FALSE(probe.AlreadyRunning());
    ListenFirst();
    EXPECT_TRUE(probe.AlreadyRunning());
}

TEST_F(SingleInstanceTest, OnlyTheExitLineEndsTheProgram) {
    ListenFirst();
    struct Case {
        QByteArray bytes;
        int exits;
    };
    const Case cases[] = {
        {"1027\n", 1}, {"garbage\n", 0},          {"10270\n", 0}, {" 1027\n", 0}, {"1027\r\n", 0},
        {"1028\n", 0}, {QByteArray(200, 'x'), 0},
    };
    for (const Case& c : cases) {
        exits = 0;
        EXPECT_TRUE(SendAndWaitForClose(c.bytes)) << c.bytes.left(20).toStdString();
        EXPECT_EQ(exits, c.exits) << c.bytes.left(20).toStdString();
    }
}

TEST_F(SingleInstanceTest, ExitLineWithoutItsLineFeedIsIgnored) {
    ListenFirst();
    {
        QLocalSocket client;
        client.connectToServer(instance->SocketPath());
        ASSERT_TRUE(client.waitForConnected(1000));
        client.write("1027");
        client.flush();
        client.disconnectFromServer();
    }
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(exits, 0);
}

TEST_F(SingleInstanceTest, SilentClientIsDroppedAndDoesNotHoldUpOthers) {
    ListenFirst();
    instance->ClientTimeoutMs = 200;
    QLocalSocket silent;
    silent.connectToServer(instance->SocketPath());
    ASSERT_TRUE(silent.waitForConnected(1000));

    EXPECT_TRUE(SendAndWaitForClose("1027\n"));
    EXPECT_EQ(exits, 1);
    EXPECT_TRUE(PumpUntil([&] { return silent.state() == QLocalSocket::UnconnectedState; }));
}

TEST(SingleInstanceDirectoryTest, RuntimeDirectoryOrAPrivateFolderUnderTheConfig) {
    const QByteArray savedRuntime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/home/u/.config");
    qputenv("XDG_RUNTIME_DIR", "/run/user/1000");
    EXPECT_EQ(TSingleInstance::DefaultDirectory(), QStringLiteral("/run/user/1000/zentrilo"));
    qunsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(TSingleInstance::DefaultDirectory(),
              QStringLiteral("/home/u/.config/zentrilo/runtime"));
    qputenv("XDG_RUNTIME_DIR", savedRuntime);
    qputenv("XDG_CONFIG_HOME", savedConfig);
}

} // namespace
