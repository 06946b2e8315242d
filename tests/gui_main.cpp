// Entry point of the window test programs: one offscreen application for all tests.
#include <gtest/gtest.h>

#include <QApplication>
#include <QSettings>
#include <QStandardPaths>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    // What windows keep between runs (QSettings) goes to a test folder, never the user's.
    QStandardPaths::setTestModeEnabled(true);
    QSettings().clear();  // and every run starts from nothing kept
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
