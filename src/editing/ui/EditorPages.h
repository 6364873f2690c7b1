#pragma once
// The editor's page control: an empty page and one scrolled page per editor tab. It builds the
// tabs, fills the tab of a selected element and switches pages, nested ones included.
#include "editing/ui/EditorTab.h"

#include <QStackedWidget>

#include <map>

namespace kelvane {

class TEditorPages : public QStackedWidget {
public:
    TEditorPages(const TTabContext& context, QWidget* parent = nullptr);
    ~TEditorPages() override;

    QWidget* Empty() const { return empty_; }
    // The tab page editing an element kind; the empty page for any other kind.
    QWidget* TabOfKind(std::string_view kind) const;
    // Fills a tab (or page) for the named element and shows it.
    void FillTab(QWidget* tab, const std::string& name);
    void ShowPage(QWidget* page);
    // The page shown: a tab page, or the empty page.
    QWidget* CurrentPage() const;
    void SceneOpened();
    // The scene's name lists changed (an undo took an added name back): the lists show them.
    void NamesChanged();

private:
    TEditorBinding& binding_;
    QWidget* empty_;
    std::vector<std::unique_ptr<TEditorTab>> tabs_;
    std::map<std::string, QWidget*> scrollOf_;  // tab name -> its scrolled page
};

} // namespace kelvane
