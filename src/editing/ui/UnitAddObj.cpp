#include "editing/ui/UnitAddObj.h"

#include "controls/ui/QtText.h"
#include "editing/SceneSession.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>

#include <exception>

namespace kelvane {

TfrmAddObj::TfrmAddObj(TSceneSession& session, std::function<void(const QString&)> message, QWidget* parent)
    : QDialog(parent), session_(session), message_(std::move(message))
{
    setObjectName(QStringLiteral("frmAddObj"));
    setWindowTitle(QStringLiteral("Add Object"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
    auto* grid = new QGridLayout(this);
    edtName = new QLineEdit(this);
    edtName->setObjectName(QStringLiteral("edtName"));
    combType = new QComboBox(this);
    combType->setObjectName(QStringLiteral("combType"));
    for (const TAddChoice& choice : AddChoices())
        combType->addItem(QString::fromUtf8(choice.entry->caption.data(), qsizetype(choice.entry->caption.size())));
    combType->setCurrentIndex(0);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    grid->addWidget(new QLabel(QStringLiteral("Name"), this), 0, 0);
    grid->addWidget(edtName, 0, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Type"), this), 1, 0);
    grid->addWidget(combType, 1, 1, 1, 2);
    grid->addWidget(OKBtn, 2, 1);
    grid->addWidget(CancelBtn, 2, 2);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TfrmAddObj::OKBtnClick()
{
    const int type = combType->currentIndex();
    const std::vector<TAddChoice> choices = AddChoices();
    if (type < 0 || type >= int(choices.size()))
        return;
    TAddOutcome outcome;
    try {
        outcome = AddElement(session_, choices[size_t(type)], Utf8Text(edtName->text()));
    } catch (const std::exception& e) {
        outcome.message = e.what();
    }
    if (!outcome.message.empty()) {
        message_(QString::fromStdString(outcome.message));
        return;
    }
    added_ = std::move(outcome);
    accept();
}

} // namespace kelvane
