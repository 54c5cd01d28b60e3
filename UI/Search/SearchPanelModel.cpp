#include "UI/Search/SearchPanelModel.h"

namespace lumivast {

namespace {

bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Lower case in one canonical form, so that composed and decomposed
// spellings of the same text match.
QString folded(const QString& text)
{
    return text.toLower().normalized(QString::NormalizationForm_C);
}

} // namespace

SearchPanelModel::SearchPanelModel(QObject* parent) : QObject(parent) {}

void SearchPanelModel::setQuery(const QString& query)
{
    m_query = query;
    m_selection = 0;
    emit changed();
}

void SearchPanelModel::setSelection(int selection)
{
    if (m_selection == selection)
        return;
    m_selection = selection;
    emit changed();
}

void SearchPanelModel::setScopeAll(bool all)
{
    m_scopeAll = all;
    m_items = source ? source(m_scopeAll) : std::vector<PanelItem>{};
    emit changed();
}

void SearchPanelModel::setItems(std::vector<PanelItem> items)
{
    m_items = std::move(items);
    emit changed();
}

std::vector<PanelItem> SearchPanelModel::filtered() const
{
    qsizetype begin = 0;
    qsizetype end = m_query.size();
    while (begin < end && isBlank(m_query[begin]))
        ++begin;
    while (end > begin && isBlank(m_query[end - 1]))
        --end;
    const QString q = folded(m_query.mid(begin, end - begin));
    if (q.isEmpty())
        return m_items;
    std::vector<PanelItem> matches;
    for (const PanelItem& item : m_items) {
        if (folded(item.title).contains(q) || folded(item.subtitle).contains(q))
            matches.push_back(item);
    }
    return matches;
}

} // namespace lumivast
