#pragma once
// The editor controls by name, with their containers' child order as the editors walk it.
#include <QString>
#include <QWidget>

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kelvane {

class TControlTree {
public:
    // Registers child under parent (nullptr: a root such as a tab page). Containers (panels,
    // pages, page controls) are walked by the fill and the enable walk.
    void Add(QWidget* parent, QWidget* child, bool container = false);
    const std::vector<QWidget*>& Children(const QWidget* container) const;
    bool IsContainer(const QWidget* control) const;
    QWidget* Parent(const QWidget* control) const;

    // The control of that objectName, or nullptr.
    QWidget* Find(std::string_view name) const;
    template <typename T>
    T* Get(std::string_view name) const
    {
        return qobject_cast<T*>(Find(name));
    }

private:
    std::unordered_map<const QWidget*, std::vector<QWidget*>> children_;
    std::unordered_map<const QWidget*, QWidget*> parents_;
    std::unordered_map<std::string, QWidget*> byName_;
    std::unordered_map<const QWidget*, bool> containers_;
};

// objectName as 8-bit text.
std::string NameOf(const QObject* object);

} // namespace kelvane
