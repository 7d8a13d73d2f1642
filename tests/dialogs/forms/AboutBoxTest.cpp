#include "ConfigHome.h"
#include "TAboutDlg.h"
#include "TMessageBox.h"
#include "TfrmAbout.h"

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

// Opens the box and reads what it shows (caption, then app, vendor, copyright, owner,
// organisation, memory and resources), closing it with its OK button. Message boxes on the way
// are answered OK and noted in Events, as is the box itself.
class AboutBox : public ::testing::Test {
protected:
    void SetUp() override
    {
        TMessageBox::SetAnswerHook([this](const TMessageRequest& request) {
            Events << (request.Caption + ": " + request.Text);
            return TModalResult::mrOk;
        });
    }
    void TearDown() override { TMessageBox::SetAnswerHook({}); }

    QStringList Shown(TAboutDlg& about)
    {
        QStringList shown;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            Events << "box";
            shown << form->windowTitle();
            for (const QLabel* label : { form->lblApp, form->lblVendor, form->lblCopyright,
                     form->lblUserName, form->lblCompanyName, form->lblPhysical, form->lblResFree })
                shown << label->text();
            QTest::mouseClick(form->cmdOK, Qt::LeftButton);
        });
        about.Execute();
        return shown;
    }

    void WriteOwner(const char* owner)
    {
        Home.WriteMachineHive(QByteArray("Windows Registry Editor Version 5.00\n\n"
                                         "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\"
                                         "CurrentVersion]\n\"RegisteredOwner\"=\"")
            + owner + "\"\n\"RegisteredOrganization\"=\"Analytical Engines\"\n");
    }

    ConfigHome Home;
    QStringList Events;
};

TEST_F(AboutBox, showsItsTextsTheOwnerOnceFoundAndTheMeasuredFigures)
{
    TAboutDlg about(nullptr);
    about.SetVendor("Brindlewick Software");
    about.SetCopyright("(c) Brindlewick");
    const QStringList first = Shown(about);
    EXPECT_EQ(first.mid(0, 6),
        QStringList(
            { "About Quorvane", "Quorvane", "Brindlewick Software", "(c) Brindlewick", "", "" }));
    EXPECT_TRUE(first[6].endsWith(" KB"));
    EXPECT_TRUE(first[7].endsWith("% Free"));
    EXPECT_EQ(Events, QStringList({ "box" }));

    // Not found: looked for again. Found: kept, the store is not read again.
    WriteOwner("Ada Lovelace");
    EXPECT_EQ(Shown(about).mid(4, 2), QStringList({ "Ada Lovelace", "Analytical Engines" }));
    WriteOwner("Mallory");
    EXPECT_EQ(Shown(about)[4], "Ada Lovelace");
}

TEST_F(AboutBox, unreadableResourcesAreSaidBeforeTheBoxShowsWithoutAFigure)
{
    QTemporaryDir empty;
    TAboutDlg about(nullptr);
    about.SetResources(SystemResources(empty.path().toStdString()));
    EXPECT_EQ(Shown(about)[7], "");
    EXPECT_EQ(Events, QStringList({ "Quorvane: GetProcAddress16 failure", "box" }));
}

} // namespace
