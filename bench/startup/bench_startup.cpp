// Cold start of vesk to a running event loop, against a bare Qt tray program doing the least a
// tray application must (the floor), measured alternately in the same run. Each start is timed
// from fork to the "ready" line its first event-loop turn prints; peak memory is the child's
// maximum resident set. The daemon is absent: a private, empty HOME.
//
//   bench_startup [runs]       (default 15; QT_QPA_PLATFORM defaults to offscreen without DISPLAY)
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

struct Sample {
    double ms = 0;
    double peakMb = 0;
};

// Runs the program once; false when it did not reach its event loop.
bool runOnce(const std::string& program, Sample& out)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return false;
    QElapsedTimer timer;
    timer.start();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        std::_Exit(127);
    }
    ::close(pipeFds[1]);
    std::string text;
    char buffer[256];
    ssize_t n;
    while (text.find("ready") == std::string::npos && (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(n));
    out.ms = static_cast<double>(timer.nsecsElapsed()) / 1e6;
    ::close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    out.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;
    return text.find("ready") != std::string::npos;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    const size_t mid = v.size() / 2;
    return v.size() % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2.0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 15;
    const QString dir = QCoreApplication::applicationDirPath();
    const std::string floor = QDir(dir).filePath(QStringLiteral("startup_floor")).toStdString();
    const std::string vesk = QDir(dir).filePath(QStringLiteral("startup_vesk")).toStdString();

    QTemporaryDir home;
    ::setenv("HOME", home.path().toLocal8Bit().constData(), 1);
    ::setenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit().constData(), 1);
    ::unsetenv("VESK_APP_DEBUG");
    ::unsetenv("QEV_APP_DEBUG");
    if (!std::getenv("DISPLAY") && !std::getenv("QT_QPA_PLATFORM"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::vector<double> floorMs, floorMb, veskMs, veskMb;
    // One warm-up of each so both start from the same page cache.
    Sample s;
    if (!runOnce(floor, s) || !runOnce(vesk, s)) {
        std::fprintf(stderr, "bench_startup: a program did not reach its event loop\n");
        return 1;
    }
    for (int i = 0; i < runs; ++i) {
        if (!runOnce(floor, s))
            return 1;
        floorMs.push_back(s.ms);
        floorMb.push_back(s.peakMb);
        if (!runOnce(vesk, s))
            return 1;
        veskMs.push_back(s.ms);
        veskMb.push_back(s.peakMb);
    }

    const double fMs = median(floorMs), vMs = median(veskMs);
    const double fMb = median(floorMb), vMb = median(veskMb);
    std::printf("platform: %s, %d runs each, alternating\n",
                qgetenv("QT_QPA_PLATFORM").isEmpty() ? "xcb" : qgetenv("QT_QPA_PLATFORM").constData(), runs);
    std::printf("floor (Qt app, tray icon, 22-item menu, one loop turn): median %.1f ms, peak %.1f MB\n", fMs, fMb);
    std::printf("vesk  (tray, menu, shortcut, watch, daemon absent):    median %.1f ms, peak %.1f MB\n", vMs, vMb);
    std::printf("start-up time  %.2fx the floor (target <= 1.25x)\n", vMs / fMs);
    std::printf("peak memory    %.2fx the floor (target <= 1.25x)\n", vMb / fMb);
    return 0;
}
