#include "tests/support/ConfigHome.h"
#include "toolkit/TApplication.h"

#include <gtest/gtest.h>

// One application object for the whole run: widget tests need it and the rest do not mind it.
// One temporary configuration folder for the whole run too, so that no test, and no program a
// test starts, ever reads or writes the user's real settings; a test may still set its own.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const ConfigHome home;
    testing::InitGoogleTest(&argc, argv);
    quorvane::TApplication app(argc, argv);
    app.SetTitle(QStringLiteral("Quorvane"));
    return RUN_ALL_TESTS();
}
