// Test main for code that draws text: a QGuiApplication on the offscreen
// platform with the program's fonts registered.
#include "platform/application_fonts.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    varnelo::registerApplicationFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
