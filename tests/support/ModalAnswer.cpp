#include "tests/support/ModalAnswer.h"

#include <QApplication>
#include <QWidget>
#include <gtest/gtest.h>

namespace quorvane::testing {

namespace {
    constexpr int kPollMs = 10;
    constexpr int kPatienceMs = 5000;
}

ModalAnswer::ModalAnswer(const char* className, std::function<void(QWidget& modal)> answer)
    : FClassName(className)
    , FAnswer(std::move(answer))
    , FDeadline(kPatienceMs)
{
    FTimer.setInterval(kPollMs);
    QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
    FTimer.start();
}

void ModalAnswer::Poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal) {
        if (FDeadline.hasExpired()) {
            FTimer.stop();
            ADD_FAILURE() << "no modal window opened; expected a " << FClassName;
        }
        return;
    }
    FTimer.stop();
    if (!modal->inherits(FClassName)) {
        ADD_FAILURE() << "expected a " << FClassName << ", but a "
                      << modal->metaObject()->className() << " titled \""
                      << modal->windowTitle().toStdString() << "\" opened";
        modal->close();
        return;
    }
    FAnswered = true;
    FAnswer(*modal);
}

} // namespace quorvane::testing
