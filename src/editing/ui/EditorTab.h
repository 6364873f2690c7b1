#pragma once
// One editor tab: its control table, the controls the table cannot describe, its fill and its
// handlers. The main window holds the tabs in a list and hands each its share of the window.
#include "editing/ui/ControlTable.h"
#include "editing/ui/EditorHooks.h"

#include <QWidget>

#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kelvane {

class TControlBuilder;
class TControlTree;
class TEditorBinding;
class TSessionStore;

// What every tab works with.
struct TTabContext {
    TControlTree& tree;
    TEditorBinding& binding;
    TSessionStore& store;
    // Makes a page current: a tab in the main page control or a page of a nested one.
    std::function<void(QWidget*)> showPage;
    // Shows the text of an exception raised by a handler.
    std::function<void(const char*)> onFailure;
    // The element-list rows changed (a row renamed): the list shows them again.
    std::function<void()> rowsChanged = {};
    // The window's texture import and shader preview; none: those buttons do nothing.
    const TEditorHooks* hooks = nullptr;
};

class TEditorTab {
public:
    // kind: the element kind the tab edits ("render", "light" ...).
    TEditorTab(const TTabContext& context, const TTabTable& table, const char* kind)
        : c_(context), table_(table), kind_(kind) {}
    virtual ~TEditorTab() = default;

    const TTabTable& Table() const { return table_; }
    const char* Kind() const { return kind_; }
    // The tab page: built from the table, then wired by the tab.
    QWidget* Build(TControlBuilder& builder);
    QWidget* Page() const { return page_; }
    // Loads the tab's controls for the named element.
    virtual void Fill(const std::string& name);
    // A scene was opened: the name lists are refilled.
    virtual void SceneOpened() { NamesChanged(); }
    // The scene's name lists changed: the drop-down lists offering them are refilled.
    virtual void NamesChanged() {}

protected:
    virtual void Wire(TControlBuilder& builder) {}
    QWidget* Find(std::string_view name) const;
    template <typename T>
    T* Get(std::string_view name) const
    {
        return qobject_cast<T*>(Find(name));
    }
    void ShowPage(QWidget* page) { c_.showPage(page); }
    // Replaces a name list's items; nothing is selected afterwards.
    void FillNames(const char* combo, const std::vector<std::string>& names);
    // Runs a handler body; a failure is shown and the state stays usable.
    template <typename F>
    void Guarded(F&& body)
    {
        try {
            body();
        } catch (const std::exception& e) {
            c_.onFailure(e.what());
        }
    }

    TTabContext c_;

private:
    const TTabTable& table_;
    const char* kind_;
    QWidget* page_ = nullptr;
};

// Makes a page current within the nearest page control above it, unless that is outside.
void ShowNestedPage(QWidget* page, const QWidget* outside);

// The tabs of the kind table's kinds in its tab order: render, light, background, filter, object,
// shader, then those of registered kinds.
std::vector<std::unique_ptr<TEditorTab>> MakeEditorTabs(const TTabContext& context);

using TTabFactory = std::unique_ptr<TEditorTab> (*)(const TTabContext& context);
// Makes factory build the tab of a registered kind; nullptr takes it back.
void RegisterEditorTab(std::string_view kind, TTabFactory factory);

std::unique_ptr<TEditorTab> MakeRenderTab(const TTabContext& context);
std::unique_ptr<TEditorTab> MakeLightTab(const TTabContext& context);
std::unique_ptr<TEditorTab> MakeBackgroundTab(const TTabContext& context);
std::unique_ptr<TEditorTab> MakeFilterTab(const TTabContext& context);
std::unique_ptr<TEditorTab> MakeObjectTab(const TTabContext& context);
std::unique_ptr<TEditorTab> MakeShaderTab(const TTabContext& context);

} // namespace kelvane
