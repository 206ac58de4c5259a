#include "ptz/qvnode_list.h"

#include <algorithm>
#include <utility>

qvNode_List::~qvNode_List()
{
    Clear();
}

namespace {

bool lessSum(const cNode& a, const cNode& b)
{
    return qint64(a.Node_get_x()) + a.Node_get_y() < qint64(b.Node_get_x()) + b.Node_get_y();
}

} // namespace

void qvNode_List::SortByXY(const cNode& node)
{
    m_nodes.insert(std::upper_bound(m_nodes.begin(), m_nodes.end(), node, lessSum), node);
}

void qvNode_List::Sort_by_xy()
{
    std::stable_sort(m_nodes.begin(), m_nodes.end(), lessSum);
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
