#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace quorvane {

enum class TMsgDlgType { mtConfirmation, mtWarning, mtError, mtCustom };

enum class TModalResult { mrNone, mrOk, mrYes, mrNo };

// What a box would show; handed to the answer hook in tests.
struct TMessageRequest {
    TMsgDlgType Type;
    QString Caption;
    QString Text; // line breaks as "\n"
};

// The message boxes of the program. Confirmations and warnings offer "&Yes" (default) and
// "&No" (Escape); errors offer "OK". A "\r" in the text breaks the line.
class TMessageBox {
public:
    static TModalResult MessageDlg(
        const QString& text, TMsgDlgType type, QWidget* parent = nullptr);

    // A box with a caption of its own, an error icon and OK.
    static void ErrorBox(const QString& caption, const QString& text, QWidget* parent = nullptr);

    // A plain box: the application's title as caption, no icon, OK.
    static void ShowMessage(const QString& text, QWidget* parent = nullptr);

    static QString CaptionOf(TMsgDlgType type);

    // Tests answer boxes through this hook instead of a person; empty restores real boxes.
    using AnswerHook = std::function<TModalResult(const TMessageRequest&)>;
    static void SetAnswerHook(AnswerHook hook);
};

} // namespace quorvane
