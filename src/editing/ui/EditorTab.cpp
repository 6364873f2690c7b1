#include "editing/ui/EditorTab.h"

#include "controls/ui/ComboBoxYafRay.h"
#include "editing/ui/Binding.h"
#include "editing/ui/ControlBuilder.h"

#include <QStackedWidget>
#include <QTabWidget>

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

std::vector<std::unique_ptr<TEditorTab>> MakeEditorTabs(const TTabContext& context)
{
    std::vector<std::unique_ptr<TEditorTab>> tabs;
    tabs.push_back(MakeRenderTab(context));
    tabs.push_back(MakeLightTab(context));
    tabs.push_back(MakeBackgroundTab(context));
    tabs.push_back(MakeFilterTab(context));
    tabs.push_back(MakeObjectTab(context));
    tabs.push_back(MakeShaderTab(context));
    return tabs;
}

} // namespace kelvane
