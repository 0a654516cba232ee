// What a large reply leaves resident once its caller is done with it: a 15 MB proposals list of
// small records (which decodes into many times that) read through DaemonClient, against the floor
// of holding the reply's own bytes, measured in the same run. glibc keeps freed arenas unless they
// are given back, so without that the kept memory is several times the reply.
#include "DaemonClient.h"
#include "FakeDaemon.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <cstdio>

using namespace vesk;
using namespace vesk::test;

namespace {

// A field of /proc/self/status in megabytes.
double statusMB(const char* field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray all = status.readAll();
    const QByteArray key = QByteArray(field) + ':';
    const qsizetype at = all.indexOf(key);
    if (at < 0)
        return 0;
    const QByteArray value = all.mid(at + key.size(), all.indexOf('\n', at) - at - key.size()).trimmed();
    return value.split(' ').first().toDouble() / 1024.0;
}

void settle(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    FakeDaemon daemon;
    DaemonClient client(daemon.path());
    settle(100);

    const double bare = statusMB("VmRSS");
    const QByteArray record = R"({"id":1,"a_id":2,"b_id":3,"a_label":"a","b_label":"b"},)";
    QByteArray line = R"({"kind":"proposals","proposals":[)" + record.repeated((15 << 20) / record.size());
    line.back() = ']';
    line += "}\n";
    const double floor = statusMB("VmRSS") - bare;
    daemon.replyRaw(QStringLiteral("proposals"), line);

    double worst = 0;
    qsizetype records = 0;
    for (int round = 0; round < 3; ++round) {
        const double before = statusMB("VmRSS");
        bool done = false;
        client.proposals(500, &app, [&](Reply r) {
            records = r ? r->value(QStringLiteral("proposals")).toArray().size() : 0;
            done = true;
        });
        while (!done || !client.settledThrough(client.requestsMade()))
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        settle(200);
        worst = std::max(worst, statusMB("VmRSS") - before);
    }
    if (records < 200000) {
        std::fprintf(stderr, "the reply was not read whole (%lld records)\n", static_cast<long long>(records));
        return 1;
    }
    std::printf("15 MB reply of %lld records: %.1f MB kept after it, holding its bytes %.1f MB, ratio %.2f "
                "(target <= 1.0); peak resident %.0f MB\n",
                static_cast<long long>(records), worst, floor, worst / floor, statusMB("VmHWM"));
    return 0;
}
