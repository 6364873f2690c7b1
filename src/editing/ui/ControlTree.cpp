#include "editing/ui/ControlTree.h"

namespace kelvane {

void TControlTree::Add(QWidget* parent, QWidget* child, bool container)
{
    if (container)
        containers_[child] = true;
    if (parent)
        children_[parent].push_back(child);
    else
        children_.try_emplace(child);
    parents_[child] = parent;
    children_.try_emplace(child);
    const std::string name = NameOf(child);
    if (!name.empty())
        byName_.try_emplace(name, child);
}

const std::vector<QWidget*>& TControlTree::Children(const QWidget* container) const
{
    static const std::vector<QWidget*> none;
    const auto it = children_.find(container);
    return it == children_.end() ? none : it->second;
}

bool TControlTree::IsContainer(const QWidget* control) const
{
    return containers_.count(control) != 0;
}

QWidget* TControlTree::Parent(const QWidget* control) const
{
    const auto it = parents_.find(control);
    return it == parents_.end() ? nullptr : it->second;
}

QWidget* TControlTree::Find(std::string_view name) const
{
    const auto it = byName_.find(std::string(name));
    return it == byName_.end() ? nullptr : it->second;
}

std::string NameOf(const QObject* object)
{
    return object ? object->objectName().toStdString() : std::string();
}

} // namespace kelvane
