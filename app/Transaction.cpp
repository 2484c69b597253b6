#include "app/Transaction.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QString>
#include <QTimer>
#include <thread>

#include "app/Application.h"
#include "app/ExchangeErrorDialog.h"

namespace quillet {

void pauseKeepingWindowAlive(std::chrono::milliseconds duration) {
    if (QCoreApplication::instance() == nullptr) {
        std::this_thread::sleep_for(duration);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    // A coarse timer may fire a little early; the pause is a minimum.
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    timer.start(duration);
    loop.exec();
}

bool askRetryInDialog(const std::string& message) {
    Application& app = Application::instance();
    ExchangeErrorDialog dialog(app.settings().errorReport, app.exchangeCancelled);
    dialog.setMessage(QString::fromStdString(message));
    return dialog.exec() == ExchangeErrorDialog::kRetry;
}

int executeCommand(std::size_t index, const LayoutRecord& params, LayoutRecord* reply) {
    Application& app = Application::instance();
    CommandExecutor executor(app.port(), app.settings(), app.exchangeCancelled, askRetryInDialog,
                             pauseKeepingWindowAlive);
    return executor.execute(index, params, reply);
}

}  // namespace quillet
