#include "editing/ui/ControlBuilder.h"

#include "editing/ui/ControlAccess.h"

#include "controls/ui/ColorPanel.h"
#include "controls/ui/ComboBoxYafRay.h"
#include "controls/ui/EnableControlCheckBox.h"
#include "controls/ui/LinkedTrackBar.h"
#include "controls/ui/NumberEdit.h"
#include "controls/ui/WidgetTag.h"

#include <QComboBox>
#include <QEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QTabWidget>
#include <QVBoxLayout>

#include <cctype>
#include <cstring>
#include <string>
#include <vector>
#include <exception>

namespace kelvane {

namespace {

// What a control sets, in words and by the attribute it writes: "Light power (power)".
QString ControlTip(std::string_view path, TTarget target, std::string_view caption)
{
    std::vector<std::string_view> parts;
    for (size_t from = 0;;) {
        const size_t dot = path.find('.', from);
        parts.push_back(path.substr(from, dot == std::string_view::npos ? std::string_view::npos : dot - from));
        if (dot == std::string_view::npos)
            break;
        from = dot + 1;
    }
    while (!caption.empty() && (caption.back() == ':' || caption.back() == ' '))
        caption.remove_suffix(1);
    std::string words;
    switch (target) {
    case TTarget::Diffuse: words = "Diffuse photons"; break;
    case TTarget::Caustic: words = "Caustic photons"; break;
    case TTarget::Dof: words = "Depth of field"; break;
    case TTarget::AntiNoise: words = "Anti-noise"; break;
    default:
        if (!parts[0].empty() && parts[0] != "new") {
            words = std::string(parts[0]);
            words[0] = char(std::toupper(static_cast<unsigned char>(words[0])));
        }
    }
    std::string what(caption);
    // "Power" reads "power" after the kind; "IOR" stays as it is.
    if (!words.empty() && what.size() > 1 && std::isupper(static_cast<unsigned char>(what[0])) &&
        !std::isupper(static_cast<unsigned char>(what[1])))
        what[0] = char(std::tolower(static_cast<unsigned char>(what[0])));
    std::string text = words.empty() ? what : what.empty() ? words : words + " " + what;
    std::string attribute;
    if (parts.size() >= 3) {
        attribute = parts[1] == parts[0] ? std::string(parts[2])
                                         : std::string(parts[1]) + (parts[2].empty() ? "" : " " + std::string(parts[2]));
    }
    if (!attribute.empty())
        text += " (" + attribute + ")";
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

QString Q(const char* text)
{
    return QString::fromUtf8(text ? text : "");
}

bool Same(const char* a, const char* b)
{
    return a && b && std::strcmp(a, b) == 0;
}

// Sliders and drop-down lists write their value when they lose the focus.
class TExitFilter : public QObject {
public:
    TExitFilter(QObject* parent, std::function<void(QWidget*)> onExit)
        : QObject(parent), onExit_(std::move(onExit)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::FocusOut)
            if (auto* w = qobject_cast<QWidget*>(watched))
                onExit_(w);
        return false;
    }

private:
    std::function<void(QWidget*)> onExit_;
};

void ConfigureField(TNumberEdit* edit, const TEditSpec& field)
{
    if (field.whole) {
        edit->SetFigure(0);
        edit->SetFixed(true);
    }
    switch (field.limit) {
    case TLimit::Off:
        if (field.max != 0)
            edit->SetMax(field.max);
        break;
    case TLimit::Both:
        edit->SetMin(field.min);
        edit->SetMax(field.max);
        edit->SetLimitOptions(loMax | loMin);
        edit->SetLimit(true);
        break;
    case TLimit::MinOnly:
        edit->SetMin(field.min);
        edit->SetLimitOptions(loMin);
        edit->SetLimit(true);
        break;
    }
    edit->SetTextUtf8("");  // a field shows nothing until a value is loaded
}

void AddItems(QComboBox* combo, const char* items)
{
    if (!items)
        return;
    const QStringList list = Q(items).split(QLatin1Char('|'));
    if (auto* y = qobject_cast<TComboBoxYafRay*>(combo))
        for (const QString& item : list)
            y->AddItem(item.toStdString());
    else
        combo->addItems(list);
    combo->setCurrentIndex(-1);
}

// Controls whose value is written by their own change handler rather than on exit.
bool WrittenByHandler(const QString& name)
{
    return name == QLatin1String("combTexType") || name == QLatin1String("combCamera");
}

} // namespace

TControlBuilder::TControlBuilder(TControlTree& tree, TEditorBinding& binding,
                                 std::function<void(const char*)> onFailure)
    : tree_(tree), binding_(binding), onFailure_(std::move(onFailure))
{
}

QBoxLayout* TControlBuilder::LayoutOf(const std::string& container) const
{
    const auto it = layouts_.find(container);
    return it == layouts_.end() ? nullptr : it->second;
}

const TGuardRow* TControlBuilder::GuardOf(const TTabTable& table, const char* regulated) const
{
    for (const TGuardRow& g : table.guards)
        if (Same(g.regulate, regulated))
            return &g;
    return nullptr;
}

QWidget* TControlBuilder::Container(const TTabTable& table, const char* name)
{
    return EnsureContainer(table, name ? name : table.tab);
}

QWidget* TControlBuilder::EnsureContainer(const TTabTable& table, const char* name)
{
    if (const auto it = containers_.find(name); it != containers_.end())
        return it->second;
    const TContainerRow* row = nullptr;
    for (const TContainerRow& c : table.containers)
        if (Same(c.name, name))
            row = &c;
    if (!row)
        return nullptr;
    QWidget* parent = Container(table, row->parent);
    // Creating a page control creates its pages, this one among them.
    if (const auto it = containers_.find(name); it != containers_.end())
        return it->second;

    QWidget* widget = nullptr;
    switch (row->cls) {
    case TContainerClass::Panel:
        if (*row->caption)
            widget = new QGroupBox(Q(row->caption));
        else
            widget = new QFrame;
        break;
    case TContainerClass::PageControl:
        widget = new QTabWidget;
        break;
    case TContainerClass::HiddenPages:
        widget = new QStackedWidget;
        break;
    case TContainerClass::Page:
        widget = new QWidget;
        break;
    }
    widget->setObjectName(Q(row->name));
    SetTag(widget, row->tag);

    // A guard box for a whole container stands just above it.
    const TGuardRow* guard = GuardOf(table, row->name);
    if (guard && NameOf(parent) != (guard->container ? guard->container : table.tab))
        guard = nullptr;  // it stands elsewhere (the light's part boxes)
    if (auto* tabs = qobject_cast<QTabWidget*>(parent)) {
        tabs->addTab(widget, Q(row->caption));
    } else if (auto* stack = qobject_cast<QStackedWidget*>(parent)) {
        stack->addWidget(widget);
    } else if (QBoxLayout* layout = LayoutOf(NameOf(parent))) {
        if (guard) {
            auto* box = new TEnableControlCheckBox(Q(guard->caption), parent);
            box->setObjectName(Q(guard->name));
            tree_.Add(parent, box);
            layout->addWidget(box);
        }
        widget->setParent(parent);
        layout->addWidget(widget);
    }
    tree_.Add(parent, widget, true);
    containers_[row->name] = widget;
    if (row->cls != TContainerClass::PageControl && row->cls != TContainerClass::HiddenPages) {
        auto* layout = new QVBoxLayout(widget);
        layout->setContentsMargins(4, 4, 4, 4);
        layout->setSpacing(2);
        layouts_[row->name] = layout;
    } else {
        for (const TContainerRow& c : table.containers)
            if (c.cls == TContainerClass::Page && Same(c.parent, row->name))
                EnsureContainer(table, c.name);
    }
    return widget;
}

QWidget* TControlBuilder::RowHead(const TTabTable& table, const TValueRow& row, const char* first, QWidget* parent)
{
    if (const TGuardRow* guard = GuardOf(table, first)) {
        auto* box = new TEnableControlCheckBox(Q(guard->caption), parent);
        box->setObjectName(Q(guard->name));
        return box;
    }
    auto* label = new QLabel(Q(row.caption), parent);
    label->setMinimumWidth(90);
    return label;
}

void TControlBuilder::WireExit(QWidget* control)
{
    if (WrittenByHandler(control->objectName()))
        return;
    // The handlers outlive the builder: they hold the binding and the failure handler themselves.
    auto run = [binding = &binding_, onFailure = onFailure_](QWidget* w) {
        try {
            binding->edtWidthExit(w);
        } catch (const std::exception& e) {
            onFailure(e.what());
        }
    };
    if (auto* edit = qobject_cast<TNumberEdit*>(control)) {
        QObject::connect(edit, &TNumberEdit::exited, edit, [run, edit] { run(edit); });
        return;
    }
    control->installEventFilter(new TExitFilter(control, run));
}

void TControlBuilder::AddRow(const TTabTable& table, const TValueRow& row)
{
    QWidget* parent = Container(table, row.container);
    QBoxLayout* layout = LayoutOf(NameOf(parent));
    auto line = [&](QWidget* head) {
        auto* h = new QHBoxLayout;
        h->setSpacing(4);
        if (head) {
            tree_.Add(parent, head);
            h->addWidget(head);
        }
        layout->addLayout(h);
        return h;
    };
    auto link = [this](QWidget* control, void (TEditorBinding::*handler)(QWidget*)) {
        auto call = [binding = &binding_, onFailure = onFailure_, control, handler] {
            try {
                (binding->*handler)(control);
            } catch (const std::exception& e) {
                onFailure(e.what());
            }
        };
        if (auto* e = qobject_cast<TNumberEdit*>(control))
            QObject::connect(e, &TNumberEdit::changed, e, call);
        else if (auto* s = qobject_cast<TLinkedTrackBar*>(control))
            QObject::connect(s, &TLinkedTrackBar::changed, s, call);
    };

    // Edits go by the row's caption, or by its guard box's when it has none.
    const TGuardRow* guard = GuardOf(table, row.type == TRowType::Scalar ? row.edit : row.name);
    const char* label = row.caption ? row.caption : guard ? guard->caption : row.name;
    auto data = [&](QWidget* control, std::string_view path = {}, std::string_view words = {}) {
        SetRowData(control, row.target, label);
        control->setToolTip(ControlTip(path.empty() && row.path ? row.path : path, row.target,
                                       words.empty() ? std::string_view(label ? label : "") : words));
    };

    switch (row.type) {
    case TRowType::Combo:
    case TRowType::PlainCombo: {
        QHBoxLayout* h = line(RowHead(table, row, row.name, parent));
        QComboBox* combo = nullptr;
        if (row.type == TRowType::Combo) {
            auto* y = new TComboBoxYafRay(parent);
            y->SetCommand(row.path);
            y->SetKeyKind(row.keyKind);
            combo = y;
        } else {
            combo = new QComboBox(parent);
        }
        combo->setObjectName(Q(row.name));
        data(combo);
        AddItems(combo, row.items);
        h->addWidget(combo, 1);
        tree_.Add(parent, combo);
        if (row.type == TRowType::Combo)
            WireExit(combo);
        break;
    }
    case TRowType::Edit: {
        QHBoxLayout* h = line(RowHead(table, row, row.name, parent));
        auto* edit = new TNumberEdit(parent);
        edit->setObjectName(Q(row.name));
        data(edit);
        edit->SetCommand(row.path);
        edit->SetKeyKind(row.keyKind);
        ConfigureField(edit, row.field);
        h->addWidget(edit, 1);
        tree_.Add(parent, edit);
        WireExit(edit);
        break;
    }
    case TRowType::Text: {
        QHBoxLayout* h = line(RowHead(table, row, row.name, parent));
        auto* edit = new QLineEdit(parent);
        edit->setObjectName(Q(row.name));
        data(edit);
        h->addWidget(edit, 1);
        tree_.Add(parent, edit);
        break;
    }
    case TRowType::Scalar: {
        QHBoxLayout* h = line(RowHead(table, row, row.edit, parent));
        auto* slider = new TLinkedTrackBar(parent);
        slider->setObjectName(Q(row.name));
        data(slider);
        slider->setRange(row.slider.min, row.slider.max);
        slider->SetScale(row.slider.scale);
        if (row.slider.ticks > 0)
            slider->SetFrequency(row.slider.ticks);
        slider->SetCommand(row.path);
        slider->SetKeyKind(row.keyKind);
        auto* edit = new TNumberEdit(parent);
        edit->setObjectName(Q(row.edit));
        data(edit);
        edit->SetCommand(row.path);
        edit->SetKeyKind(row.keyKind);
        ConfigureField(edit, row.field);
        edit->setFixedWidth(70);
        slider->SetTarget(edit);
        edit->SetTarget(slider);
        h->addWidget(slider, 1);
        h->addWidget(edit);
        tree_.Add(parent, slider);
        tree_.Add(parent, edit);
        link(slider, &TEditorBinding::tbLgtPowerChange);
        link(edit, &TEditorBinding::tbLgtPowerChange);
        WireExit(slider);
        WireExit(edit);
        break;
    }
    case TRowType::Colour: {
        static const char* const channels[] = {"Red", "Green", "Blue"};
        static const char* const components[] = {"r", "g", "b"};
        static const char* const channelNames[] = {"red", "green", "blue"};
        auto* swatch = new TColorPanel(parent);
        swatch->setObjectName(Q(row.edit));
        data(swatch);
        swatch->setFixedSize(40, 40);
        TNumberEdit* edits[3] = {};
        for (int i = 0; i < 3; ++i) {
            const std::string stem = std::string(row.name) + channels[i];
            QHBoxLayout* h = line(i == 0 ? static_cast<QWidget*>(new QLabel(Q(row.caption), parent))
                                         : static_cast<QWidget*>(new QLabel(parent)));
            auto* slider = new TLinkedTrackBar(parent);
            slider->setObjectName(Q(("tb" + stem).c_str()));
            const std::string channelPath = std::string(row.path) + components[i];
            const std::string channelWords = std::string(label ? label : "") + " " + channelNames[i];
            data(slider, channelPath, channelWords);
            slider->setRange(row.slider.min, row.slider.max);
            slider->SetFrequency(row.slider.ticks);
            slider->SetCommand(std::string(row.path) + components[i]);
            slider->SetKeyKind(row.keyKind);
            auto* edit = new TNumberEdit(parent);
            edit->setObjectName(Q(("edt" + stem).c_str()));
            data(edit, channelPath, channelWords);
            edit->SetCommand(std::string(row.path) + components[i]);
            edit->SetKeyKind(row.keyKind);
            ConfigureField(edit, row.field);
            edit->setFixedWidth(50);
            slider->SetTarget(swatch);
            slider->SetTargetE(edit);
            edit->SetTarget(slider);
            edits[i] = edit;
            h->addWidget(slider, 1);
            h->addWidget(edit);
            if (i == 0)
                h->addWidget(swatch);
            tree_.Add(parent, slider);
            tree_.Add(parent, edit);
            link(slider, &TEditorBinding::tbLgtRedChange);
            link(edit, &TEditorBinding::tbLgtRedChange);
            WireExit(slider);
            WireExit(edit);
        }
        swatch->SetTargetR(edits[0]);
        swatch->SetTargetG(edits[1]);
        swatch->SetTargetB(edits[2]);
        tree_.Add(parent, swatch);
        break;
    }
    }
}

QWidget* TControlBuilder::Build(const TTabTable& table)
{
    auto* tab = new QWidget;
    tab->setObjectName(Q(table.tab));
    SetTag(tab, table.tag);
    tree_.Add(nullptr, tab, true);
    containers_[table.tab] = tab;
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(4, 4, 4, 4);
    layouts_[table.tab] = layout;

    for (const TValueRow& row : table.values)
        AddRow(table, row);
    for (const TContainerRow& c : table.containers)
        EnsureContainer(table, c.name);
    for (const auto& [name, l] : layouts_)
        if (containers_.count(name) && std::string(name).rfind("ts", 0) == 0)
            l->addStretch(1);

    // Guard boxes not placed in front of a row (part boxes of the light tab) go to their panel.
    for (const TGuardRow& g : table.guards) {
        auto* box = tree_.Get<TEnableControlCheckBox>(g.name);
        if (!box) {
            QWidget* parent = Container(table, g.container);
            box = new TEnableControlCheckBox(Q(g.caption), parent);
            box->setObjectName(Q(g.name));
            tree_.Add(parent, box);
            if (QBoxLayout* l = LayoutOf(NameOf(parent)))
                l->addWidget(box);
        }
    }
    // Regulation is set last, once every regulated control exists; the boxes start unchecked,
    // so their controls start disabled.
    for (const TGuardRow& g : table.guards) {
        auto* box = tree_.Get<TEnableControlCheckBox>(g.name);
        SetRowData(box, g.target, g.caption);
        if (QWidget* r = tree_.Find(g.regulate)) {
            box->SetRegulateControl(r);
            const QString regulated = r->toolTip();
            box->setToolTip((regulated.isEmpty() ? Q(g.caption) + QLatin1Char(':') : regulated + QLatin1Char(';')) +
                            QStringLiteral(" unticked, it is left out"));
        }
        if (g.regulate1)
            if (QWidget* r = tree_.Find(g.regulate1))
                box->SetRegulateControl1(r);
    }
    return tab;
}

} // namespace kelvane
