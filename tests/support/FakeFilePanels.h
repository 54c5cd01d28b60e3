#pragma once

#include "Platform/FilePanels.h"

#include <deque>
#include <vector>

namespace lumivast::test {

// Records every panel and answers it at once, inside the call, with the
// queued answers; an empty queue cancels.
class FakeFilePanels final : public FilePanels {
public:
    std::vector<OpenPanelRequest> opened;
    std::vector<SavePanelRequest> saved;
    std::deque<std::optional<QStringList>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;

protected:
    void showOpen(const OpenPanelRequest& request, Opened answer) override
    {
        opened.push_back(request);
        answer(next(openAnswers));
    }
    void showSave(const SavePanelRequest& request, Saved answer) override
    {
        saved.push_back(request);
        answer(next(saveAnswers));
    }

private:
    template <typename T>
    static std::optional<T> next(std::deque<std::optional<T>>& queue)
    {
        if (queue.empty())
            return std::nullopt;
        const std::optional<T> answer = queue.front();
        queue.pop_front();
        return answer;
    }
};

} // namespace lumivast::test
