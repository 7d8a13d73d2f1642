#include "ModalAnswer.h"
#include "TMessageBox.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace quorvane;
using quorvane::testing::ModalAnswer;

namespace {

// A box as it opened (title, then buttons, the default one marked "*"), answered by a key.
struct BoxCase {
    const char* What;
    std::function<TModalResult()> Show;
    Qt::Key Key;
    TModalResult Answer;
    QStringList Seen;
    QMessageBox::Icon Icon;
};

TModalResult Ask(TMsgDlgType type)
{
    return TMessageBox::MessageDlg("First line.\rSecond.\r\rSure?", type);
}

TEST(MessageBoxes, showTheTitleIconAndButtonsOfTheirKindAndAnswerByKey)
{
    const BoxCase cases[] = {
        { "confirmation", [] { return Ask(TMsgDlgType::mtConfirmation); }, Qt::Key_Escape,
            TModalResult::mrNo, { "Confirm", "*&Yes", "&No" }, QMessageBox::Question },
        { "error", [] { return Ask(TMsgDlgType::mtError); }, Qt::Key_Return, TModalResult::mrOk,
            { "Error", "*OK" }, QMessageBox::Critical },
        { "plain",
            [] {
                TMessageBox::ShowMessage("First line.\rSecond.\r\rSure?");
                return TModalResult::mrNone;
            },
            Qt::Key_Return, TModalResult::mrNone, { "Quorvane", "*OK" }, QMessageBox::NoIcon },
    };
    for (const BoxCase& c : cases) {
        SCOPED_TRACE(c.What);
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
        EXPECT_EQ(c.Show(), c.Answer);
        EXPECT_EQ(seen, c.Seen);
        EXPECT_EQ(icon, c.Icon);
    }
}

} // namespace
