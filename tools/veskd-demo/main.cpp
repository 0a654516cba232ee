#include "Model.h"
#include "Ops.h"
#include "Options.h"
#include "Painter.h"
#include "Server.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTextStream>
#include <csignal>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

int fail(const QString& message, int status = 1)
{
    QTextStream(stderr) << "veskd-demo: " << message << Qt::endl;
    return status;
}

} // namespace

int main(int argc, char** argv)
{
    // The screenshots are painted offscreen; no display is needed or wanted.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QString error;
    const std::optional<vesk::demo::Options> options = vesk::demo::parseOptions(app.arguments(), &error);
    if (!options)
        return fail(error + QStringLiteral("\n") + vesk::demo::usage(), 2);
    if (options->help) {
        QTextStream(stdout) << vesk::demo::usage();
        return 0;
    }

    const QString socketPath = options->socketPath.isEmpty() ? vesk::demo::defaultSocketPath(QDir::homePath())
                                                             : QFileInfo(options->socketPath).absoluteFilePath();
    QFile seedFile(options->seedPath.isEmpty() ? QStringLiteral(":/veskd-demo/demo-memory.json") : options->seedPath);
    if (!seedFile.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("cannot read the demo memory ") + seedFile.fileName());
    QJsonParseError parseError;
    const QJsonDocument seed = QJsonDocument::fromJson(seedFile.readAll(), &parseError);
    if (!seed.isObject())
        return fail(QStringLiteral("the demo memory is not a JSON object: ") + parseError.errorString());

    const auto now = [] { return QDateTime::currentMSecsSinceEpoch(); };
    vesk::demo::Model model;
    if (!model.load(seed.object(), now(), &error))
        return fail(QStringLiteral("bad demo memory: ") + error);
    if (options->onboarded)
        model.onboarded = *options->onboarded;
    vesk::demo::Ops ops(model, now);
    ops.writable = options->writable;
    ops.answerFailure = options->answerFailure;
    vesk::demo::Server server(ops, *options);
    if (!server.listen(socketPath, &error))
        return fail(error);
    // Painted only once the socket is ours, so a second instance never touches the first one's
    // pictures; requests wait in the socket's backlog until the loop starts.
    const QString frameFolder = QFileInfo(socketPath).absolutePath() + QStringLiteral("/demo-frames");
    if (!vesk::demo::paintFrames(model, frameFolder, &error))
        return fail(error);

    // Ctrl-C and kill stop the loop, so the socket file is removed on the way out.
    if (::pipe(signalPipe) == 0) {
        auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    QTextStream(stdout) << "veskd-demo: listening on " << socketPath << " (" << model.frames.size() << " frames, "
                        << model.nodes.size() << " entities, " << model.proposals.size() << " merge questions)"
                        << Qt::endl;
    return app.exec();
}
