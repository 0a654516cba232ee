#pragma once

#include "DaemonClient.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

class QLineEdit;
class QScrollArea;
class QVBoxLayout;
class QWidget;
class QLabel;

namespace vesk {

class AskLabel;
class Clock;
class InkButton;
class KeyPanel;
class PresentationMode;
class Row;

// The entity an inspector view was opened from, so that it can go back.
struct Origin {
    qint64 id = 0;
    QString label;
    QString kind;
    qint64 sources = 0;
    bool operator==(const Origin&) const = default;
};

// What the result column shows.
struct Screen {
    enum class Kind { results, entity, inbox };
    Kind kind = Kind::results;
    Origin origin; // the entity page's entity
    bool operator==(const Screen&) const = default;
};

// The top-level view that escape from an entity page returns to.
struct Top {
    enum class Kind { search, answer, inbox };
    Kind kind = Kind::search;
    QString question;  // answer: the question asked
    QJsonObject reply; // answer: the daemon reply it was drawn from
    bool operator==(const Top&) const = default;
};

// Where a correction of one claim of the current answer stands; a claim without one is ready.
enum class CorrectionState { ready, saving, saved, failed };

// The ask panel: a floating panel the global shortcut toggles, with one field, a scrolling result
// column, a key hint and an inspector column on the right. Everything it shows is rebuilt from
// daemon replies; replies for a view the user has left are dropped by `generation`. Main thread only.
class AskWindow : public QObject {
    Q_OBJECT
public:
    // Horizontal margin of the result column, and the inspector's width when open.
    static constexpr int pad = 22;
    static constexpr int panelW = 260;
    static constexpr int compactHeight = 190;
    static constexpr int defaultWidth = 760;

    explicit AskWindow(DaemonClient& client, Clock& clock = systemClock(), PresentationMode* presentation = nullptr,
                       QObject* parent = nullptr);
    ~AskWindow() override;

    // Panel lifecycle (AskWindow.cpp).
    void toggle();
    void show();
    void showFirstRun();
    void updateCaptureStatus(const QString& text);
    void suppressForPresentation();
    void close() { suppressForPresentation(); }

    void message(const QString& text);
    void state(const QString& title, const QString& body);
    void clear();
    int width() const;
    void setCompact(bool compact);
    void updateHint();
    void closeInspector();
    void setInspector(bool open);
    void restoreTop();
    // Escape in the field or the panel.
    void cancel();

    // Asking and searching (AskAnswer.cpp).
    void ask(const QString& text);
    void search(const QString& text);
    void renderAnswer(const QJsonObject& reply);
    void renderAskFailure(const QString& question, const QString& code, const QString& message, bool retryable,
                          std::optional<qint64> resetAt);
    void retryAsk();
    void retrySearch();
    void toggleAnswerDetails();

    // Evidence, entity rows and the agent digest (AskEvidence.cpp).
    Row* answerEvidenceRow(const QJsonObject& item);
    Row* entityRow(const QJsonObject& node, bool cited);
    void addSources(const QList<QJsonObject>& sources, const Origin& origin);
    bool copyForAgent();
    void copyAnswerForAgent() { copyForAgent(); }

    // Entity pages (AskEntityPage.cpp): its proposals, relations and sources each fill their own
    // placeholder; the handlers are public so a benchmark can feed one a reply.
    void openEntity(const Origin& origin);
    void showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources);
    void entityProposals(const Origin& origin, QWidget* status, const Reply& reply);
    void entityRelations(const Origin& origin, QWidget* placeholder, const Reply& reply);
    void entitySources(const Origin& origin, QWidget* placeholder, AskLabel* subtitle, const Reply& reply);

    // One frame in the inspector (AskFrame.cpp).
    void openFrame(qint64 id, const Origin& origin);
    void renderFrame(const Origin& origin, const Reply& reply);

    // The inbox and merge judgments (AskInbox.cpp).
    void openInbox();
    void showInbox();
    void addMergeChoices(QVBoxLayout* card, qint64 id, qint64 aId, const QString& a, qint64 an, qint64 bId,
                         const QString& b, qint64 bn, int inner);
    void judgeKeep(InkButton* sender);
    void judgeDifferent(InkButton* sender);
    void judge(InkButton* sender, std::optional<qint64> keep, const QString& settled);
    void retireCards(qint64 naming, QWidget* except);
    std::optional<QString> lastSeen(const QJsonObject& node) const;

    // The field's live text.
    QString fieldText() const;

    // Set by the application: the first-run page's "Connect an agent" and "Privacy exclusions".
    std::function<void()> onOpenAgentConnections;
    std::function<void()> onOpenPrivacyExclusions;

    DaemonClient& client;
    QPointer<KeyPanel> panel;
    QLineEdit* field = nullptr;
    QWidget* stackView = nullptr;
    QVBoxLayout* stack = nullptr;
    QScrollArea* scroll = nullptr;
    AskLabel* hint = nullptr;
    QLabel* titleLabel = nullptr;
    QPointer<InkButton> firstRunAskButton;
    QPointer<AskLabel> readinessLine;
    QWidget* inspector = nullptr;
    QVBoxLayout* insStack = nullptr;
    QScrollArea* insScroll = nullptr;
    QPointer<Row> citedRow;
    struct Inspecting {
        qint64 id = 0;
        Origin origin;
    };
    std::optional<Inspecting> inspecting;
    struct ClaimRecord {
        QString text;
        QList<qint64> frames;
        bool operator==(const ClaimRecord&) const = default;
    };
    QMap<int, ClaimRecord> claimCorrectionByTag;
    int nextClaimCorrectionTag = 1;
    QMap<int, CorrectionState> correctionStates;
    QUuid answerID = QUuid::createUuid();
    bool isCompact = true;
    Screen screen;
    Top top;
    QString captureStatus = QStringLiteral("Capture status unavailable");
    quint64 generation = 0;
    bool showingMessage = false;
    std::optional<QString> failedQuestion;
    std::optional<QString> failedSearchQuery;
    bool answerDetailsExpanded = false;
    // Proposals whose judgment is in flight: the same card shown again cannot be judged twice.
    QSet<qint64> pendingMergeJudgments;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createPanel();
    void place();
    void bringForward();
    bool presenting() const;
    void addView(QWidget* view);
    void addSpacer(int height);
    void scrollToTop();
    void clearInspector();
    QRect visibleFrame() const;
    // Grows the column to content a reply inserted into a page already on screen.
    void fitColumn();
    void inboxProposals(QWidget* status, QWidget* retry, const Reply& reply);
    void inboxRecognised(QWidget* status, QWidget* retry, const Reply& reply);

    Clock& clock;
    PresentationMode* presentation;
};

} // namespace vesk
