// Small helpers of the viewer's tests: a temporary folder that removes
// itself, and a bounded wait for a condition while Qt's events run.
#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace vexa::test {

class TTempDir {
public:
    explicit TTempDir(const std::string &prefix) {
        std::string dir = (std::filesystem::temp_directory_path() / (prefix + "-XXXXXX")).string();
        if (mkdtemp(dir.data())) FPath = dir;
    }
    ~TTempDir() {
        std::error_code ec;
        if (!FPath.empty()) std::filesystem::remove_all(FPath, ec);
    }
    const std::string &Path() const { return FPath; }

private:
    std::string FPath;
};

// Runs the event loop until done() holds or ms milliseconds have passed;
// the last value of done().
template <class F> bool WaitFor(F &&done, int ms = 30000) {
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired()) return done();
        // Let events run for a short while, asleep when there are none.
        QEventLoop loop;
        QTimer::singleShot(10, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

} // namespace vexa::test
