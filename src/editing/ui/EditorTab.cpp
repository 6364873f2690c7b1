#include "editing/ui/EditorTab.h"

#include "controls/ui/ComboBoxYafRay.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlBuilder.h"

#include "scene/ElementKinds.h"

#include <QStackedWidget>
#include <QTabWidget>

#include <algorithm>
#include <map>
#include <string>

namespace kelvane {

QWidget* TEditorTab::Build(TControlBuilder& builder)
{
    page_ = builder.Build(table_);
    Wire(builder);
    return page_;
}

void TEditorTab::Fill(const std::string& name)
{
    c_.binding.LoadContainer(page_, name, table_);
}

QWidget* TEditorTab::Find(std::string_view name) const
{
    return c_.tree.Find(name);
}

void TEditorTab::FillNames(const char* combo, const std::vector<std::string>& names)
{
    if (auto* box = Get<TComboBoxYafRay>(combo)) {
        box->SetItems(names);
        box->setCurrentIndex(-1);
    }
}

void ShowNestedPage(QWidget* page, const QWidget* outside)
{
    for (QWidget* p = page->parentWidget(); p; p = p->parentWidget()) {
        if (auto* stack = qobject_cast<QStackedWidget*>(p)) {
            if (stack != outside && stack->indexOf(page) >= 0) {
                if (auto* tabs = qobject_cast<QTabWidget*>(stack->parentWidget()))
                    tabs->setCurrentWidget(page);
                else
                    stack->setCurrentWidget(page);
            }
            return;
        }
    }
}

namespace {

std::map<std::string, TTabFactory, std::less<>>& TabFactories()
{
    static std::map<std::string, TTabFactory, std::less<>> factories{
        {"render", MakeRenderTab}, {"light", MakeLightTab},   {"background", MakeBackgroundTab},
        {"filter", MakeFilterTab}, {"object", MakeObjectTab}, {"shader", MakeShaderTab},
    };
    return factories;
}

} // namespace

void RegisterEditorTab(std::string_view kind, TTabFactory factory)
{
    if (factory)
        TabFactories()[std::string(kind)] = factory;
    else if (const auto it = TabFactories().find(kind); it != TabFactories().end())
        TabFactories().erase(it);
}

std::vector<std::unique_ptr<TEditorTab>> MakeEditorTabs(const TTabContext& context)
{
    std::vector<const TElementKind*> kinds;
    for (const TElementKind& kind : ElementKinds())
        if (kind.tabOrder >= 0)
            kinds.push_back(&kind);
    std::stable_sort(kinds.begin(), kinds.end(),
                     [](const TElementKind* a, const TElementKind* b) { return a->tabOrder < b->tabOrder; });
    std::vector<std::unique_ptr<TEditorTab>> tabs;
    for (const TElementKind* kind : kinds)
        if (const auto it = TabFactories().find(kind->name); it != TabFactories().end())
            tabs.push_back(it->second(context));
    return tabs;
}

} // namespace kelvane
