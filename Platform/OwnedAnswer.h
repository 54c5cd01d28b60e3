#pragma once

#include <QObject>
#include <QPointer>

#include <type_traits>
#include <utility>

namespace lumivast {

// `answer`, wrapped to do nothing once `owner` is gone: for the answer of a
// dialog that may close after whoever asked. No owner: it always runs.
template <typename Answer>
auto ownedAnswer(const QObject* owner, Answer answer)
{
    return [owner = QPointer<const QObject>(owner), owned = owner != nullptr,
            answer = std::move(answer)](auto&&... arguments) {
        if (owned && !owner)
            return;
        if constexpr (std::is_constructible_v<bool, const Answer&>) {
            if (!answer)
                return;
        }
        answer(std::forward<decltype(arguments)>(arguments)...);
    };
}

} // namespace lumivast
