#include "ModalAnswer.h"
#include "TMessageBox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ModalAnswer;

namespace {

struct SeenBox {
    QString Title;
    QString Text;
    QMessageBox::Icon Icon = QMessageBox::NoIcon;
    QStringList Buttons;
    QString DefaultButton;
};

// Reads the box once it is open, then answers it as a person would, with a key.
ModalAnswer AnswerNextBoxWith(int key, SeenBox& seen)
{
    return ModalAnswer("QMessageBox", [key, &seen](QWidget& modal) {
        auto& box = static_cast<QMessageBox&>(modal);
        seen.Title = box.windowTitle();
        seen.Text = box.text();
        seen.Icon = box.icon();
        for (QAbstractButton* button : box.buttons())
            seen.Buttons << button->text();
        seen.DefaultButton = box.defaultButton() ? box.defaultButton()->text() : QString();
        QTest::keyClick(&box, Qt::Key(key));
    });
}

TEST(MessageBoxes, confirmationAsksYesOrNoAndEscapeAnswersNo)
{
    SeenBox seen;
    const ModalAnswer answering = AnswerNextBoxWith(Qt::Key_Escape, seen);
    const TModalResult answer
        = TMessageBox::MessageDlg("First line.\rSecond.\r\rSure?", TMsgDlgType::mtConfirmation);
    EXPECT_EQ(answer, TModalResult::mrNo);
    EXPECT_EQ(seen.Title, "Confirm");
    EXPECT_EQ(seen.Text, "First line.\nSecond.\n\nSure?");
    EXPECT_EQ(seen.Icon, QMessageBox::Question);
    EXPECT_EQ(seen.Buttons, QStringList({ "&Yes", "&No" }));
    EXPECT_EQ(seen.DefaultButton, "&Yes");
}

TEST(MessageBoxes, warningTakesEnterAsYes)
{
    SeenBox seen;
    const ModalAnswer answering = AnswerNextBoxWith(Qt::Key_Return, seen);
    EXPECT_EQ(TMessageBox::MessageDlg("Careful", TMsgDlgType::mtWarning), TModalResult::mrYes);
    EXPECT_EQ(seen.Title, "Warning");
    EXPECT_EQ(seen.Icon, QMessageBox::Warning);
}

TEST(MessageBoxes, errorHasAStopSignAndOk)
{
    SeenBox seen;
    const ModalAnswer answering = AnswerNextBoxWith(Qt::Key_Return, seen);
    EXPECT_EQ(TMessageBox::MessageDlg("Broken.", TMsgDlgType::mtError), TModalResult::mrOk);
    EXPECT_EQ(seen.Title, "Error");
    EXPECT_EQ(seen.Icon, QMessageBox::Critical);
    EXPECT_EQ(seen.Buttons, QStringList({ "OK" }));
}

TEST(MessageBoxes, plainMessageIsTitledAfterTheApplicationWithoutIcon)
{
    SeenBox seen;
    const ModalAnswer answering = AnswerNextBoxWith(Qt::Key_Return, seen);
    TMessageBox::ShowMessage("Note");
    EXPECT_EQ(seen.Title, "Quorvane");
    EXPECT_EQ(seen.Icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.Buttons, QStringList({ "OK" }));
}

TEST(MessageBoxes, aWindowOtherThanTheExpectedBoxFailsTheTestAndIsClosed)
{
    EXPECT_NONFATAL_FAILURE(
        {
            QDialog other;
            other.setWindowTitle("Other");
            const ModalAnswer answering("QMessageBox", [](QWidget&) {});
            other.exec();
        },
        "expected a QMessageBox, but a QDialog titled \"Other\" opened");
}

} // namespace
