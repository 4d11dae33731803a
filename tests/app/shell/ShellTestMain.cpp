// Runs the shell tests on Qt's offscreen platform, where every box also
// writes its title and text to standard error.
#include <QByteArray>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
