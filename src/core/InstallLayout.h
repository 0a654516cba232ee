#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace vesk {

// Where vesk's own programs (vesk, veskd, veskd-demo) live, so that entries written for the
// desktop, such as autostart files, can name them by absolute path. A build tree keeps every
// program in one bin folder and an install keeps them in the prefix's bindir or libexecdir, so
// the folder of the running binary is looked at first, then the prefix it was installed under
// (worked out from that folder, which also finds an unpacked or moved install), then the prefix
// the build was configured with.
struct InstallLayout {
    QString selfDir;    // folder of the running binary
    QString prefix;     // configured install prefix, e.g. /usr
    QString bindir;     // relative to the prefix (or absolute), e.g. bin
    QString libexecdir; // relative to the prefix (or absolute), e.g. libexec

    // The running binary and this build's configuration.
    static InstallLayout current();

    // Every place `program` may be, most likely first, without duplicates.
    QStringList candidates(const QString& program) const;
    // The first candidate that is an executable file.
    std::optional<QString> find(const QString& program) const;
};

} // namespace vesk
