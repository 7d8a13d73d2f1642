#pragma once

#include <QDeadlineTimer>
#include <QTimer>
#include <functional>

class QWidget;

namespace quorvane::testing {

// Answers the next modal window, once it is open, with answer. A modal window of another class
// than the one expected fails the test and is closed, and so does waiting longer than a few
// seconds: a test never hangs on a window it did not expect.
class ModalAnswer {
public:
    ModalAnswer(const char* className, std::function<void(QWidget& modal)> answer);
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    bool Answered() const { return FAnswered; }

private:
    void Poll();

    const char* FClassName;
    std::function<void(QWidget&)> FAnswer;
    QTimer FTimer;
    QDeadlineTimer FDeadline;
    bool FAnswered = false;
};

} // namespace quorvane::testing
