#pragma once
// Builds the widgets of one editor tab from its tables, registers them in the control tree and
// wires them to the binding: exits write values, sliders and fields follow each other.
#include "editing/ui/Binding.h"
#include "editing/ui/ControlTable.h"

#include <functional>
#include <map>
#include <string>

class QBoxLayout;

namespace kelvane {

class TControlBuilder {
public:
    // onFailure shows the text of an exception raised by a handler.
    TControlBuilder(TControlTree& tree, TEditorBinding& binding, std::function<void(const char*)> onFailure);

    // The tab page, holding every container and control of the table.
    QWidget* Build(const TTabTable& table);

    // The layout new rows of a container go into (for hand-wired controls).
    QBoxLayout* LayoutOf(const std::string& container) const;

private:
    QWidget* EnsureContainer(const TTabTable& table, const char* name);
    QWidget* Container(const TTabTable& table, const char* name);
    void AddRow(const TTabTable& table, const TValueRow& row);
    // The label or guard box in front of a row whose first control is named first.
    QWidget* RowHead(const TTabTable& table, const TValueRow& row, const char* first, QWidget* parent);
    const TGuardRow* GuardOf(const TTabTable& table, const char* regulated) const;
    void WireExit(QWidget* control);

    TControlTree& tree_;
    TEditorBinding& binding_;
    std::function<void(const char*)> onFailure_;
    std::map<std::string, QWidget*> containers_;
    std::map<std::string, QBoxLayout*> layouts_;
    std::map<std::string, QWidget*> pageControls_;
};

} // namespace kelvane
