#pragma once

#include <QApplication>
#include <functional>

namespace quorvane {

// The application object: its title, whether a request to quit has been made, and the default
// error handler that turns an exception escaping an event handler into a message box.
class TApplication : public QApplication {
    Q_OBJECT
public:
    TApplication(int& argc, char** argv);

    static TApplication* Instance();

    QString Title() const { return FTitle; }
    void SetTitle(const QString& title);

    bool Terminated() const { return FTerminated; }
    void Terminate(); // marks the request to quit; the loop ends once the main window is gone

    // Shows an error's message as the default handler does: titled with the application title,
    // error icon, OK, the text ending in exactly one full stop. EAbort is silent.
    void ShowException(const std::exception& error);
    void HandleCurrentException();

    bool notify(QObject* receiver, QEvent* event) override;

private:
    QString FTitle;
    bool FTerminated = false;
};

// The text of an error as the default handler shows it.
QString ErrorBoxText(const QString& message);

// Runs an action the way an event handler runs: an escaping exception goes to the application's
// default error handler (or, without a TApplication, is dropped after being reported to stderr).
void RunHandler(const std::function<void()>& action);

} // namespace quorvane
