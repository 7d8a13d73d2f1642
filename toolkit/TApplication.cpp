#include "toolkit/TApplication.h"

#include "toolkit/EAbort.h"
#include "toolkit/TMessageBox.h"

#include <csignal>
#include <cstdio>

namespace quorvane {

// The message as it is, spaces and line ends included; only a missing final full stop is added.
QString ErrorBoxText(const QString& message)
{
    return message.endsWith(QLatin1Char('.')) ? message : message + QLatin1Char('.');
}

TApplication::TApplication(int& argc, char** argv)
    : QApplication(argc, argv)
{
    // A pipe or socket whose reader has gone (a display connection, a helper a library
    // started) must give its writer EPIPE, not end the program.
    std::signal(SIGPIPE, SIG_IGN);
    connect(this, &QCoreApplication::aboutToQuit, this, [this] { FTerminated = true; });
}

TApplication* TApplication::Instance()
{
    return qobject_cast<TApplication*>(QCoreApplication::instance());
}

void TApplication::SetTitle(const QString& title)
{
    FTitle = title;
    setApplicationName(title);
}

void TApplication::Terminate()
{
    FTerminated = true;
}

void TApplication::ShowException(const std::exception& error)
{
    if (dynamic_cast<const EAbort*>(&error))
        return;
    TMessageBox::ErrorBox(
        FTitle, ErrorBoxText(QString::fromLocal8Bit(error.what())), activeWindow());
}

void TApplication::HandleCurrentException()
{
    try {
        throw;
    } catch (const std::exception& error) {
        ShowException(error);
    } catch (...) {
        ShowException(std::runtime_error("Unknown error"));
    }
}

bool TApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        HandleCurrentException();
    }
    return false;
}

void RunHandler(const std::function<void()>& action)
{
    try {
        action();
    } catch (...) {
        if (TApplication* application = TApplication::Instance()) {
            application->HandleCurrentException();
            return;
        }
        try {
            throw;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "%s\n", error.what());
        } catch (...) {
            std::fprintf(stderr, "Unknown error\n");
        }
    }
}

} // namespace quorvane
