#include <gtest/gtest.h>

#include <QApplication>
#include <QLocale>

// One QApplication for all widget tests, on the offscreen platform unless told otherwise.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::c());  // live values with '.', whatever the machine's locale
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
