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

struct MemoryCase {
    uint64_t Bytes;
    QString Text;
};

class MemoryText : public ::testing::TestWithParam<MemoryCase> { };

TEST_P(MemoryText, isKilobytesWithOneSeparator)
{
    EXPECT_EQ(TfrmAbout::MemoryText(GetParam().Bytes), GetParam().Text);
}

INSTANTIATE_TEST_SUITE_P(AboutBox, MemoryText,
    ::testing::Values(MemoryCase { 512 * 1024, "512 KB" }, MemoryCase { 16384 * 1024, "16,384 KB" },
        MemoryCase { 1048576ull * 1024, "1048,576 KB" }, MemoryCase { 24ull << 30, "25165,824 KB" },
        MemoryCase { 1023, "0 KB" }));

// What an about box showed, read when it opened; closed with its OK button.
struct SeenForm {
    QString Caption;
    QStringList Lines; // app, vendor, copyright, owner, organisation
    QString Memory;
    QString Resources;
};

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

    SeenForm Execute(TAboutDlg& about)
    {
        SeenForm seen;
        QTimer::singleShot(0, [&] {
            auto* form = qobject_cast<TfrmAbout*>(QApplication::activeModalWidget());
            ASSERT_NE(form, nullptr);
            Events << "form";
            seen = { form->windowTitle(),
                { form->lblApp->text(), form->lblVendor->text(), form->lblCopyright->text(),
                    form->lblUserName->text(), form->lblCompanyName->text() },
                form->lblPhysical->text(), form->lblResFree->text() };
            QTest::mouseClick(form->cmdOK, Qt::LeftButton);
        });
        about.Execute();
        return seen;
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
    const SeenForm first = Execute(about);
    EXPECT_EQ(first.Caption, "About Quorvane") << "filled from the application's title";
    EXPECT_EQ(first.Lines,
        QStringList({ "Quorvane", "Brindlewick Software", "(c) Brindlewick", "", "" }));
    EXPECT_TRUE(first.Memory.endsWith(" KB"));
    EXPECT_TRUE(first.Resources.endsWith("% Free"));
    EXPECT_EQ(Events, QStringList({ "form" }));

    // Not found: looked for again. Found: kept, the store is not read again.
    WriteOwner("Ada Lovelace");
    EXPECT_EQ(Execute(about).Lines.mid(3), QStringList({ "Ada Lovelace", "Analytical Engines" }));
    WriteOwner("Mallory");
    EXPECT_EQ(Execute(about).Lines[3], "Ada Lovelace");
}

TEST_F(AboutBox, unreadableResourcesAreSaidBeforeTheBoxShowsWithoutAFigure)
{
    QTemporaryDir empty;
    TAboutDlg about(nullptr);
    about.SetResources(SystemResources(empty.path().toStdString()));
    EXPECT_EQ(Execute(about).Resources, "");
    EXPECT_EQ(Events, QStringList({ "Quorvane: GetProcAddress16 failure", "form" }));
}

} // namespace
