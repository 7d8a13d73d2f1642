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

struct BoxCase {
    TMsgDlgType Type;
    Qt::Key Key;
    TModalResult Answer;
    const char* Title;
    QMessageBox::Icon Icon;
    QStringList Buttons;
};

class MessageBoxTypes : public ::testing::TestWithParam<BoxCase> { };

TEST_P(MessageBoxTypes, showTitleIconAndButtonsOfTheirTypeAndAnswerByKey)
{
    const BoxCase& c = GetParam();
    SeenBox seen;
    const ModalAnswer answering = AnswerNextBoxWith(c.Key, seen);
    EXPECT_EQ(TMessageBox::MessageDlg("First line.\rSecond.\r\rSure?", c.Type), c.Answer);
    EXPECT_EQ(seen.Title, c.Title);
    EXPECT_EQ(seen.Text, "First line.\nSecond.\n\nSure?");
    EXPECT_EQ(seen.Icon, c.Icon);
    EXPECT_EQ(seen.Buttons, c.Buttons);
    EXPECT_EQ(seen.DefaultButton, c.Buttons.first());
}

INSTANTIATE_TEST_SUITE_P(Types, MessageBoxTypes,
    ::testing::Values(BoxCase { TMsgDlgType::mtConfirmation, Qt::Key_Escape, TModalResult::mrNo,
                          "Confirm", QMessageBox::Question, { "&Yes", "&No" } },
        BoxCase { TMsgDlgType::mtWarning, Qt::Key_Return, TModalResult::mrYes, "Warning",
            QMessageBox::Warning, { "&Yes", "&No" } },
        BoxCase { TMsgDlgType::mtError, Qt::Key_Return, TModalResult::mrOk, "Error",
            QMessageBox::Critical, { "OK" } }));

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
