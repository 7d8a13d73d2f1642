#include "toolkit/TMessageBox.h"

#include "toolkit/TApplication.h"

#include <QMessageBox>
#include <QPushButton>

namespace quorvane {

namespace {
    TMessageBox::AnswerHook& answerHook()
    {
        static TMessageBox::AnswerHook hook;
        return hook;
    }

    QMessageBox::Icon iconOf(TMsgDlgType type)
    {
        switch (type) {
        case TMsgDlgType::mtConfirmation:
            return QMessageBox::Question;
        case TMsgDlgType::mtWarning:
            return QMessageBox::Warning;
        case TMsgDlgType::mtCustom:
            return QMessageBox::NoIcon;
        case TMsgDlgType::mtError:
            break;
        }
        return QMessageBox::Critical;
    }

    QString lineBreaks(QString text)
    {
        return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    }
}

QString TMessageBox::CaptionOf(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtConfirmation:
        return QStringLiteral("Confirm");
    case TMsgDlgType::mtWarning:
        return QStringLiteral("Warning");
    case TMsgDlgType::mtCustom:
        return TApplication::Instance() ? TApplication::Instance()->Title() : QString();
    case TMsgDlgType::mtError:
        break;
    }
    return QStringLiteral("Error");
}

TModalResult TMessageBox::MessageDlg(const QString& text, TMsgDlgType type, QWidget* parent)
{
    const TMessageRequest request { type, CaptionOf(type), lineBreaks(text) };
    if (answerHook())
        return answerHook()(request);

    QMessageBox box(iconOf(type), request.Caption, request.Text, QMessageBox::NoButton, parent);
    if (type == TMsgDlgType::mtError || type == TMsgDlgType::mtCustom) {
        box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
        box.exec();
        return TModalResult::mrOk;
    }
    QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes ? TModalResult::mrYes : TModalResult::mrNo;
}

void TMessageBox::ErrorBox(const QString& caption, const QString& text, QWidget* parent)
{
    const TMessageRequest request { TMsgDlgType::mtError, caption, lineBreaks(text) };
    if (answerHook()) {
        answerHook()(request);
        return;
    }
    QMessageBox box(QMessageBox::Critical, caption, request.Text, QMessageBox::NoButton, parent);
    box.setDefaultButton(box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole));
    box.exec();
}

void TMessageBox::ShowMessage(const QString& text, QWidget* parent)
{
    MessageDlg(text, TMsgDlgType::mtCustom, parent);
}

void TMessageBox::SetAnswerHook(AnswerHook hook)
{
    answerHook() = std::move(hook);
}

} // namespace quorvane
