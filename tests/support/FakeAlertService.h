#pragma once

#include "UI/Alerts/AlertService.h"

#include <deque>
#include <functional>
#include <utility>
#include <vector>

namespace lumivast::test {

// Records every alert and answers with the queued answers (the first button,
// with the field left as it was, when the queue is empty). `whileShown` runs before each answer, to
// look at the world while the alert is up; a dismissal meanwhile answers with no button.
class FakeAlertService final : public AlertService {
public:
    AlertAnswer run(const Alert& alert) override
    {
        shown.push_back(alert);
        showing = true;
        if (whileShown)
            whileShown(alert);
        showing = false;
        if (std::exchange(dismissedWhileShown, false))
            return AlertAnswer{};
        if (answers.empty())
            return AlertAnswer{0, alert.field ? alert.field->text : QString(), false};
        const AlertAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void dismiss() override
    {
        dismissedWhileShown = dismissedWhileShown || showing;
        ++dismissals;
    }

    std::vector<Alert> shown;
    bool showing = false;
    bool dismissedWhileShown = false;
    int dismissals = 0;
    std::deque<AlertAnswer> answers;
    std::function<void(const Alert&)> whileShown;
};

} // namespace lumivast::test
