#include "colorproc/PlaneColorConversion.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

// The registry tells the application's main thread from render threads, so
// the tests run inside an application object, with the plane copy's colour
// branch installed, like the program does.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    Nuvra::DataStorage::installPlaneColorConversion();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
