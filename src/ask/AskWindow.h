#pragma once

#include "Clock.h"
#include "DaemonClient.h"
#include "Origin.h"

#include <QJsonObject>
#include <QMap>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUuid>
#include <functional>
#include <optional>

class QLabel;
class QLineEdit;
class QWidget;

namespace vesk {

class FrameWindow;
class InkLabel;
class KeyPanel;
class MergeJudge;
class PresentationMode;
class Row;
class ScrollColumn;

// The ask panel: a floating panel the global shortcut toggles, with one field, a scrolling result
// column, a key hint and an inspector column on the right. The window coordinates: it owns the
// panel and its geometry, the field and its keys, the hint, where "back" leads, and the claims of
// the answer on screen; each view of the column (an answer, an entity page, the inbox, the
// first-run page) and of the inspector (a frame) is a page object made for it, which sends its own
// requests and drops their late replies by itself. Main thread only.
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

    // The shortcut's action: shows the panel, brings it forward, or puts it away when it is active.
    void toggle();
    // Shows the panel; a panel that was hidden starts afresh.
    void show();
    void showInbox();
    // The entity page of one entity, with "back" leading to a search.
    void showEntity(qint64 id, const QString& label, const QString& kind, qint64 sources);
    void showFirstRun();
    // The panel's title reads "Ask Vesk · " and this text.
    void updateCaptureStatus(const QString& text);
    void suppressForPresentation();
    void close() { suppressForPresentation(); }

    // Set by the application: the first-run page's "Connect an agent" and "Privacy exclusions".
    std::function<void()> onOpenAgentConnections;
    std::function<void()> onOpenPrivacyExclusions;

    // The panel's visible parts, for tests and screenshot tours (null before the first show).
    KeyPanel* panelWidget() const { return panel; }
    QLineEdit* fieldWidget() const { return field; }
    QLabel* hintLabel() const;
    ScrollColumn* resultColumn() const { return column; }
    ScrollColumn* inspectorColumn() const { return inspectorContent; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What the result column shows, and the top-level view escape from an entity page returns to.
    enum class Screen { results, entity, inbox };
    struct Top {
        enum class Kind { search, answer, inbox };
        Kind kind = Kind::search;
        QString question;  // answer: the question asked
        QJsonObject reply; // answer: the daemon reply it was drawn from
    };
    // Where a correction of one claim of the answer on screen stands; a claim without one is ready.
    enum class CorrectionState { ready, saving, saved, failed };
    struct ClaimRecord {
        QString text;
        QList<qint64> frames;
    };

    // The panel (AskWindow.cpp).
    void createPanel();
    void place();
    void bringForward();
    bool presenting() const;
    QRect visibleFrame() const;
    void setCompact(bool compact);
    void setInspector(bool open);
    void closeInspector();
    void updateHint();
    void cancel();
    QString fieldText() const;

    // The views (AskViews.cpp).
    void message(const QString& text);
    void state(const QString& title, const QString& body);
    // A fresh column for the next view; every reply for an earlier view is stale from now on.
    void freshColumn();
    void ask(const QString& text);
    void search(const QString& text);
    void renderAnswer(const QJsonObject& reply);
    void renderAskFailure(const QString& question, const QString& code, const QString& message, bool retryable,
                          std::optional<qint64> resetAt);
    void toggleAnswerDetails();
    void openEntity(const Origin& origin);
    void openInbox();
    void openFrame(qint64 frame, const Origin& origin);
    void openFull(const QString& path, const QList<QRectF>& highlights, const QString& title);
    void restoreTop();
    bool copyForAgent();

    DaemonClient& client;
    Clock& clock;
    PresentationMode* presentation;
    MergeJudge* judge;

    KeyPanel* panel = nullptr;
    QLineEdit* field = nullptr;
    InkLabel* title = nullptr;
    InkLabel* hint = nullptr;
    ScrollColumn* column = nullptr;
    QWidget* inspector = nullptr;
    QWidget* divider = nullptr;
    ScrollColumn* inspectorContent = nullptr;
    QPointer<FrameWindow> viewer;

    QPointer<Row> citedRow;
    struct Inspecting {
        qint64 frame = 0;
        Origin origin;
    };
    std::optional<Inspecting> inspecting;
    QMap<int, ClaimRecord> claimCorrectionByTag;
    QMap<int, CorrectionState> correctionStates;
    QUuid answerID = QUuid::createUuid();
    bool isCompact = true;
    Screen screen = Screen::results;
    Top top;
    QString captureStatus = QStringLiteral("Capture status unavailable");
    bool showingMessage = false;
    std::optional<QString> failedQuestion;
    std::optional<QString> failedSearchQuery;
    bool answerDetailsExpanded = false;
};

} // namespace vesk
