#pragma once

#include "UI/Search/PanelItem.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace lumivast {

// What a search panel shows: the query, the highlighted row, the scope switch
// and the items, with the texts and the item source its caller sets before
// showing it. Any change of the query, selection, scope or items emits
// `changed`.
class SearchPanelModel final : public QObject {
    Q_OBJECT
public:
    explicit SearchPanelModel(QObject* parent = nullptr);

    const QString& query() const { return m_query; }
    // Also puts the highlight back on the first row (even for the same text).
    void setQuery(const QString& query);

    int selection() const { return m_selection; }
    void setSelection(int selection);

    bool scopeAll() const { return m_scopeAll; }
    // Reloads the items from `source` for the new scope; the selection stays.
    void setScopeAll(bool all);

    const std::vector<PanelItem>& items() const { return m_items; }
    void setItems(std::vector<PanelItem> items);

    QString placeholder = QStringLiteral("Search");
    std::optional<QString> scopeLabel; // no scope switch when absent
    QString hint = QStringLiteral("Return to open · Esc to close");
    std::function<std::vector<PanelItem>(bool scopeAll)> source = [](bool) { return std::vector<PanelItem>{}; };

    // The items whose title, or else subtitle, contains the query (trimmed of
    // spaces and tabs, case ignored), in their order; all of them for an
    // empty query. Worked out on every call.
    std::vector<PanelItem> filtered() const;

signals:
    void changed();

private:
    QString m_query;
    int m_selection = 0;
    bool m_scopeAll = false;
    std::vector<PanelItem> m_items;
};

} // namespace lumivast
