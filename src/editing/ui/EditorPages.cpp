#include "editing/ui/EditorPages.h"

#include "editing/ui/Binding.h"
#include "editing/ui/ControlBuilder.h"

#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>

#include <algorithm>

namespace kelvane {

namespace {

// The mouse wheel over a slider, drop-down or spin box that has not the focus scrolls the page
// instead of changing the value behind the user's back.
class TWheelScrollsPage : public QObject {
public:
    TWheelScrollsPage(QScrollArea* page) : QObject(page), page_(page) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Wheel || static_cast<QWidget*>(watched)->hasFocus())
            return false;
        QCoreApplication::sendEvent(page_->verticalScrollBar(), event);
        return true;
    }

private:
    QScrollArea* page_;
};

void ScrollUnfocusedWheel(QScrollArea* page)
{
    auto* filter = new TWheelScrollsPage(page);
    for (QWidget* w : page->widget()->findChildren<QWidget*>())
        if (qobject_cast<QAbstractSlider*>(w) || qobject_cast<QComboBox*>(w) || qobject_cast<QAbstractSpinBox*>(w)) {
            // The wheel does not take the focus; a click or Tab does.
            w->setFocusPolicy(Qt::StrongFocus);
            w->installEventFilter(filter);
        }
}

} // namespace

TEditorPages::TEditorPages(const TTabContext& context, QWidget* parent)
    : QStackedWidget(parent), binding_(context.binding), empty_(new QWidget)
{
    setObjectName(QStringLiteral("PageControl"));
    empty_->setObjectName(QStringLiteral("tsEmpty"));
    addWidget(empty_);
    TTabContext own = context;
    own.showPage = [this](QWidget* page) { ShowPage(page); };
    TControlBuilder builder(context.tree, context.binding, context.onFailure);
    tabs_ = MakeEditorTabs(own);
    for (const auto& tab : tabs_) {
        auto* scroll = new QScrollArea;
        scroll->setWidgetResizable(true);
        scroll->setWidget(tab->Build(builder));
        ScrollUnfocusedWheel(scroll);
        addWidget(scroll);
        scrollOf_[tab->Table().tab] = scroll;
    }
    ShowPage(empty_);
}

TEditorPages::~TEditorPages() = default;

QWidget* TEditorPages::TabOfKind(std::string_view kind) const
{
    for (const auto& tab : tabs_)
        if (kind == tab->Kind())
            return tab->Page();
    return empty_;
}

void TEditorPages::FillTab(QWidget* tab, const std::string& name)
{
    if (!tab)
        return;
    const auto it = std::find_if(tabs_.begin(), tabs_.end(), [tab](const auto& t) { return t->Page() == tab; });
    if (it != tabs_.end())
        (*it)->Fill(name);
    else if (tab != empty_)
        binding_.LoadContainer(tab, name, TTabTable{"", 0, {}, {}, {}});
    ShowPage(tab);
}

void TEditorPages::ShowPage(QWidget* page)
{
    if (!page)
        return;
    if (const auto it = scrollOf_.find(page->objectName().toStdString()); it != scrollOf_.end())
        setCurrentWidget(it->second);
    else if (page == empty_)
        setCurrentWidget(empty_);
    else
        ShowNestedPage(page, this);
}

QWidget* TEditorPages::CurrentPage() const
{
    QWidget* current = currentWidget();
    if (auto* scroll = qobject_cast<QScrollArea*>(current))
        return scroll->widget();
    return current;
}

void TEditorPages::SceneOpened()
{
    for (const auto& tab : tabs_)
        tab->SceneOpened();
}

void TEditorPages::NamesChanged()
{
    for (const auto& tab : tabs_)
        tab->NamesChanged();
}

} // namespace kelvane
