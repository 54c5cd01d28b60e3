#pragma once

#include "UI/Alerts/AlertService.h"

#include <deque>
#include <functional>
#include <vector>

namespace lumivast::test {

// Records every alert and answers with the queued answers (the first button,
// with the field left as it was, when the queue is empty). `whileShown` runs before each answer, to
// look at the world while the alert is up.
class FakeAlertService final : public AlertService {
public:
    AlertAnswer run(const Alert& alert) override
    {
        shown.push_back(alert);
        if (whileShown)
            whileShown(alert);
        if (answers.empty())
            return AlertAnswer{0, alert.field ? alert.field->text : QString(), false};
        const AlertAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }

    std::vector<Alert> shown;
    std::deque<AlertAnswer> answers;
    std::function<void(const Alert&)> whileShown;
};

} // namespace lumivast::test
