// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/ToskApplication.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>

#include <cstdlib>
#include <unistd.h>
#include <utility>

namespace {

// The start benchmark gives a descriptor in TOSK_FIRST_PAINT_FD and times
// the process up to the byte written there once a patch canvas has painted.
class FirstPaintProbe : public QObject {
public:
    FirstPaintProbe(int fd, QObject* parent) : QObject(parent), fd_(fd) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (fd_ >= 0 && event->type() == QEvent::Paint && watched->inherits("tosk::GraphicView")) {
            // The filter runs before the paint; the timer fires after it.
            const int fd = std::exchange(fd_, -1);
            QTimer::singleShot(0, [fd] {
                const char done = '\n';
                [[maybe_unused]] auto written = ::write(fd, &done, 1);
                ::close(fd);
            });
        }
        return false;
    }

private:
    int fd_;
};

void installFirstPaintProbe()
{
    const char* fd = std::getenv("TOSK_FIRST_PAINT_FD");
    if (!fd || !*fd)
        return;
    auto* app = QCoreApplication::instance();
    app->installEventFilter(new FirstPaintProbe(std::atoi(fd), app));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(installFirstPaintProbe)

int main(int argc, char** argv)
{
    return tosk::ToskApplication::run(argc, argv);
}
