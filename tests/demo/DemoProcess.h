#pragma once

#include "DaemonClient.h"
#include "Json.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <csignal>
#include <functional>
#include <memory>

// Where the replies a test asks for go: the application object, which outlives every request.
inline QObject* app()
{
    return QCoreApplication::instance();
}
#include <optional>
#include <sys/prctl.h>

// The real veskd-demo binary on a socket in a temporary home, stopped again when the test is done.
class DemoProcess {
public:
    explicit DemoProcess(const QStringList& extraArguments = {})
    {
        socketPath = home.path() + QStringLiteral("/state/veskd.sock");
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home.path());
        process.setProcessEnvironment(env);
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        // A test that crashes must not leave its daemon behind.
        process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        process.start(QStringLiteral(VESKD_DEMO_PATH),
                      QStringList{QStringLiteral("--socket"), socketPath} + extraArguments);
    }
    ~DemoProcess()
    {
        process.terminate();
        if (!process.waitForFinished(5000))
            process.kill();
        process.waitForFinished(2000);
    }
    // True once the daemon said it listens.
    bool ready()
    {
        return QTest::qWaitFor(
                   [this] {
                       output += process.readAllStandardOutput();
                       return output.contains("listening on") || process.state() == QProcess::NotRunning;
                   },
                   20000)
            && output.contains("listening on");
    }

    QTemporaryDir home;
    QString socketPath;
    QProcess process;
    QByteArray output;
};

using Call = std::function<void(vesk::DaemonClient&, vesk::Completion)>;

// Runs one operation and waits for its completion: nothing outside means it never completed,
// an empty Reply inside means the client got no reply.
inline std::optional<vesk::Reply> call(vesk::DaemonClient& client, const Call& op, int timeoutMs = 15000)
{
    auto got = std::make_shared<std::optional<vesk::Reply>>();
    op(client, [got](vesk::Reply r) { *got = std::move(r); });
    if (!QTest::qWaitFor([got] { return got->has_value(); }, timeoutMs))
        return std::nullopt;
    return *got;
}

// A suite against one demo daemon with its default memory, and a real client on its socket.
class DemoSuite : public QObject {
    Q_OBJECT

protected:
    std::unique_ptr<DemoProcess> demo;
    std::unique_ptr<vesk::DaemonClient> client;

    vesk::Reply run(const Call& op) { return call(*client, op).value_or(vesk::Reply{}); }

private Q_SLOTS:
    void initTestCase()
    {
        demo = std::make_unique<DemoProcess>();
        QVERIFY2(demo->ready(), demo->output.constData());
        client = std::make_unique<vesk::DaemonClient>(demo->socketPath);
    }

    void cleanupTestCase()
    {
        client.reset();
        demo.reset();
    }
};

// Whether a key holds its type, by the same reading rules the windows use.
inline bool holds(const QJsonObject& o, const QString& key, const QString& type)
{
    if (type == QLatin1String("int"))
        return vesk::Json::integer(o, key).has_value();
    if (type == QLatin1String("number"))
        return vesk::Json::number(o, key).has_value();
    if (type == QLatin1String("bool"))
        return vesk::Json::boolean(o, key).has_value();
    if (type == QLatin1String("string"))
        return vesk::Json::string(o, key).has_value();
    if (type == QLatin1String("objects"))
        return vesk::Json::objects(o, key).has_value();
    if (type == QLatin1String("arrays"))
        return vesk::Json::arrays(o, key).has_value();
    if (type == QLatin1String("ints"))
        return o.value(key).isArray() && vesk::Json::integers(o, key)->size() == o.value(key).toArray().size();
    return false;
}

// Checks a reply against "key:type" or "array[].key:type" (every element, and at least one).
// Types: int, number, bool, string, objects, arrays, ints. Returns what is wrong, or nothing.
inline QString missingFields(const QJsonObject& reply, const QStringList& fields)
{
    QStringList wrong;
    for (const QString& field : fields) {
        const QString path = field.section(QLatin1Char(':'), 0, 0);
        const QString type = field.section(QLatin1Char(':'), 1);
        if (!path.contains(QLatin1String("[]."))) {
            if (!holds(reply, path, type))
                wrong.append(field);
            continue;
        }
        const QString array = path.section(QLatin1String("[]."), 0, 0);
        const QString key = path.section(QLatin1String("[]."), 1);
        const auto elements = vesk::Json::objects(reply, array);
        if (!elements || elements->isEmpty())
            wrong.append(field + QStringLiteral(" (no elements)"));
        else if (!std::all_of(elements->begin(), elements->end(),
                              [&](const QJsonObject& e) { return holds(e, key, type); }))
            wrong.append(field);
    }
    return wrong.join(QStringLiteral(", "));
}
