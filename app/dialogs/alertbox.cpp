#include "app/dialogs/alertbox.h"

#include <QMessageBox>
#include <QPushButton>

#include <algorithm>
#include <vector>

namespace quillory {

namespace {

QMessageBox::ButtonRole boxRole(Alert::Role role)
{
    switch (role) {
    case Alert::Cancel:
        return QMessageBox::RejectRole;
    case Alert::Delete:
    case Alert::Revert:
        return QMessageBox::DestructiveRole;
    case Alert::Ok:
    case Alert::SelectDestination:
    case Alert::OpenPreferences:
    case Alert::CheckNow:
    case Alert::Download:
        return QMessageBox::AcceptRole;
    case Alert::OpenWebsite:
    case Alert::DownloadPage:
    case Alert::Other:
        break;
    }
    return QMessageBox::ActionRole;
}

int buttonPressed(QWidget* window, const Alert& alert)
{
    QMessageBox box(QMessageBox::Warning, QString(), alert.messageText, QMessageBox::NoButton,
                    window);
    // Alerts quote what people typed, tags like "<b>" included: never read as markup.
    box.setTextFormat(Qt::PlainText);
    box.setInformativeText(alert.informativeText);
    box.setWindowModality(alert.modal ? Qt::ApplicationModal : Qt::WindowModal);
    std::vector<QPushButton*> buttons;
    for (qsizetype i = 0; i < alert.buttons.size(); ++i)
        buttons.push_back(box.addButton(alert.buttons[i], boxRole(alert.role(i))));
    const auto withRole = [&](Alert::Role role) -> QPushButton* {
        for (size_t i = 0; i < buttons.size(); ++i)
            if (alert.role(qsizetype(i)) == role)
                return buttons[i];
        return nullptr;
    };
    const bool losesData = alert.destructive || withRole(Alert::Delete) || withRole(Alert::Revert);
    QPushButton* cancel = withRole(Alert::Cancel);
    if (losesData && cancel)
        box.setDefaultButton(cancel);
    else if (!buttons.empty())
        box.setDefaultButton(buttons.front());
    if (cancel)
        box.setEscapeButton(cancel);
    box.exec();
    const auto it = std::find(buttons.begin(), buttons.end(), box.clickedButton());
    return it == buttons.end() ? -1 : int(it - buttons.begin());
}

} // namespace

Alert::Role showAlert(QWidget* window, const Alert& alert)
{
    return alert.role(buttonPressed(window, alert));
}

} // namespace quillory
