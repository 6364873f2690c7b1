#pragma once
// Scripted answers for every modal interaction of the editor, with a record of what was asked.
#include "editing/ui/UnitAddObj.h"
#include "shell/ui/Dialogs.h"
#include "shell/ui/FarmSubmit.h"
#include "shell/ui/UnitConfiguration.h"

#include <QLineEdit>

#include <deque>
#include <functional>
#include <vector>

namespace kelvane::test {

class TFakeDialogs : public IDialogs {
public:
    struct TFileCall {
        QString title, filter, preset;
        bool multi = false;
    };

    std::deque<QStringList> openAnswers;
    std::deque<QString> saveAnswers;
    std::vector<TFileCall> openCalls, saveCalls;
    std::vector<QString> messages, errors;
    // Runs instead of the modal loop; by default it chooses configurationPath and presses OK.
    std::function<void(TfrmConfigu&)> onConfiguration;
    QString configurationPath = QStringLiteral("/opt/yafray/yafray");
    int configurationRuns = 0;
    int informationRuns = 0;
    bool openDocumentResult = true;
    std::vector<QString> openedDocuments;

    QStringList GetOpenFileNames(QWidget*, const QString& title, const QString& filter, bool multi) override
    {
        openCalls.push_back({title, filter, {}, multi});
        if (openAnswers.empty())
            return {};
        QStringList a = openAnswers.front();
        openAnswers.pop_front();
        return a;
    }
    QString GetSaveFileName(QWidget*, const QString& title, const QString& filter, const QString& preset) override
    {
        saveCalls.push_back({title, filter, preset, false});
        if (saveAnswers.empty())
            return {};
        QString a = saveAnswers.front();
        saveAnswers.pop_front();
        return a;
    }
    void Message(QWidget*, const QString& text) override { messages.push_back(text); }
    void Error(QWidget*, const QString& text) override { errors.push_back(text); }
    void RunConfiguration(TfrmConfigu& dialog) override
    {
        ++configurationRuns;
        if (onConfiguration) {
            onConfiguration(dialog);
            return;
        }
        dialog.edtPath->setText(configurationPath);
        dialog.btnOKClick();
    }
    // Runs instead of the modal loop; by default the dialog is cancelled.
    std::function<void(TfrmAddObj&)> onAddObj;
    void RunAddObj(TfrmAddObj& dialog) override
    {
        if (onAddObj)
            onAddObj(dialog);
    }
    // Runs instead of the farm submit dialog's loop; by default it is cancelled.
    std::function<void(TfrmFarmSubmit&)> onFarmSubmit;
    void RunFarmSubmit(TfrmFarmSubmit& dialog) override
    {
        if (onFarmSubmit)
            onFarmSubmit(dialog);
    }
    // Confirmations are recorded and answered from askAnswers, else with their default.
    std::vector<QString> asked;
    std::deque<int> askAnswers;
    int Ask(QWidget*, const QString& text, const QStringList&, int defaultButton) override
    {
        asked.push_back(text);
        if (askAnswers.empty())
            return defaultButton;
        const int a = askAnswers.front();
        askAnswers.pop_front();
        return a;
    }
    void ShowInformation(QWidget*) override { ++informationRuns; }
    bool OpenDocument(const QString& path) override
    {
        openedDocuments.push_back(path);
        return openDocumentResult;
    }
};

} // namespace kelvane::test
