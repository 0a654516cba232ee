#pragma once

#include <QByteArray>
#include <QFile>
#include <QTemporaryFile>
#include <cstdio>
#include <unistd.h>

namespace vesk::test {

// Redirects the process's standard error into a temporary file while it lives.
class StderrCapture {
public:
    StderrCapture()
    {
        file.open();
        std::fflush(stderr);
        saved = ::dup(STDERR_FILENO);
        ::dup2(file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }

    // Everything written so far; restores standard error.
    QByteArray text()
    {
        restore();
        QFile in(file.fileName());
        in.open(QIODevice::ReadOnly);
        return in.readAll();
    }

private:
    void restore()
    {
        if (saved < 0)
            return;
        std::fflush(stderr);
        ::dup2(saved, STDERR_FILENO);
        ::close(saved);
        saved = -1;
    }

    QTemporaryFile file;
    int saved = -1;
};

} // namespace vesk::test
