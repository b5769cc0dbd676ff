// The host's tests run their windows on Qt's offscreen platform: no
// display is needed and nothing appears on one.
#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char **argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
