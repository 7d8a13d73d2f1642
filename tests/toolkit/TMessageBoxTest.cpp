#include "toolkit/TMessageBox.h"
#include "tests/support/ModalAnswer.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <optional>

using namespace quorvane;
using quorvane::testing::ModalAnswer;

namespace {

// A box as it opened (title, then buttons, the default one marked "*"), answered by a key; a
// plain message has no kind and gives no answer.
struct BoxCase {
    std::optional<TMsgDlgType> Type;
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
        { std::nullopt, Qt::Key_Return, TModalResult::mrNone, { "Quorvane", "*OK" },
            QMessageBox::NoIcon },
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
        if (c.Type)
            EXPECT_EQ(TMessageBox::MessageDlg(text, *c.Type), c.Answer);
        else
            TMessageBox::ShowMessage(text);
        EXPECT_EQ(seen, c.Seen);
        EXPECT_EQ(icon, c.Icon);
    }
}

} // namespace
