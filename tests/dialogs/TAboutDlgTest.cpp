#include "dialogs/TAboutDlg.h"
#include "dialogs/TfrmAbout.h"
#include "tests/support/ConfigHome.h"
#include "tests/support/ModalAnswer.h"
#include "toolkit/TMessageBox.h"

#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ModalAnswer;

namespace {

TEST(AboutMemory, isInKilobytesWithOneSeparator)
{
    const std::pair<uint64_t, const char*> cases[] = { { 1023, "0 KB" }, { 512 * 1024, "512 KB" },
        { 1024 * 1024, "1,024 KB" }, { 24ull << 30, "25165,824 KB" } };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(TfrmAbout::MemoryText(bytes), text);
}

// The title and name of the application, the owner from the machine settings, the measured
// figures, and the box that says the resources could not be read.
TEST(AboutBox, showsTheOwnerAndFiguresAndSaysUnreadableResourcesBeforeItShows)
{
    ConfigHome home;
    home.WriteMachineHive("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\"
                          "Microsoft\\Windows\\CurrentVersion]\n\"RegisteredOwner\"=\"Ada "
                          "Lovelace\"\n\"RegisteredOrganization\"=\"Analytical Engines\"\n");
    QStringList events;
    TMessageBox::SetAnswerHook([&](const TMessageRequest& request) {
        events << (request.Caption + ": " + request.Text);
        return TModalResult::mrOk;
    });
    QTemporaryDir empty;
    TAboutDlg about(nullptr);
    for (const bool readable : { true, false }) {
        if (!readable)
            about.SetResources(SystemResources(empty.path().toStdString()));
        const ModalAnswer answer("quorvane::TfrmAbout", [&](QWidget& modal) {
            auto& form = static_cast<TfrmAbout&>(modal);
            events << form.windowTitle() + ": " + form.lblApp->text() + ", "
                    + form.lblUserName->text() + ", " + form.lblCompanyName->text();
            EXPECT_TRUE(form.lblPhysical->text().endsWith(" KB"));
            events << (form.lblResFree->text().endsWith("% Free") ? "free"
                                                                  : form.lblResFree->text());
            QTest::mouseClick(form.cmdOK, Qt::LeftButton);
        });
        about.Execute();
        EXPECT_TRUE(answer.Answered());
    }
    TMessageBox::SetAnswerHook({});
    EXPECT_EQ(events,
        QStringList({ "About Quorvane: Quorvane, Ada Lovelace, Analytical Engines", "free",
            "Quorvane: GetProcAddress16 failure",
            "About Quorvane: Quorvane, Ada Lovelace, Analytical Engines", "" }));
}

} // namespace
