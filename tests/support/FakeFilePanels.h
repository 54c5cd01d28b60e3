#pragma once

#include "Platform/FilePanels.h"

#include <deque>
#include <vector>

namespace lumivast::test {

// Records every panel and answers with the queued answers; an empty queue cancels.
class FakeFilePanels final : public FilePanels {
public:
    std::optional<QStringList> runOpen(const OpenPanelRequest& request) override
    {
        opened.push_back(request);
        if (openAnswers.empty())
            return std::nullopt;
        std::optional<QStringList> answer = std::move(openAnswers.front());
        openAnswers.pop_front();
        return answer;
    }
    std::optional<QString> runSave(const SavePanelRequest& request) override
    {
        saved.push_back(request);
        if (saveAnswers.empty())
            return std::nullopt;
        auto answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }

    std::vector<OpenPanelRequest> opened;
    std::vector<SavePanelRequest> saved;
    std::deque<std::optional<QStringList>> openAnswers;
    std::deque<std::optional<QString>> saveAnswers;
};

} // namespace lumivast::test
