#include "ptz/qvnode_list.h"

#include <algorithm>
#include <utility>

qvNode_List::~qvNode_List()
{
    Clear();
}

void qvNode_List::SortByXY(const cNode& node)
{
    const auto sum = [](const cNode& n) { return qint64(n.Node_get_x()) + n.Node_get_y(); };
    const auto at =
        std::upper_bound(m_nodes.begin(), m_nodes.end(), node,
                         [&](const cNode& a, const cNode& b) { return sum(a) < sum(b); });
    m_nodes.insert(at, node);
}

const qvNode_List* qvNode_List::Find_qvNode_List_Zone(int zone) const
{
    for (const qvNode_List* list = this; list; list = list->Next()) {
        if (!list->isEmpty() && list->m_nodes.first().Node_get_zone() == zone)
            return list;
    }
    return nullptr;
}

qvNode_List* qvNode_List::Find_qvNode_List_Zone(int zone)
{
    return const_cast<qvNode_List*>(std::as_const(*this).Find_qvNode_List_Zone(zone));
}

qvNode_List* qvNode_List::Insert_after()
{
    auto inserted = std::make_unique<qvNode_List>();
    inserted->m_next = std::move(m_next);
    m_next = std::move(inserted);
    return m_next.get();
}

void qvNode_List::Clear()
{
    m_nodes.clear();
    // Unlinked one by one: a long chain must not recurse through destructors.
    std::unique_ptr<qvNode_List> rest = std::move(m_next);
    while (rest)
        rest = std::move(rest->m_next);
}
