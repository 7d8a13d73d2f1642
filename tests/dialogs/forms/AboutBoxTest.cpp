#include "dialogs/TAboutDlg.h"
#include "dialogs/TfrmAbout.h"
#include "tests/support/ConfigHome.h"
#include "toolkit/TMessageBox.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quorvane;

namespace {

TEST(AboutMemory, isInKilobytesWithOneSeparator)
{
    const std::pair<uint64_t, const char*> cases[] = { { 1023, "0 KB" }, { 512 * 1024, "512 KB" },
        { 1024 * 1024, "1,024 KB" }, { 24ull << 30, "25165,824 KB" } };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(TfrmAbout::MemoryText(bytes), text);
}

// Title, app and vendor are the main window's F1 test's. What is left: the owner from the machine
// settings, the measured figures, and the box that says the resources could not be read.
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
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            events << form->lblUserName->text() + ", " + form->lblCompanyName->text();
            EXPECT_TRUE(form->lblPhysical->text().endsWith(" KB"));
            events << (form->lblResFree->text().endsWith("% Free") ? "free"
                                                                   : form->lblResFree->text());
            QTest::mouseClick(form->cmdOK, Qt::LeftButton);
        });
        about.Execute();
    }
    TMessageBox::SetAnswerHook({});
    EXPECT_EQ(events,
        QStringList({ "Ada Lovelace, Analytical Engines", "free",
            "Quorvane: GetProcAddress16 failure", "Ada Lovelace, Analytical Engines", "" }));
}

} // namespace
