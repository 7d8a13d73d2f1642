#include "TApplication.h"

#include <gtest/gtest.h>

// One application object for the whole run: widget tests need it and the rest do not mind it.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    testing::InitGoogleTest(&argc, argv);
    quorvane::TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("Quorvane"));
    return RUN_ALL_TESTS();
}
