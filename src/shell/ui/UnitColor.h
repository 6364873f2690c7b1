#pragma once
// The colour picker window. For now a window with its swatch; it shows itself when created,
// at the placement stored under "Interface"/"Color".
#include <QWidget>

namespace kelvane {

class TIniFileCompo;

class TfrmColor : public QWidget {
    Q_OBJECT
public:
    TfrmColor(TIniFileCompo& settings, QWidget* parent = nullptr);
    // Stores the placement under "Interface"/"Color".
    void SavePlacement();

    QWidget* pnlColor = nullptr;

private:
    TIniFileCompo& settings_;
};

} // namespace kelvane
