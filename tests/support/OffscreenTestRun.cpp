#include "OffscreenTestRun.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

int RunOffscreenTests(int argc, char** argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QTemporaryDir home;
    if (!home.isValid()) {
        return 2;
    }
    const QByteArray homePath = QDir(home.path()).absolutePath().toLocal8Bit();
    const QByteArray configPath = homePath + "/config";
    QDir().mkpath(QString::fromLocal8Bit(configPath));
    setenv("HOME", homePath.constData(), 1);
    setenv("XDG_CONFIG_HOME", configPath.constData(), 1);
    setenv("XDG_RUNTIME_DIR", homePath.constData(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    return RUN_ALL_TESTS();
}
