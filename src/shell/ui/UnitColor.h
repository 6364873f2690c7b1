#pragma once
// The colour picker window. For now a window with its swatch; it shows itself when created,
// at the placement stored under "Interface"/"Color".
#include "controls/ColorConvert.h"

#include <QWidget>

namespace kelvane {

class TColorPanel;
class TIniFileCompo;

class TfrmColor : public QWidget {
    Q_OBJECT
public:
    TfrmColor(TIniFileCompo& settings, QWidget* parent = nullptr);
    ~TfrmColor() override;
    // Stores the placement under "Interface"/"Color".
    void SavePlacement();

    QWidget* pnlColor = nullptr;

    // A colour dropped on a swatch: its component fields take the colour and their exit
    // handlers run.
    static void DropColour(TColorPanel& target, TColor colour);

private:
    TIniFileCompo& settings_;
};

} // namespace kelvane
