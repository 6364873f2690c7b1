#pragma once
// The image window; it shows rendered pictures. Created hidden at start-up.
#include <QWidget>

class QLabel;

namespace kelvane {

class TfrmImgRen : public QWidget {
    Q_OBJECT
public:
    explicit TfrmImgRen(QWidget* parent = nullptr);

    QLabel* lblTime = nullptr;  // the last render's time
};

} // namespace kelvane
