#include "toolkit/TMessageBox.h"
#include "tests/support/ModalAnswer.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ModalAnswer;

namespace {

// A box as it opened (title, then buttons, the default one marked "*"), answered by a key. The
// plain message of the About box shares the error's one button.
struct BoxCase {
    TMsgDlgType Type;
    Qt::Key Key;
    TModalResult Answer;
    QStringList Seen;
    QMessageBox::Icon Icon;
};

TEST(MessageBoxes, showTheTitleIconAndButtonsOfTheirKindAndAnswerByKey)
{
    const BoxCase cases[] = {
        { TMsgDlgType::mtConfirmation, Qt::Key_Escape, TModalResult::mrNo,
            { "Confirm", "*&Yes", "&No" }, QMessageBox::Question },
        { TMsgDlgType::mtError, Qt::Key_Return, TModalResult::mrOk, { "Error", "*OK" },
            QMessageBox::Critical },
    };
    const QString text = "First line.\rSecond.\r\rSure?";
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.Seen[0].toStdString());
        QStringList seen;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        const ModalAnswer answering("QMessageBox", [&](QWidget& modal) {
            auto& box = static_cast<QMessageBox&>(modal);
            EXPECT_EQ(box.text(), "First line.\nSecond.\n\nSure?");
            icon = box.icon();
            seen << box.windowTitle();
            for (QAbstractButton* button : box.buttons())
                seen << (button == box.defaultButton() ? "*" : "") + button->text();
            QTest::keyClick(&box, c.Key);
        });
        EXPECT_EQ(TMessageBox::MessageDlg(text, c.Type), c.Answer);
        EXPECT_EQ(seen, c.Seen);
        EXPECT_EQ(icon, c.Icon);
    }
}

} // namespace
