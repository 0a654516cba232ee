#pragma once

#include "CorrectionText.h"
#include "DaemonClient.h"
#include "Origin.h"
#include "Page.h"

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPointer>
#include <QUuid>
#include <functional>
#include <optional>

namespace vesk {

class ClaimCorrectionView;
class Clock;

// One question and what became of it: "Generating an answer" while it is asked, then the answer
// text and "Details & corrections", which unfolds one row per claim, the sources the answer rests
// on, "Copy for agent" and its note; or the failure, with a retry when one may help. The page holds
// the reply and everything that belongs to the answer (its claims, its identity, the correction
// of each claim), so the answer drawn again shows the same claims in the same order and asks the
// daemon for nothing.
class AnswerPage : public Page {
    Q_OBJECT
public:
    struct Callbacks {
        // The answer arrived: the page's hint is the answer's from now on.
        std::function<void()> answered;
        // The answer is shown again: the field shows its question again.
        std::function<void(const QString& question)> shownAgain;
        std::function<void()> copy;
        std::function<void(qint64 frame, const Origin& origin)> openFrame;
        std::function<void(const Origin& origin)> openEntity;
        // A memory that shares a correction's evidence: "entity" or "relationship", and its id.
        std::function<void(const QString& kind, qint64 id)> openMemory;
    };
    // What "copy for agent" did: whether the digest is on the clipboard, and the hint's note
    // (empty: nothing to say).
    struct Copy {
        bool made = false;
        QString note;
    };

    // `question` is trimmed and has three characters or more; `clock` dates the evidence.
    AnswerPage(ScrollColumn& column, DaemonClient& client, Clock& clock, const QString& question, Callbacks callbacks);

    QString hint() const override;
    std::optional<EntityText::BackTo> returnsAs() const override;
    Height height() const override { return Height::expanded; }
    // Asks the question; once it is answered, draws the answer again from its reply.
    void open() override;

    // Draws the answer from the daemon's reply, as when it arrives.
    void answer(const QJsonObject& reply);
    // "Details & corrections" open or folded; an answer on screen is drawn again.
    void showDetails(bool shown);
    // Puts the digest of the answer on the clipboard, without the claims whose correction was saved.
    Copy copyForAgent() const;
    // Folds the first unfolded correction view on screen that is not saving; false when none was.
    bool collapseCorrection();

private:
    struct ClaimRecord {
        QString text;
        QList<qint64> frames;
    };

    void ask();
    // Sends one correction of the claim with `tag`: the claim's own text and frames, or those of
    // the reading marked wrong. A claim is corrected once per answer, and never twice at a time.
    void correctClaim(int tag, const QString& judgement, const std::optional<CorrectionText::Interpretation>& reading);
    void fail(const QString& code, const QString& message, bool retryable, std::optional<qint64> resetAt);
    void draw();
    QWidget* details();

    DaemonClient& client;
    Clock& clock;
    QString question;
    Callbacks callbacks;
    std::optional<QJsonObject> reply;
    // The claims by tag, numbered from 1 in reply order on every redraw, so that a correction stored
    // by tag finds its claim again. The views are those drawn now: a column emptied by another page
    // takes them with it.
    QMap<int, ClaimRecord> claimCorrectionByTag;
    QMap<int, QPointer<ClaimCorrectionView>> correctionViews;
    QMap<int, CorrectionText::State> correctionStates;
    QMap<int, CorrectionText::Evidence> correctionEvidence;
    // A fresh identity with every answer: a receipt for an earlier one is dropped.
    QUuid answerID = QUuid::createUuid();
    std::optional<QString> failedQuestion;
    bool answerDetailsExpanded = false;
};

} // namespace vesk
