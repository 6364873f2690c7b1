#pragma once
// The output window; it keeps the renderer's captured texts. Created hidden at start-up.
#include <QWidget>

namespace kelvane {

class TfrmDos : public QWidget {
    Q_OBJECT
public:
    explicit TfrmDos(QWidget* parent = nullptr);
};

} // namespace kelvane
