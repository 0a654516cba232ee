// vesk-cli: sends one request line to the daemon through DaemonClient and prints the reply.
//
//   vesk-cli [--socket PATH] [--timeout SECONDS] '{"op":"status"}'
//
// The request runs on its operation's lane with its time-out (180 s for "ask", else 30 s) unless
// --timeout says otherwise.
//   vesk-cli [--socket PATH] --watch
//
// Exit status 0 when a reply arrived, 1 when there was none (and standard error says why: no
// daemon, time-out, refusal in the daemon's words, not a reply), 2 on bad usage.
#include "DaemonClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QJsonDocument>
#include <cstdio>
#include <memory>

using namespace vesk;

namespace {

QString whyNot(const Reply& reply)
{
    switch (reply.failure()) {
    case Failure::unsent:
        return QStringLiteral("the request could not be built, so it was not sent");
    case Failure::unreachable:
        return QStringLiteral("the daemon could not be reached");
    case Failure::refused:
        return QStringLiteral("the daemon refused: ")
            + reply.daemonMessage().value_or(QStringLiteral("it gave no reason"));
    case Failure::malformed:
        return QStringLiteral("the daemon's answer was no reply to this request");
    case Failure::none:
    case Failure::noReply:
        break;
    }
    return QStringLiteral("the daemon did not answer in time; it may have acted on the request");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vesk-cli"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Send one request to the Vesk daemon and print its reply."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("socket"), QStringLiteral("Daemon socket (default: the one under $HOME)."),
                      QStringLiteral("path")});
    parser.addOption({QStringLiteral("timeout"),
                      QStringLiteral("Seconds to wait for the reply (default: the operation's, 180 for ask, else 30)."),
                      QStringLiteral("seconds")});
    parser.addOption({QStringLiteral("watch"), QStringLiteral("Print the daemon's capture state as it changes.")});
    parser.addPositionalArgument(QStringLiteral("request"),
                                 QStringLiteral("One JSON object, e.g. {\"op\":\"status\"}"));
    parser.process(app);

    std::unique_ptr<DaemonClient> client = parser.isSet(QStringLiteral("socket"))
        ? std::make_unique<DaemonClient>(parser.value(QStringLiteral("socket")))
        : std::make_unique<DaemonClient>();

    if (parser.isSet(QStringLiteral("watch"))) {
        client->watch(&app, [](const DaemonClient::State& state) {
            if (const auto* known = std::get_if<DaemonClient::Known>(&state))
                std::printf("%s, %s display(s)%s%s\n", known->capturing ? "recording" : "not recording",
                            known->displays ? QByteArray::number(*known->displays).constData() : "?",
                            known->reason.isEmpty() ? "" : ": ", known->reason.toUtf8().constData());
            else
                std::printf("daemon unreachable\n");
            std::fflush(stdout);
        });
        return QCoreApplication::exec();
    }

    const QStringList args = parser.positionalArguments();
    if (args.size() != 1)
        parser.showHelp(2);
    const QByteArray request = args.first().toUtf8();
    const auto route = DaemonClient::routeOf(
        QJsonDocument::fromJson(request).object().value(QStringLiteral("op")).toString().toUtf8());
    bool numeric = true;
    const double timeout = parser.isSet(QStringLiteral("timeout"))
        ? parser.value(QStringLiteral("timeout")).toDouble(&numeric)
        : route.timeout;
    if (!numeric || !(timeout >= 0))
        parser.showHelp(2);
    int status = 1;
    client->request(request, timeout, route.lane, &app, [&status](Reply reply) {
        if (reply) {
            std::printf("%s\n", QJsonDocument(*reply).toJson(QJsonDocument::Indented).constData());
            status = 0;
        } else {
            std::fprintf(stderr, "no reply: %s\n", whyNot(reply).toUtf8().constData());
        }
        QCoreApplication::quit();
    });
    QCoreApplication::exec();
    return status;
}
