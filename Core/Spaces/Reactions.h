#pragma once

#include <QString>
#include <QStringList>

#include <functional>
#include <utility>
#include <vector>

namespace lumivast {

// What follows one kind of change (a new snapshot, another active Space), as
// an ordered list of named reactions run front to back: the order is stated
// where the list is filled, and nowhere else. A gate may end the run, for a
// change another part has already answered.
template <class... Args>
class Reactions final {
public:
    void add(QString name, std::function<void(Args...)> reaction)
    {
        m_entries.push_back({std::move(name), [reaction = std::move(reaction)](Args... args) {
                                 reaction(args...);
                                 return false;
                             }});
    }
    // `gate` answers true when the change is dealt with and the rest must not run.
    void addGate(QString name, std::function<bool(Args...)> gate)
    {
        m_entries.push_back({std::move(name), std::move(gate)});
    }

    void run(Args... args) const
    {
        for (const Entry& entry : m_entries) {
            if (entry.run(args...))
                return;
        }
    }

    QStringList names() const
    {
        QStringList names;
        for (const Entry& entry : m_entries)
            names.append(entry.name);
        return names;
    }

private:
    struct Entry {
        QString name;
        std::function<bool(Args...)> run;
    };
    std::vector<Entry> m_entries;
};

} // namespace lumivast
