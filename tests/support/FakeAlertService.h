#pragma once

#include "UI/Alerts/AlertService.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace lumivast::test {

// Records every alert and answers it at once, inside `open`, with the queued
// answers (the first button, with the field left as it was, when the queue is
// empty). `whileShown` runs before each answer, to look at the world while the
// alert is up; a dismissal meanwhile answers with no button. With `holding`
// set, alerts stay up until `answerHeld` answers them, oldest first.
class FakeAlertService final : public AlertService {
public:
    void dismiss() override
    {
        ++dismissals;
        if (showing) {
            dismissedWhileShown = true;
        } else if (!held.empty()) {
            AlertAnswered answered = std::move(held.back().second);
            held.pop_back();
            answered(AlertAnswer{});
        }
    }

    // Answers the alerts held so far; returns how many there were.
    std::size_t answerHeld()
    {
        std::deque<std::pair<Alert, AlertAnswered>> waiting = std::exchange(held, {});
        for (auto& [alert, answered] : waiting)
            answered(nextAnswer(alert));
        return waiting.size();
    }

    std::vector<Alert> shown;
    bool showing = false;
    bool dismissedWhileShown = false;
    int dismissals = 0;
    bool holding = false;
    std::deque<AlertAnswer> answers;
    std::function<void(const Alert&)> whileShown;
    std::deque<std::pair<Alert, AlertAnswered>> held;

protected:
    void show(const Alert& alert, AlertAnswered answered) override
    {
        shown.push_back(alert);
        if (holding) {
            held.emplace_back(alert, std::move(answered));
            return;
        }
        showing = true;
        if (whileShown)
            whileShown(alert);
        showing = false;
        if (std::exchange(dismissedWhileShown, false))
            return answered(AlertAnswer{});
        answered(nextAnswer(alert));
    }

private:
    AlertAnswer nextAnswer(const Alert& alert)
    {
        if (answers.empty())
            return AlertAnswer{0, alert.field ? alert.field->text : QString(), false};
        const AlertAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace lumivast::test
